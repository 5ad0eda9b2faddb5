#pragma once
// The reference line for the benchmarks: a plain differential PSK31 decoder (mixer at a known
// frequency, matched filter, early/late symbol timing, d = y(k) conj(y(k-1)); BPSK by the sign
// of Re d, QPSK by soft Viterbi on the correlations of d). No AFC, no squelch.
#include "ConvCode.h"
#include "Filters.h"
#include "PskMode.h"
#include "Varicode.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace bench {

class DiffDecoder {
public:
    DiffDecoder(double fs, double hz, dsp::PskMode mode) : m_mode(mode) {
        m_decim = static_cast<int>(std::lround(fs / 500.0));
        m_sps = fs / m_decim / 31.25;
        m_dec.init(dsp::kaiserLowpass(6 * m_decim, 250.0, fs, 7.0), m_decim);
        const int n = static_cast<int>(std::lround(2.0 * m_sps));
        std::vector<float> mf(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            mf[static_cast<size_t>(i)] =
                static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * (i + 0.5) / n));
        m_mf.init(mf, 1);
        const double w = 2 * std::numbers::pi * hz / fs;
        m_step = {std::cos(w), -std::sin(w)};
        m_t = m_sps;
    }

    void process(const float* x, size_t n, std::vector<uint8_t>& out) {
        for (size_t i = 0; i < n; ++i) {
            const std::complex<float> mixed(static_cast<float>(m_nco.real() * x[i]),
                                            static_cast<float>(m_nco.imag() * x[i]));
            m_nco *= m_step;
            if ((++m_renorm & 1023) == 0) m_nco /= std::abs(m_nco);
            std::complex<float> b, m;
            if (!m_dec.push(mixed, b)) continue;
            m_mf.push(b, m);
            m_hist.push_back(m);
            const double now = static_cast<double>(m_base + m_hist.size() - 1);
            while (m_t + m_sps / 4 + 1 <= now)
                symbol(out);
            if (m_hist.size() > 256) {
                m_hist.erase(m_hist.begin(), m_hist.begin() + 128);
                m_base += 128;
            }
        }
    }

private:
    std::complex<double> at(double t) const {
        const double r = t - static_cast<double>(m_base);
        const auto i = static_cast<size_t>(std::max(0.0, std::floor(r)));
        const double mu = r - std::floor(r);
        if (i + 1 >= m_hist.size()) return m_hist.back();
        const auto a = m_hist[i], b = m_hist[i + 1];
        return {a.real() + mu * (b.real() - a.real()), a.imag() + mu * (b.imag() - a.imag())};
    }

    void symbol(std::vector<uint8_t>& out) {
        const auto y = at(m_t);
        const double early = std::norm(at(m_t - m_sps / 4)), late = std::norm(at(m_t + m_sps / 4));
        const double e = (late - early) / std::max(early + late, 1e-30);
        m_t += m_sps + 0.5 * e;
        const auto d = y * std::conj(m_prev);
        m_prev = y;
        if (m_mode == dsp::PskMode::Bpsk) {
            bit(d.real() > 0.0 ? 1 : 0, out);
            return;
        }
        static const std::complex<double> kRot[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        float metric[4];
        for (int p = 0; p < 4; ++p) {
            const auto rot = m_mode == dsp::PskMode::QpskLsb ? std::conj(kRot[p]) : kRot[p];
            metric[p] = static_cast<float>((d * std::conj(rot)).real() / std::max(m_pow, 1e-30));
        }
        m_pow += 0.05 * (std::norm(y) - m_pow);
        const int b = m_viterbi.push(metric);
        if (b >= 0) bit(b, out);
    }

    void bit(int b, std::vector<uint8_t>& out) {
        uint8_t ch = 0;
        if (m_varicode.push(b, ch)) out.push_back(ch);
    }

    dsp::PskMode m_mode;
    int m_decim;
    double m_sps;
    dsp::ComplexFirDecimator m_dec, m_mf;
    std::complex<double> m_nco{1, 0}, m_step;
    unsigned m_renorm = 0;
    std::vector<std::complex<float>> m_hist;
    size_t m_base = 0;
    double m_t;
    std::complex<double> m_prev{0, 0};
    double m_pow = 1e-6;
    dsp::ViterbiDecoder m_viterbi{25};
    dsp::VaricodeDecoder m_varicode;
};

} // namespace bench
