#include "FadingPredictor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dsp {

std::vector<double> fadingPredictor(double snr, int taps, double dopplerHz, double symbolRate,
                                    double floorRel) {
    if (!(snr > 0.0) || taps < 1 || !(symbolRate > 0.0)) return {1.0};
    const auto k = static_cast<size_t>(taps);
    const double a = 2.0 * std::numbers::pi * std::numbers::pi * dopplerHz * dopplerHz /
                     (symbolRate * symbolRate);
    auto rho = [&](size_t lag) { return std::exp(-a * double(lag * lag)); };
    // The normal equations R c = r with the signal power as 1, solved in place (R is symmetric
    // positive definite: no pivoting needed).
    std::vector<double> m(k * (k + 1));
    auto at = [&](size_t i, size_t j) -> double& { return m[i * (k + 1) + j]; };
    for (size_t i = 0; i < k; ++i) {
        for (size_t j = 0; j < k; ++j)
            at(i, j) = rho(i > j ? i - j : j - i) + (i == j ? 1.0 / snr + floorRel : 0.0);
        at(i, k) = rho(i + 1);
    }
    for (size_t c = 0; c < k; ++c)
        for (size_t r = 0; r < k; ++r) {
            if (r == c) continue;
            const double f = at(r, c) / at(c, c);
            for (size_t j = c; j <= k; ++j)
                at(r, j) -= f * at(c, j);
        }
    std::vector<double> coeff(k);
    for (size_t i = 0; i < k; ++i) {
        coeff[i] = at(i, k) / at(i, i);
        if (!std::isfinite(coeff[i])) return {1.0};
    }
    return coeff;
}

void PredictorChoice::setCandidates(std::vector<std::vector<double>> bank) {
    if (bank.size() != m_bank.size()) {
        m_err.assign(bank.size(), 0.0);
        m_count = 0;
        m_best = 0;
    }
    m_bank = std::move(bank);
}

const std::vector<double>& PredictorChoice::chosen() const {
    static const std::vector<double> kPrevious{1.0};
    return m_best < m_bank.size() ? m_bank[m_best] : kPrevious;
}

void PredictorChoice::observe(const std::complex<double>* hist, size_t n) {
    if (m_bank.empty() || n < 2) return;
    const double w = 1.0 / std::min(static_cast<double>(++m_count), m_window);
    for (size_t c = 0; c < m_bank.size(); ++c) {
        std::complex<double> p{0.0, 0.0};
        for (size_t i = 0; i < m_bank[c].size() && i + 1 < n; ++i)
            p += m_bank[c][i] * hist[i + 1];
        m_err[c] += w * (std::norm(hist[0] - p) - m_err[c]);
    }
    for (size_t c = 0; c < m_bank.size(); ++c)
        if (m_err[c] < m_err[m_best]) m_best = c;
}

void PredictorChoice::reset() {
    std::fill(m_err.begin(), m_err.end(), 0.0);
    m_count = 0;
    m_best = 0;
}

} // namespace dsp
