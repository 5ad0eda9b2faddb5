#include "ConvCode.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace dsp {

int convPair(unsigned state, int bit) {
    const unsigned reg = ((state << 1) | (bit ? 1u : 0u)) & 0x1Fu;
    const int a = std::popcount(reg & 0x19u) & 1;
    const int b = std::popcount(reg & 0x17u) & 1;
    return (a << 1) | b;
}

int ConvEncoder::push(int bit) {
    const int pair = convPair(m_reg & 0xFu, bit);
    m_reg = ((m_reg << 1) | (bit ? 1u : 0u)) & 0x1Fu;
    return pair;
}

ViterbiDecoder::ViterbiDecoder(int depth)
    : m_depth(std::clamp(depth, 8, 256)), m_decisions(static_cast<size_t>(m_depth)) {
    reset();
}

void ViterbiDecoder::reset() {
    // The transmitter starts from the all-zero register (idle), but a receiver may join at
    // any time, so every state starts equal.
    std::fill(std::begin(m_metric), std::end(m_metric), 0.0f);
    std::fill(m_decisions.begin(), m_decisions.end(), uint16_t{0});
    m_pos = 0;
    m_filled = 0;
}

int ViterbiDecoder::push(const float metric[4]) {
    // State = last four input bits, newest in bit 0. The next state s' = ((s << 1) | u) & 15 is
    // reached from s = (s' >> 1) | (h << 3) for h = 0, 1.
    float next[16];
    uint16_t decision = 0;
    for (unsigned ns = 0; ns < 16; ++ns) {
        const int u = ns & 1;
        const unsigned s0 = ns >> 1;
        const unsigned s1 = s0 | 8u;
        const float m0 = m_metric[s0] + metric[convPair(s0, u)];
        const float m1 = m_metric[s1] + metric[convPair(s1, u)];
        if (m1 > m0) {
            next[ns] = m1;
            decision |= static_cast<uint16_t>(1u << ns);
        } else {
            next[ns] = m0;
        }
    }
    float best = next[0];
    unsigned bestState = 0;
    for (unsigned s = 1; s < 16; ++s) {
        if (next[s] > best) {
            best = next[s];
            bestState = s;
        }
    }
    // Keep the metrics bounded.
    for (unsigned s = 0; s < 16; ++s)
        m_metric[s] = next[s] - best;

    m_decisions[static_cast<size_t>(m_pos)] = decision;
    const int newest = m_pos;
    m_pos = (m_pos + 1) % m_depth;
    if (m_filled < m_depth) {
        ++m_filled;
        if (m_filled < m_depth) return -1;
    }
    // Trace back from the best state to the oldest stored step; the bit that entered there is
    // the low bit of the state at that step.
    unsigned s = bestState;
    int idx = newest;
    for (int i = 0; i < m_depth - 1; ++i) {
        const unsigned h = (m_decisions[static_cast<size_t>(idx)] >> s) & 1u;
        s = (s >> 1) | (h << 3);
        idx = (idx == 0) ? m_depth - 1 : idx - 1;
    }
    return static_cast<int>(s & 1u);
}

} // namespace dsp
