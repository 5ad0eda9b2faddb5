#pragma once
// Where each window sits between runs: section "General", keys made of the window's prefix
// followed by "Left" and "Top", and for windows whose size persists also "Height", "Width" and
// "WindowState" (0 normal, 1 minimized, 2 maximized).
//
// Positions and sizes are those of the window's client area in pixels (QWidget::geometry), so
// that what is saved comes back exactly whatever frame the window manager draws around it.
#include <QString>

class QWidget;

namespace platform {
class SettingsStore;
}

namespace common {

enum class WindowKeys {
    Position,         // Left, Top
    PositionSizeState // Left, Top, Height, Width, WindowState
};

// Left and Top of -1 (the default) leave the window where the platform puts it; other negative
// values become 0. Height and Width default to the window's current size, WindowState to 0.
// Every stored value is read before anything is applied: a value that is not a number throws
// 13 (6 when it does not fit) and the window keeps its design geometry. Positions and sizes
// are held to what a desktop can show; a state other than 0..2 counts as normal.
void RestoreWindowPosition(const platform::SettingsStore& store, QWidget& window,
                           const QString& prefix, WindowKeys keys);

// Saves the state first, then the normal window's position and size, so that a window closed
// while maximized comes back maximized and later restores to its earlier normal size.
void SaveWindowPosition(platform::SettingsStore& store, const QWidget& window,
                        const QString& prefix, WindowKeys keys);

// 0 normal, 1 minimized, 2 maximized (full screen counts as maximized).
int WindowStateCode(const QWidget& window);

} // namespace common
