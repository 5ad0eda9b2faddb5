#pragma once
// The per-user settings store: one string per (section, key) under the application name,
// written through to disk on every change so that a crash loses nothing.
#include "Export.h"
#include <functional>
#include <memory>
#include <QString>

class QSettings;

namespace platform {

class TD_PLATFORM_EXPORT SettingsStore {
public:
    // The user's store under the application's organisation and name
    // (~/.config/Tonedeck/Tonedeck.ini).
    SettingsStore();
    // A store in the given INI file (tests, portable use).
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Sections and keys are taken exactly as given, "General" included (it is a section like any
    // other). An empty section or key is never stored and reads as the default. A missing,
    // unreadable or garbled file reads as defaults; a value the file holds as a list (an
    // unquoted "a,b" typed by hand) reads back joined by commas.
    QString fileName() const;
    QString getSetting(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    bool hasSetting(const QString& section, const QString& key) const;
    void saveSetting(const QString& section, const QString& key, const QString& value);

    // Called once, at the first write that does not reach the disk (a read-only folder or
    // file); the values stay readable for the rest of the run.
    void setWriteFailureHandler(std::function<void(const QString& fileName)> handler);
    bool writeFailed() const { return writeFailed_; }

private:
    std::unique_ptr<QSettings> settings_;
    std::function<void(const QString&)> onWriteFailure_;
    bool writeFailed_ = false;
};

} // namespace platform
