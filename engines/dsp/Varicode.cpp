#include "Varicode.h"

#include <array>
#include <string>

namespace dsp {
namespace {

// Classic PSK31 codes for 0..127; the leading 1 of each value is the first bit sent.
constexpr uint16_t kClassic[128] = {
    0x2AB, 0x2DB, 0x2ED, 0x377, 0x2EB, 0x35F, 0x2EF, 0x2FD, 0x2FF, 0x0EF, 0x01D, 0x36F, 0x2DD,
    0x01F, 0x375, 0x3AB, 0x2F7, 0x2F5, 0x3AD, 0x3AF, 0x35B, 0x36B, 0x36D, 0x357, 0x37B, 0x37D,
    0x3B7, 0x355, 0x35D, 0x3BB, 0x2FB, 0x37F, 0x001, 0x1FF, 0x15F, 0x1F5, 0x1DB, 0x2D5, 0x2BB,
    0x17F, 0x0FB, 0x0F7, 0x16F, 0x1DF, 0x075, 0x035, 0x057, 0x1AF, 0x0B7, 0x0BD, 0x0ED, 0x0FF,
    0x177, 0x15B, 0x16B, 0x1AD, 0x1AB, 0x1B7, 0x0F5, 0x1BD, 0x1ED, 0x055, 0x1D7, 0x2AF, 0x2BD,
    0x07D, 0x0EB, 0x0AD, 0x0B5, 0x077, 0x0DB, 0x0FD, 0x155, 0x07F, 0x1FD, 0x17D, 0x0D7, 0x0BB,
    0x0DD, 0x0AB, 0x0D5, 0x1DD, 0x0AF, 0x06F, 0x06D, 0x157, 0x1B5, 0x15D, 0x175, 0x17B, 0x2AD,
    0x1F7, 0x1EF, 0x1FB, 0x2BF, 0x16D, 0x2DF, 0x00B, 0x05F, 0x02F, 0x02D, 0x003, 0x03D, 0x05B,
    0x02B, 0x00D, 0x1EB, 0x0BF, 0x01B, 0x03B, 0x00F, 0x007, 0x03F, 0x1BF, 0x015, 0x017, 0x005,
    0x037, 0x07B, 0x06B, 0x0DF, 0x05D, 0x1D5, 0x2B7, 0x1BB, 0x2B5, 0x2D7, 0x3B5};

constexpr int kMaxBits = 12;

int bitLength(uint32_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

bool isCodeword(uint32_t v) {
    // Starts with 1 (implied by the value), ends with 1, no two adjacent zeros.
    if ((v & 1) == 0) return false;
    return (~v & (~v >> 1) & ((1u << (bitLength(v) - 1)) - 1)) == 0;
}

struct Tables {
    std::array<uint16_t, 256> code{};
    std::array<std::string, 256> text;
    std::array<int16_t, 1 << kMaxBits> decode{};

    Tables() {
        decode.fill(-1);
        std::array<bool, 1 << kMaxBits> used{};
        for (int c = 0; c < 128; ++c) {
            code[c] = kClassic[c];
            used[kClassic[c]] = true;
        }
        // The upper half takes the unused codewords by length, then by value.
        int c = 128;
        for (uint32_t v = 1; v < (1u << kMaxBits) && c < 256; ++v) {
            if (!used[v] && isCodeword(v)) code[c++] = static_cast<uint16_t>(v);
        }
        for (int i = 0; i < 256; ++i) {
            const int n = bitLength(code[i]);
            for (int b = n - 1; b >= 0; --b)
                text[i].push_back((code[i] >> b) & 1 ? '1' : '0');
            decode[code[i]] = static_cast<int16_t>(i);
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

std::string_view varicodeEncode(uint8_t c) {
    return tables().text[c];
}

bool VaricodeDecoder::push(int bit, uint8_t& ch) {
    bit = bit ? 1 : 0;
    bool done = false;
    if (bit) {
        if (m_lastBit == 0 && m_length > 0) {
            // A single zero inside a code.
            m_code <<= 1;
            ++m_length;
        }
        m_code = (m_code << 1) | 1u;
        ++m_length;
        if (m_length > kMaxBits) {
            m_overflow = true;
            m_code &= (1u << kMaxBits) - 1;
        }
    } else if (m_lastBit == 0 && m_length > 0) {
        // The "00" gap ends the code.
        if (!m_overflow) {
            const int16_t c = tables().decode[m_code];
            if (c >= 0) {
                ch = static_cast<uint8_t>(c);
                done = true;
            }
        }
        m_code = 0;
        m_length = 0;
        m_overflow = false;
    }
    m_lastBit = bit;
    return done;
}

void VaricodeDecoder::reset() {
    m_code = 0;
    m_length = 0;
    m_overflow = false;
    m_lastBit = 0;
}

} // namespace dsp
