#pragma once

#include <cstdint>
#include <string_view>

namespace dsp {

// The PSK31 varicode of character c as '0'/'1' characters, first bit sent first, without the
// "00" gap that follows every character on air. Codes begin and end with 1 and never contain
// "00"; 0..127 use the classic table, 128..255 the next unused codes in order.
std::string_view varicodeEncode(uint8_t c);

// Turns received bits back into characters.
class VaricodeDecoder {
public:
    // Feeds one bit (0 or 1). Returns true and sets ch when a "00" gap completes a known code.
    bool push(int bit, uint8_t& ch);
    void reset();

private:
    uint32_t m_code = 0;
    int m_length = 0;
    bool m_overflow = false;
    int m_lastBit = 0;
};

} // namespace dsp
