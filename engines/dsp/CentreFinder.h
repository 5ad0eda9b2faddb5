#pragma once
// Finds where a PSK31 signal is centred in a channel's baseband; used by the receiver's search.
#include "Fft.h"
#include "PskMode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace dsp::detail {

// Averaged power spectrum of the channel's baseband, used to find where a PSK31 signal is
// centred: its spectrum (two lines when idle, a hump with data, BPSK or QPSK alike) is
// symmetric about the carrier, so the centre is where the spectrum best matches its mirror.
class CentreFinder {
public:
    static constexpr int kSize = 256;
    static constexpr int kHop = 128;
    static constexpr double kLobeHz = kPskBaud; // first null of the pulse spectrum

    // What a PSK31 signal looks like: the power spectrum of the raised-cosine pulse two
    // symbols long (data; 1 at 0 Hz, main lobe only) plus the two lines of idle reversals at
    // +/- 15.625 Hz, so that idle is centred between its lines rather than on one of them.
    static double template_(double hz) {
        const double x = hz / kPskBaud * 2.0; // frequency times pulse length
        if (std::fabs(x) >= 2.0) return 0.0;
        double v = 1.0;
        if (std::fabs(std::fabs(x) - 1.0) < 1e-9)
            v = 0.5;
        else if (x != 0.0)
            v = std::sin(std::numbers::pi * x) / (std::numbers::pi * x) / (1.0 - x * x);
        const double line =
            0.5 * std::max(0.0, 1.0 - std::fabs(std::fabs(hz) - kPskBaud / 2.0) / 3.0);
        return v * v + line;
    }

    explicit CentreFinder(double rate) : m_binHz(rate / kSize), m_fft(kSize) {
        for (size_t i = 0; i < m_template.size(); ++i)
            m_template[i] = template_((static_cast<double>(i) - kTemplateHalf) * kTemplateStep);
        for (int i = 0; i < kSize; ++i)
            m_window[static_cast<size_t>(i)] =
                static_cast<float>(0.5 - 0.5 * std::cos((2.0 * std::numbers::pi) * i / kSize));
        reset();
    }

    void reset() {
        m_power.fill(0.0);
        m_slow.fill(0.0);
        m_frames = 0;
        m_fill = 0;
    }

    double binHz() const { return m_binHz; }
    int frames() const { return m_frames; }

    // Returns true when a new frame has been averaged in.
    bool push(std::complex<float> x) {
        m_buf[static_cast<size_t>(m_fill++)] = x;
        if (m_fill < kSize) return false;
        std::complex<float>* in = m_fft.input();
        for (int i = 0; i < kSize; ++i)
            in[i] = m_buf[static_cast<size_t>(i)] * m_window[static_cast<size_t>(i)];
        m_fft.execute();
        const std::complex<float>* out = m_fft.output();
        const double fast = 1.0 / std::min(m_frames + 1, 4);
        const double slow = 1.0 / std::min(m_frames + 1, 16);
        for (size_t i = 0; i < kSize; ++i) {
            const auto p = static_cast<double>(std::norm(out[i]));
            m_power[i] += fast * (p - m_power[i]);
            m_slow[i] += slow * (p - m_slow[i]);
        }
        ++m_frames;
        std::copy(m_buf.begin() + kHop, m_buf.end(), m_buf.begin());
        m_fill = kSize - kHop;
        return true;
    }

    // Looks for the strongest PSK31 signal centred within [loHz, hiHz] of the mixing frequency,
    // in the last second or (slow) the last four. BPSK's spectrum is exactly symmetric about its
    // carrier whatever the text, so for BPSK the centre is where the spectrum best matches its
    // mirror image; QPSK's only on average, so for QPSK it is where the spectrum best matches
    // the expected shape. On success sets centreHz and returns true; false if nothing stands
    // out of the noise. Only a peak inside the range counts: the skirt of a signal beyond it is
    // not a signal.
    bool find(double loHz, double hiHz, bool slow, bool bpsk, double& centreHz) const {
        const Scan sc = scan(loHz, hiHz, slow, bpsk);
        if (!sc.valid) return false;
        int bestC = sc.cLo;
        for (int ci = sc.cLo; ci <= sc.cHi; ++ci)
            if (sc.at(ci) > sc.at(bestC)) bestC = ci;
        if (sc.at(bestC) <= 0.0 || !isSignal(sc, bestC)) return false;
        centreHz = std::clamp(refine(sc, bestC), loHz, hiHz);
        return true;
    }

