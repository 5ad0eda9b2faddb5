#include "WindowPositions.h"

#include "Convert.h"
#include "platform/SettingsStore.h"

#include <algorithm>
#include <QWidget>

namespace common {

namespace {

const QString kGeneral = QStringLiteral("General");

// X11 coordinates are 16-bit; anything beyond this is no place for a window.
constexpr int kMaxCoordinate = 16000;

int readInt(const platform::SettingsStore& store, const QString& key, int defaultValue) {
    return parseInt32(store.getSetting(kGeneral, key, QString::number(defaultValue)));
}

} // namespace

int WindowStateCode(const QWidget& window) {
    const Qt::WindowStates s = window.windowState();
    if (s & Qt::WindowMinimized) return 1;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) return 2;
    return 0;
}

void RestoreWindowPosition(const platform::SettingsStore& store, QWidget& window,
                           const QString& prefix, WindowKeys keys) {
    const int left = readInt(store, prefix + QStringLiteral("Left"), -1);
    const int top = readInt(store, prefix + QStringLiteral("Top"), -1);
    const bool sized = keys == WindowKeys::PositionSizeState;
    const QSize current = window.size();
    int height = current.height();
    int width = current.width();
    int state = 0;
    if (sized) {
        height = readInt(store, prefix + QStringLiteral("Height"), current.height());
        width = readInt(store, prefix + QStringLiteral("Width"), current.width());
        state = readInt(store, prefix + QStringLiteral("WindowState"), 0);
    }

    QRect g = window.geometry();
    if (sized)
        g.setSize({std::clamp(width, 1, kMaxCoordinate), std::clamp(height, 1, kMaxCoordinate)});
    // -1 leaves that coordinate to the platform.
    if (left != -1) g.moveLeft(std::clamp(left, 0, kMaxCoordinate));
    if (top != -1) g.moveTop(std::clamp(top, 0, kMaxCoordinate));
    if (left != -1 || top != -1)
        window.setGeometry(g);
    else if (sized)
        window.resize(g.size());

    if (!sized) return;
    Qt::WindowStates ws = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1) ws |= Qt::WindowMinimized;
    if (state == 2) ws |= Qt::WindowMaximized;
    window.setWindowState(ws);
}

void SaveWindowPosition(platform::SettingsStore& store, const QWidget& window,
                        const QString& prefix, WindowKeys keys) {
    const bool sized = keys == WindowKeys::PositionSizeState;
    const int state = WindowStateCode(window);
    if (sized)
        store.saveSetting(kGeneral, prefix + QStringLiteral("WindowState"), QString::number(state));
    // Qt remembers the normal geometry of a maximized or full-screen window.
    QRect g = window.geometry();
    if (state != 0 && window.normalGeometry().isValid()) g = window.normalGeometry();
    store.saveSetting(kGeneral, prefix + QStringLiteral("Left"), QString::number(g.left()));
    store.saveSetting(kGeneral, prefix + QStringLiteral("Top"), QString::number(g.top()));
    if (!sized) return;
    store.saveSetting(kGeneral, prefix + QStringLiteral("Height"), QString::number(g.height()));
    store.saveSetting(kGeneral, prefix + QStringLiteral("Width"), QString::number(g.width()));
}

} // namespace common
