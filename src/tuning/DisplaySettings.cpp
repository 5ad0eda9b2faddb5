#include "DisplaySettings.h"

#include "common/Convert.h"
#include "common/Format.h"
#include "platform/SettingsStore.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace display {

namespace {

const QString kDisplay = QStringLiteral("Display");

QString indexed(const char* key, int pane) {
    return QString::fromLatin1(key) + QString::number(pane);
}

double readNumber(const platform::SettingsStore& store, const QString& key, double defaultValue) {
    if (!store.hasSetting(kDisplay, key)) return defaultValue;
    const double v = common::parseDouble(store.getSetting(kDisplay, key));
    if (!std::isfinite(v)) throw common::RuntimeError(common::err::TypeMismatch);
    return v;
}

FontSetting readFont(const platform::SettingsStore& store, const QString& prefix,
                     const QString& suffix, double defaultSize) {
    FontSetting f;
    f.size = std::clamp(readNumber(store, prefix + QStringLiteral("Size") + suffix, defaultSize),
                        kMinFontSize, kMaxFontSize);
    f.name = store.getSetting(kDisplay, prefix + QStringLiteral("Name") + suffix, kDefaultFontName);
    if (f.name.trimmed().isEmpty()) f.name = kDefaultFontName;
    f.bold = ReadDisplayBool(store, prefix + QStringLiteral("Bold") + suffix, false);
    f.italic = ReadDisplayBool(store, prefix + QStringLiteral("Italic") + suffix, false);
    return f;
}

void saveFont(platform::SettingsStore& store, const QString& prefix, const QString& suffix,
              const FontSetting& f) {
    store.saveSetting(kDisplay, prefix + QStringLiteral("Name") + suffix, f.name);
    store.saveSetting(kDisplay, prefix + QStringLiteral("Size") + suffix,
                      common::formatGeneral(f.size));
    store.saveSetting(kDisplay, prefix + QStringLiteral("Bold") + suffix, BoolText(f.bold));
    store.saveSetting(kDisplay, prefix + QStringLiteral("Italic") + suffix, BoolText(f.italic));
}

} // namespace

QString BoolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool ReadDisplayBool(const platform::SettingsStore& store, const QString& key, bool defaultValue) {
    if (!store.hasSetting(kDisplay, key)) return defaultValue;
    // parseDouble reads "True" and "False" as -1 and 0, whatever their case.
    return common::parseDouble(store.getSetting(kDisplay, key)) != 0;
}

QString SingleText(float value) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

FontSetting ReadPaneFont(const platform::SettingsStore& store, int pane) {
    return readFont(store, QStringLiteral("PaneFont"), QString::number(pane), kDefaultPaneFontSize);
}

void SavePaneFont(platform::SettingsStore& store, int pane, const FontSetting& font) {
    saveFont(store, QStringLiteral("PaneFont"), QString::number(pane), font);
}

FontSetting ReadKeyboardFont(const platform::SettingsStore& store) {
    return readFont(store, QStringLiteral("KeyboardFont"), QString(), kDefaultKeyboardFontSize);
}

void SaveKeyboardFont(platform::SettingsStore& store, const FontSetting& font) {
    saveFont(store, QStringLiteral("KeyboardFont"), QString(), font);
}

QFont ToQFont(const FontSetting& f) {
    QFont font(f.name);
    font.setPointSizeF(std::clamp(f.size, kMinFontSize, kMaxFontSize));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    // A desktop without the stored font picks the nearest sans-serif face, not a serif one.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

FontSetting FromQFont(const QFont& font) {
    FontSetting f;
    f.name = font.family();
    f.size = font.pointSizeF() > 0 ? font.pointSizeF() : kDefaultPaneFontSize;
    f.bold = font.bold();
    f.italic = font.italic();
    return f;
}

void ReadPanePercentage(const platform::SettingsStore& store, PanePercentage& fractions) {
    PanePercentage read = fractions;
    for (int i = 0; i < 3; ++i) {
        read.psk[size_t(i)] =
            float(readNumber(store, indexed("PaneSize", i), fractions.psk[size_t(i)]));
        read.rtty[size_t(i)] =
            float(readNumber(store, indexed("RTTYPaneSize", i), fractions.rtty[size_t(i)]));
    }
    fractions = read;
}

void SavePanePercentage(platform::SettingsStore& store, const PanePercentage& fractions) {
    for (int i = 0; i < 3; ++i) {
        store.saveSetting(kDisplay, indexed("PaneSize", i), SingleText(fractions.psk[size_t(i)]));
        store.saveSetting(kDisplay, indexed("RTTYPaneSize", i),
                          SingleText(fractions.rtty[size_t(i)]));
    }
}

int32_t ReadDisplayColor(const platform::SettingsStore& store, const QString& key,
                         int32_t defaultValue) {
    if (!store.hasSetting(kDisplay, key)) return defaultValue;
    const int32_t v = common::parseInt32(store.getSetting(kDisplay, key));
    if (v < 0 || v > 0xFFFFFF) throw common::RuntimeError(common::err::InvalidPropertyValue);
    return v;
}

void SaveDisplayColor(platform::SettingsStore& store, const QString& key, int32_t colour) {
    store.saveSetting(kDisplay, key, QString::number(colour & 0xFFFFFF));
}

} // namespace display
