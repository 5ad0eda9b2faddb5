#include "QpskDecoder.h"

#include "ConvCode.h"

#include <algorithm>

namespace dsp {
namespace {

// The phase change for coded pair p: 180, -90, 0 and +90 degrees (USB; LSB mirrors it).
const std::complex<double> kTurnUsb[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
const std::complex<double> kTurnLsb[4] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}};

} // namespace

QpskDecoder::QpskDecoder(int depth)
    : m_depth(std::clamp(depth, 8, 256)), m_decisions(static_cast<size_t>(m_depth)) {
    reset();
}

void QpskDecoder::reset() {
    // A receiver may join at any time, so every state starts equal.
    m_metric.fill(0.0);
    m_ref.fill({0.0, 0.0});
    std::fill(m_decisions.begin(), m_decisions.end(), uint16_t{0});
    m_pos = 0;
    m_filled = 0;
}

int QpskDecoder::push(std::complex<double> y, double scale, double memory) {
    const double beta = std::clamp(memory, 0.0, 0.95);
    const std::complex<double>* turn = m_lsb ? kTurnLsb : kTurnUsb;
    // State = the last four input bits, newest in bit 0; s' = ((s << 1) | u) & 15 is reached
    // from s = (s' >> 1) | (h << 3).
    std::array<double, 16> next{};
    std::array<std::complex<double>, 16> ref{};
    uint16_t decision = 0;
    for (unsigned ns = 0; ns < 16; ++ns) {
        const int u = static_cast<int>(ns & 1u);
        double best = 0.0;
        std::complex<double> predicted{0.0, 0.0};
        for (unsigned h = 0; h < 2; ++h) {
            const unsigned s = (ns >> 1) | (h << 3);
            const std::complex<double> p = m_ref[s] * turn[convPair(s, u)];
            const double m = m_metric[s] + scale * (y * std::conj(p)).real();
            if (h == 0 || m > best) {
                best = m;
                predicted = p;
                if (h == 1) decision |= static_cast<uint16_t>(1u << ns);
            }
        }
        next[ns] = best;
        ref[ns] = (1.0 - beta) * y + beta * predicted;
    }
    unsigned bestState = 0;
    for (unsigned s = 1; s < 16; ++s)
        if (next[s] > next[bestState]) bestState = s;
    const double top = next[bestState];
    for (unsigned s = 0; s < 16; ++s)
        m_metric[s] = next[s] - top;
    m_ref = ref;

    m_decisions[static_cast<size_t>(m_pos)] = decision;
    int idx = m_pos;
    m_pos = (m_pos + 1) % m_depth;
    if (m_filled < m_depth && ++m_filled < m_depth) return -1;
    unsigned s = bestState;
    for (int i = 0; i < m_depth - 1; ++i) {
        const unsigned h = (m_decisions[static_cast<size_t>(idx)] >> s) & 1u;
        s = (s >> 1) | (h << 3);
        idx = idx == 0 ? m_depth - 1 : idx - 1;
    }
    return static_cast<int>(s & 1u);
}

} // namespace dsp
