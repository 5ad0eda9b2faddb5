#include "SettingsStore.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStringList>

namespace platform {

namespace {

// QSettings keeps keys outside any group in the INI file's [General] section and writes a group
// called "General" as [%General]. Our keys always have a section, so the section "General" is
// stored as those top-level keys: the file then shows a plain [General] like every other
// section, and no other section can be mistaken for it.
QString qtKey(const QString& section, const QString& key) {
    if (section == QLatin1String("General")) return key;
    return section + QLatin1Char('/') + key;
}

bool usable(const QString& section, const QString& key) {
    return !section.isEmpty() && !key.isEmpty();
}

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QCoreApplication::organizationName(),
                                            QCoreApplication::applicationName())) {}

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const {
    return settings_->fileName();
}

QString SettingsStore::getSetting(const QString& section, const QString& key,
                                  const QString& defaultValue) const {
    if (!usable(section, key)) return defaultValue;
    const QVariant v = settings_->value(qtKey(section, key));
    if (!v.isValid()) return defaultValue;
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    if (!v.canConvert<QString>()) return defaultValue;
    return v.toString();
}

bool SettingsStore::hasSetting(const QString& section, const QString& key) const {
    return usable(section, key) && settings_->contains(qtKey(section, key));
}

void SettingsStore::saveSetting(const QString& section, const QString& key, const QString& value) {
    if (!usable(section, key)) return;
    settings_->setValue(qtKey(section, key), value);
    settings_->sync();
    if (settings_->status() == QSettings::NoError || writeFailed_) return;
    writeFailed_ = true;
    if (onWriteFailure_) onWriteFailure_(settings_->fileName());
}

void SettingsStore::setWriteFailureHandler(std::function<void(const QString&)> handler) {
    onWriteFailure_ = std::move(handler);
}

} // namespace platform