    // Whether a PSK31 signal is centred within hz +/- tolHz, in either spectrum.
    bool signalAt(double hz, double tolHz, bool bpsk) const {
        for (bool slow : {false, true}) {
            const Scan sc = scan(hz - tolHz, hz + tolHz, slow, bpsk);
            for (int ci = sc.cLo; sc.valid && ci <= sc.cHi; ++ci)
                if (sc.at(ci) > 0.0 && isSignal(sc, ci)) return true;
        }
        return false;
    }

    // Looks, in the last second, for the PSK31 signal whose centre is nearest targetHz within
    // [loHz, hiHz]. Only a signal whose peak lies inside the range counts, so the skirt of a
    // neighbour just outside it is not taken for a signal; lesser peaks within 20 Hz of a
    // stronger one belong to it.
    bool findNearest(double loHz, double hiHz, double targetHz, bool bpsk, double& centreHz) const {
        const Scan sc = scan(loHz, hiHz, false, bpsk);
        if (!sc.valid) return false;
        double strongest = 0.0;
        for (int ci = sc.cLo; ci <= sc.cHi; ++ci)
            strongest = std::max(strongest, sc.at(ci));
        if (strongest <= 0.0) return false;
        // Mirror scores grow with the square of the power, shape scores in proportion to it:
        // either way a signal down to about 20 dB below the strongest is considered.
        const double minScore = strongest * (bpsk ? 1e-4 : 1e-2);
        const int nms = static_cast<int>(std::lround(20.0 / sc.step));
        bool found = false;
        double bestDist = 0.0;
        for (int ci = sc.cLo; ci <= sc.cHi; ++ci) {
            const double v = sc.at(ci);
            if (v < minScore || !isPeak(sc, ci)) continue;
            bool dominated = false;
            for (int cj = std::max(sc.cFirst, ci - nms); cj <= std::min(sc.cLast, ci + nms); ++cj)
                if (sc.at(cj) > v) {
                    dominated = true;
                    break;
                }
            if (dominated || !isSignal(sc, ci)) continue;
            const double hz = refine(sc, ci);
            if (!found || std::fabs(hz - targetHz) < bestDist) {
                found = true;
                bestDist = std::fabs(hz - targetHz);
                centreHz = std::clamp(hz, loHz, hiHz);
            }
        }
        return found;
    }

private:
    // Scores of candidate centres on a grid, from a little below the range to a little above
    // it, with the noise floor they were measured against.
    static constexpr int kMaxScores = 1400;
    struct Scan {
        const std::array<double, kSize>* spectrum = nullptr;
        bool valid = false;
        double step = 1.0;
        double floor = 0.0;
        int cLo = 0, cHi = -1;      // the range asked for
        int cFirst = 0, cLast = -1; // what was scored
        std::array<double, kMaxScores> score{};
        double at(int ci) const {
            return (ci < cFirst || ci > cLast) ? 0.0 : score[static_cast<size_t>(ci - cFirst)];
        }
    };

    static double power(const Scan& sc, int k) {
        return (*sc.spectrum)[static_cast<size_t>(((k % kSize) + kSize) % kSize)];
    }
    static double excess(const Scan& sc, int k) { return std::max(0.0, power(sc, k) - sc.floor); }

    Scan scan(double loHz, double hiHz, bool slow, bool bpsk) const {
        Scan sc;
        sc.spectrum = slow ? &m_slow : &m_power;
        // Noise floor: median bin within the flat part of the channel filter.
        std::array<double, kSize> tmp{};
        int n = 0;
        const int flat = static_cast<int>(100.0 / m_binHz);
        for (int k = -flat; k <= flat; ++k)
            tmp[static_cast<size_t>(n++)] = power(sc, k);
        std::nth_element(tmp.begin(), tmp.begin() + n / 2, tmp.begin() + n);
        sc.floor = tmp[static_cast<size_t>(n / 2)];

        // Candidate centres on a grid: half bins for the mirror test (bins pair up exactly),
        // a quarter hertz for the shape test.
        sc.step = bpsk ? m_binHz / 2.0 : 0.25;
        sc.cLo = static_cast<int>(std::ceil(loHz / sc.step));
        sc.cHi = static_cast<int>(std::floor(hiHz / sc.step));
        if (sc.cHi < sc.cLo) return sc;
        const int margin = static_cast<int>(std::ceil(3.0 / sc.step));
        sc.cFirst = sc.cLo - margin;
        sc.cLast = std::min(sc.cHi + margin, sc.cFirst + kMaxScores - 1);
        for (int ci = sc.cFirst; ci <= sc.cLast; ++ci) {
            double v = 0.0;
            if (bpsk) {
                v = mirror(sc, ci).first;
            } else {
                const double c = ci * sc.step;
                const int k0 = static_cast<int>(std::ceil((c - kLobeHz) / m_binHz));
                const int k1 = static_cast<int>(std::floor((c + kLobeHz) / m_binHz));
                for (int k = k0; k <= k1; ++k)
                    v += excess(sc, k) * lookup(k * m_binHz - c);
            }
            sc.score[static_cast<size_t>(ci - sc.cFirst)] = v;
        }
        sc.cHi = std::min(sc.cHi, sc.cLast);
        sc.valid = true;
        return sc;
    }

