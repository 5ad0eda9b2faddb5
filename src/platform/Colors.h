#pragma once
// Colours as the program stores and passes them: one integer, red + 256 * green + 65536 * blue.
#include <cstdint>
#include <QColor>

namespace platform {

inline constexpr int32_t kRed = 0x0000FF;
inline constexpr int32_t kYellow = 0x00FFFF;
inline constexpr int32_t kBlue = 0xFF0000;
inline constexpr int32_t kBlack = 0;

inline QColor toQColor(int32_t v) {
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}
inline int32_t fromQColor(const QColor& c) {
    return c.red() + 256 * c.green() + 65536 * c.blue();
}

} // namespace platform
