#pragma once
// The stored look of the panes, section "Display": fonts of the receive panes ("PaneFontName",
// "PaneFontSize", "PaneFontBold", "PaneFontItalic" followed by the pane number) and of the
// transmit pane ("KeyboardFont..."), the panes' proportions ("PaneSize", "RTTYPaneSize"
// followed by the pane number), and colours as red + 256 * green + 65536 * blue.
//
// Reads throw what the conversion throws (13 for a value that is not a number) so that the
// caller's error trap reports them; nothing is written by a read.
#include "PaneSplits.h"

#include <cstdint>
#include <QFont>
#include <QString>

namespace platform {
class SettingsStore;
}

namespace display {

// The name stored when nothing else was chosen. Where the desktop has no font of that name, Qt
// shows its nearest sans-serif font, but the stored name stays.
inline const QString kDefaultFontName = QStringLiteral("MS Sans Serif");
constexpr double kDefaultPaneFontSize = 8;
constexpr double kDefaultKeyboardFontSize = 10;
// Sizes outside this range are held to it.
constexpr double kMinFontSize = 4;
constexpr double kMaxFontSize = 96;

struct FontSetting {
    QString name = kDefaultFontName;
    double size = kDefaultPaneFontSize;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSetting&) const = default;
};

FontSetting ReadPaneFont(const platform::SettingsStore& store, int pane);
void SavePaneFont(platform::SettingsStore& store, int pane, const FontSetting& font);
FontSetting ReadKeyboardFont(const platform::SettingsStore& store);
void SaveKeyboardFont(platform::SettingsStore& store, const FontSetting& font);

// The requested family is the stored name, whatever the desktop substitutes for it.
QFont ToQFont(const FontSetting& font);
FontSetting FromQFont(const QFont& font);

// "PaneSize" n and "RTTYPaneSize" n; missing keys keep what `fractions` holds.
void ReadPanePercentage(const platform::SettingsStore& store, PanePercentage& fractions);
void SavePanePercentage(platform::SettingsStore& store, const PanePercentage& fractions);

// A colour key of section "Display"; 380 for a value outside 0..FFFFFF.
int32_t ReadDisplayColor(const platform::SettingsStore& store, const QString& key,
                         int32_t defaultValue);
void SaveDisplayColor(platform::SettingsStore& store, const QString& key, int32_t colour);

// Booleans are stored as "True" and "False"; "1", "-1" and "0" read too.
QString BoolText(bool value);
bool ReadDisplayBool(const platform::SettingsStore& store, const QString& key, bool defaultValue);

// The shortest text that reads back as the same single-precision value ("0.33", not
// "0.330000013").
QString SingleText(float value);

} // namespace display
