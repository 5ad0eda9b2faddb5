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
    : m_depth(std::clamp(depth, 8, 256)), m_decisions(static_cast<size_t>(m_depth)),
      m_margins(static_cast<size_t>(m_depth) * 16) {
    reset();
}

void QpskDecoder::reset() {
    // A receiver may join at any time, so every state starts equal.
    m_metric.fill(0.0);
    for (auto& h : m_hist)
        h.fill({0.0, 0.0});
    std::fill(m_decisions.begin(), m_decisions.end(), uint16_t{0});
    m_pos = 0;
    m_filled = 0;
    m_best = 0;
}

void QpskDecoder::setPredictor(const std::vector<double>& c) {
    m_taps = std::clamp(static_cast<int>(c.size()), 1, kTaps);
    m_coeff.fill(0.0);
    m_coeff[0] = 1.0;
    for (size_t i = 0; i < c.size() && i < static_cast<size_t>(kTaps); ++i)
        m_coeff[i] = c[i];
}

int QpskDecoder::push(std::complex<double> y, double scale, double* reliability) {
    const std::complex<double>* turn = m_lsb ? kTurnLsb : kTurnUsb;
    // State = the last four input bits, newest in bit 0; s' = ((s << 1) | u) & 15 is reached
    // from s = (s' >> 1) | (h << 3).
    std::array<double, 16> next{};
    std::array<std::complex<double>, 16> base{};
    for (size_t s = 0; s < 16; ++s)
        for (size_t i = 0; i < static_cast<size_t>(m_taps); ++i)
            base[s] += m_coeff[i] * m_hist[s][i];
    std::array<std::array<std::complex<double>, kTaps>, 16> hist;
    uint16_t decision = 0;
    float* margins = m_margins.data() + static_cast<size_t>(m_pos) * 16;
    for (unsigned ns = 0; ns < 16; ++ns) {
        const int u = static_cast<int>(ns & 1u);
        double best = 0.0, other = 0.0;
        unsigned from = 0;
        std::complex<double> fromTurn{1.0, 0.0};
        for (unsigned h = 0; h < 2; ++h) {
            const unsigned s = (ns >> 1) | (h << 3);
            const std::complex<double> t = turn[convPair(s, u)];
            const double m = m_metric[s] + scale * (y * std::conj(base[s] * t)).real();
            if (h == 1) other = std::min(m, best);
            if (h == 0 || m > best) {
                best = m;
                from = s;
                fromTurn = t;
                if (h == 1) decision |= static_cast<uint16_t>(1u << ns);
            }
        }
        next[ns] = best;
        margins[ns] = static_cast<float>(best - other);
        hist[ns][0] = y;
        for (size_t i = 1; i < static_cast<size_t>(kTaps); ++i)
            hist[ns][i] = m_hist[from][i - 1] * fromTurn;
    }
    unsigned bestState = 0;
    for (unsigned s = 1; s < 16; ++s)
        if (next[s] > next[bestState]) bestState = s;
    m_best = bestState;
    const double top = next[bestState];
    for (unsigned s = 0; s < 16; ++s)
        m_metric[s] = next[s] - top;
    m_hist = hist;

    m_decisions[static_cast<size_t>(m_pos)] = decision;
    int idx = m_pos;
    m_pos = (m_pos + 1) % m_depth;
    if (m_filled < m_depth && ++m_filled < m_depth) return -1;
    const int steps = m_depth - 1;
    auto back = [&](int i) { return i == 0 ? m_depth - 1 : i - 1; };
    std::array<unsigned, 256> path{};
    std::array<int, 256> at{};
    unsigned s = bestState;
    for (int i = 0; i < steps; ++i) {
        path[static_cast<size_t>(i)] = s;
        at[static_cast<size_t>(i)] = idx;
        const unsigned h = (m_decisions[static_cast<size_t>(idx)] >> s) & 1u;
        s = (s >> 1) | (h << 3);
        idx = back(idx);
    }
    const int bit = static_cast<int>(s & 1u);
    if (reliability) {
        // Each merge along the best path: follow the path that lost there back to the bit.
        double sure = kSure;
        for (int i = 0; i < steps; ++i) {
            const unsigned si = path[static_cast<size_t>(i)];
            const int ii = at[static_cast<size_t>(i)];
            const double margin = m_margins[static_cast<size_t>(ii) * 16 + si];
            if (margin >= sure) continue;
            const unsigned h = (m_decisions[static_cast<size_t>(ii)] >> si) & 1u;
            unsigned c = (si >> 1) | ((h ^ 1u) << 3);
            int ci = back(ii);
            for (int k = i + 1; k < steps; ++k) {
                const unsigned ch = (m_decisions[static_cast<size_t>(ci)] >> c) & 1u;
                c = (c >> 1) | (ch << 3);
                ci = back(ci);
            }
            if (static_cast<int>(c & 1u) != bit) sure = margin;
        }
        *reliability = sure;
    }
    return bit;
}

} // namespace dsp
