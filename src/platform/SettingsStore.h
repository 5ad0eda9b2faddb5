#pragma once
// The per-user settings store: one string per (section, key) under the application name,
// written through to disk on every change so that a crash loses nothing.
#include <QString>
#include <memory>

class QSettings;

namespace platform {

class SettingsStore {
public:
    // The user's store (~/.config/Tonedeck/Tonedeck.ini).
    SettingsStore();
    // A store in the given INI file (tests, portable use).
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();

    QString fileName() const;
    QString getSetting(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    bool hasSetting(const QString& section, const QString& key) const;
    void saveSetting(const QString& section, const QString& key, const QString& value);

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace platform
