#pragma once

#include "PskMode.h"

#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace dsp {

// QPSK's frequency offset from its symbols: the fourth power takes the modulation off and
// leaves a line at four times the offset, which a spectrum of the last kSymbols symbols finds
// to a few hundredths of a hertz, well below the SNR where the phase changes of single symbol
// pairs say anything. Offsets 7.8125 Hz (a quarter of the baud rate) apart look the same.
class QpskFrequency {
public:
    static constexpr int kSymbols = 64;
    static constexpr double kSpacing = kPskBaud / 4.0;

    void reset() {
        m_count = 0;
        m_pos = 0;
    }

    // y: the newest symbol, all on one fixed mixing frequency.
    void process(std::complex<double> y) {
        const double p = std::norm(y);
        // Scaled down to amplitude squared, so that noise peaks weigh less than in y^4.
        m_ring[static_cast<size_t>(m_pos)] = p > 0.0 ? y * y * y * y / p : 0.0;
        m_pos = (m_pos + 1) % kSymbols;
        if (m_count < kSymbols) ++m_count;
    }

    // The offset in (-kSpacing/2, kSpacing/2] and how far its line stands above the mean of
    // the rest of the spectrum (noise gives up to about 5 over kSymbols symbols). False until
    // kSymbols symbols have arrived.
    bool estimate(double& hz, double& prominence) const {
        if (m_count < kSymbols) return false;
        constexpr int kBins = 4 * kSymbols; // four times zero-padded
        std::array<double, kBins> power{};
        double total = 0.0;
        int best = 0;
        for (int k = 0; k < kBins; ++k) {
            std::complex<double> acc{0.0, 0.0};
            const double w = -2.0 * std::numbers::pi * (k - kBins / 2) / kBins;
            const std::complex<double> step = std::polar(1.0, w);
            std::complex<double> rot{1.0, 0.0};
            for (int i = 0; i < kSymbols; ++i) {
                acc += m_ring[static_cast<size_t>((m_pos + i) % kSymbols)] * rot;
                rot *= step;
            }
            power[static_cast<size_t>(k)] = std::norm(acc);
            total += power[static_cast<size_t>(k)];
            if (power[static_cast<size_t>(k)] > power[static_cast<size_t>(best)]) best = k;
        }
        // Around the peak, the main lobe (two bins either side at this padding) is no noise.
        double peakLobe = 0.0;
        for (int k = best - 3; k <= best + 3; ++k)
            peakLobe += power[static_cast<size_t>((k + kBins) % kBins)];
        const double rest = (total - peakLobe) / (kBins - 7);
        prominence = rest > 0.0 ? power[static_cast<size_t>(best)] / rest : 0.0;
        const double a = power[static_cast<size_t>((best + kBins - 1) % kBins)];
        const double b = power[static_cast<size_t>(best)];
        const double c = power[static_cast<size_t>((best + 1) % kBins)];
        const double den = a - 2.0 * b + c;
        const double frac = den < 0.0 ? 0.5 * (a - c) / den : 0.0;
        // Bin k is a rotation of 2 pi (k - kBins/2) / kBins per symbol of the fourth power.
        hz = (best - kBins / 2 + frac) / kBins * kPskBaud / 4.0;
        if (hz > kSpacing / 2.0) hz -= kSpacing;
        if (hz <= -kSpacing / 2.0) hz += kSpacing;
        return true;
    }

private:
    std::array<std::complex<double>, kSymbols> m_ring{};
    int m_pos = 0;
    int m_count = 0;
};

} // namespace dsp