    // How well the spectrum within 25 Hz of half-bin hc / 2 matches its mirror image: the sum
    // of products of mirrored bins, and the largest that sum could be.
    std::pair<double, double> mirror(const Scan& sc, int hc) const {
        const int half = static_cast<int>(std::lround(25.0 / m_binHz));
        const int kc = static_cast<int>(std::floor(hc / 2.0));
        double v = 0.0, best = 0.0;
        for (int k = kc - half; k <= kc + half + 1; ++k) {
            const double e = excess(sc, k);
            v += e * excess(sc, hc - k);
            best += e * e;
        }
        return {v, best};
    }

    static bool isPeak(const Scan& sc, int ci) {
        return sc.at(ci) >= sc.at(ci - 1) && sc.at(ci) > sc.at(ci + 1);
    }

    // A peak of the score is a signal if the spectrum around it is much like that of a signal
    // centred there (not the slope of one further off), stands clear of the noise within
    // +/- 20 Hz, and is not just the skirt of a much stronger signal nearby: more than 25 dB
    // down on anything within 150 Hz (PSK31's own sidelobes are 33 dB down 40 Hz out).
    bool isSignal(const Scan& sc, int ci) const {
        if (!isPeak(sc, ci)) return false;
        const auto [v, best] =
            mirror(sc, static_cast<int>(std::lround(ci * sc.step * 2.0 / m_binHz)));
        if (best <= 0.0 || v < 0.5 * best) return false;
        const int sigHalf = static_cast<int>(std::lround(20.0 / m_binHz));
        auto band = [&](int kc) {
            double e = 0.0;
            for (int k = kc - sigHalf; k <= kc + sigHalf; ++k)
                e += excess(sc, k);
            return e;
        };
        const int kc = static_cast<int>(std::lround(ci * sc.step / m_binHz));
        const double energy = band(kc);
        if (energy < 1.5 * sc.floor * (2 * sigHalf + 1)) return false;
        // A lone carrier matches its own mirror image but is no PSK31 signal.
        double core = 0.0;
        for (int k = kc - 2; k <= kc + 2; ++k)
            core += excess(sc, k);
        if (core > 0.7 * energy) return false;
        const int reach = static_cast<int>(std::lround(150.0 / m_binHz));
        const int edge = static_cast<int>(std::lround(200.0 / m_binHz)) - sigHalf;
        for (int k = std::max(kc - reach, -edge); k <= std::min(kc + reach, edge); ++k)
            if (band(k) > 316.0 * energy) return false;
        return true;
    }

    // Centre of the peak at ci, between grid points.
    static double refine(const Scan& sc, int ci) {
        const double before = sc.at(ci - 1), best = sc.at(ci), after = sc.at(ci + 1);
        const double den = before - 2.0 * best + after;
        const double frac = den < 0.0 ? std::clamp(0.5 * (before - after) / den, -0.5, 0.5) : 0.0;
        return (ci + frac) * sc.step;
    }

    static constexpr double kTemplateStep = 0.01;
    static constexpr int kTemplateHalf = static_cast<int>(kLobeHz / kTemplateStep) + 1;
    double lookup(double hz) const {
        const long i = std::lround(hz / kTemplateStep) + kTemplateHalf;
        return (i < 0 || i >= static_cast<long>(m_template.size()))
                   ? 0.0
                   : m_template[static_cast<size_t>(i)];
    }

    std::array<double, 2 * kTemplateHalf + 1> m_template{};
    double m_binHz;
    ComplexFft m_fft;
    std::array<float, kSize> m_window{};
    std::array<std::complex<float>, kSize> m_buf{};
    std::array<double, kSize> m_power{};
    std::array<double, kSize> m_slow{};
    int m_fill = 0;
    int m_frames = 0;
};

} // namespace dsp::detail
