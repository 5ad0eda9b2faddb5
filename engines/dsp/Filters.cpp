#include "Filters.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dsp {
namespace {
double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-12) break;
    }
    return sum;
}
} // namespace

std::vector<float> kaiserLowpass(int taps, double cutoffHz, double sampleRate, double beta) {
    taps = std::max(taps, 1);
    std::vector<double> h(static_cast<size_t>(taps));
    const double fc = cutoffHz / sampleRate;
    const double mid = (taps - 1) / 2.0;
    double sum = 0.0;
    for (int i = 0; i < taps; ++i) {
        const double t = i - mid;
        const double sinc =
            (t == 0.0) ? 2.0 * fc
                       : std::sin(2.0 * std::numbers::pi * fc * t) / (std::numbers::pi * t);
        const double r = (taps > 1) ? (i - mid) / mid : 0.0;
        const double w = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
        h[static_cast<size_t>(i)] = sinc * w;
        sum += h[static_cast<size_t>(i)];
    }
    std::vector<float> out(h.size());
    for (size_t i = 0; i < h.size(); ++i)
        out[i] = static_cast<float>(h[i] / sum);
    return out;
}

void ComplexFirDecimator::init(std::vector<float> taps, int factor) {
    if (taps.empty()) taps.push_back(1.0f);
    std::reverse(taps.begin(), taps.end());
    m_taps = std::move(taps);
    m_factor = std::max(factor, 1);
    m_re.assign(2 * m_taps.size(), 0.0f);
    m_im.assign(2 * m_taps.size(), 0.0f);
    m_pos = 0;
    m_phase = 0;
}

void ComplexFirDecimator::reset() {
    std::fill(m_re.begin(), m_re.end(), 0.0f);
    std::fill(m_im.begin(), m_im.end(), 0.0f);
    m_pos = 0;
    m_phase = 0;
}

} // namespace dsp
