#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>

namespace dsp {

// Differentially encoded BPSK decided against a phase reference smoothed over the symbols on
// both sides of the pair (a few symbols' delay): on a steady carrier that is coherent
// detection, and where fading turns the phase by several degrees a symbol the reference
// follows it, where a loop lags behind. The reference is the mean of the squared symbols (the
// modulation removed, each symbol weighted by its power), leaning toward the carrier loop's
// phase by `prior` symbols' worth. Both symbols of the pair are projected onto the same axis,
// so the reference's 180-degree ambiguity cancels.
class BpskDetector {
public:
    static constexpr int kMaxLookahead = 6;

    explicit BpskDetector(int lookahead = 3, double prior = 1.0) { configure(lookahead, prior); }
    void configure(int lookahead, double prior) {
        m_look = lookahead < 0 ? 0 : (lookahead > kMaxLookahead ? kMaxLookahead : lookahead);
        m_prior = prior < 0.0 ? 0.0 : prior;
    }
    int lookahead() const { return m_look; }
    // The symbol noise power judged from the amplitude's spread, which a phase still pulling
    // in leaves alone (0 until measured).
    double amplitudeNoise() const { return m_count >= 16 ? 2.0 * m_radial : 0.0; }
    void reset() {
        m_count = 0;
        m_pos = 0;
        m_quad = m_pow = m_radial = m_quadTrend = 0.0;
        m_lastSign = 1.0;
    }

    // z: the newest symbol on the carrier loop's phase. Returns true, with the decision for the
    // pair `lookahead` symbols back (positive: no phase change, a 1; its size is the
    // confidence), once enough symbols have arrived.
    bool process(std::complex<double> z, double& soft) {
        m_ring[static_cast<size_t>(m_pos)] = z;
        m_pos = (m_pos + 1) % kRing;
        if (++m_count < 2 * m_look + 2) return false;
        // In a fade the channel's phase turns steadily by up to tens of degrees a symbol, which
        // smears a reference averaged across the window. The turn per symbol, from the squared
        // differential products (the modulation removed, weighted by power), is taken out
        // before averaging, as far as the products agree on it: the cube of their coherence
        // keeps a noise-made turn out of the reference.
        std::complex<double> turn2{0.0, 0.0};
        double turnPow = 0.0;
        for (int i = 1; i < 2 * m_look + 2; ++i) {
            const std::complex<double> dd = at(i) * std::conj(at(i + 1));
            turn2 += dd * dd;
            turnPow += std::norm(dd);
        }
        const double agree = turnPow > 0.0 ? std::abs(turn2) / turnPow : 0.0;
        const double rate = agree * agree * agree * 0.5 * std::arg(turn2);
        std::complex<double> ref{0.0, 0.0};
        double energy = 0.0;
        for (int i = 1; i <= 2 * m_look + 2; ++i) {
            const std::complex<double> v = at(i) * std::polar(1.0, -rate * (m_look + 1.5 - i));
            ref += v * v;
            energy += std::norm(v);
        }
        ref += m_prior * energy / (2 * m_look + 2);
        const std::complex<double> a = at(m_look + 1), b = at(m_look + 2);
        const double mag = std::abs(ref);
        const std::complex<double> u = mag > 0.0 ? ref / mag : std::complex<double>(1.0, 0.0);
        // Re(a e^-ith) Re(b e^-ith), e^2ith = u.
        // Where the phase spins (near a deep fade) the reference means little, and the
        // decision falls back toward plain differential detection.
        const double coherence = energy > 0.0 ? std::min(1.0, mag / energy) : 0.0;
        // Far above the noise, plain differential detection is as good and follows the fastest
        // phase; the reference pays where the noise matters (symbol SNR below ~20 dB), judged
        // from the spread of the differential product across its decision axis (noise, and
        // the phase turning within a symbol, which also argues against the reference).
        const std::complex<double> d = a * std::conj(b);
        const double k = 1.0 / std::min(m_count, 32);
        m_quad += k * (d.imag() * d.imag() - m_quad);
        m_pow += k * (std::abs(d) - m_pow);
        // The same from the amplitude, which phase fading leaves alone: the newer symbol's
        // departure from the mean of its neighbours' (noise 1.5 times one dimension's).
        const double radial = std::abs(a) - 0.5 * (std::abs(at(m_look)) + std::abs(b));
        m_radial += k * (radial * radial / 1.5 - m_radial);
        const double snrPhase = 2.0 * m_pow * m_pow / std::max(m_quad, 1e-30);
        const double snrAmplitude = m_pow / std::max(2.0 * m_radial, 1e-30);
        const double snrDb = 10.0 * std::log10(std::max(snrPhase, snrAmplitude));
        const double weight = std::clamp((kFullBelowDb + kFade - snrDb) / kFade, 0.0, 1.0);
        const double coh = weight * coherence * (a * b * std::conj(u)).real();
        // Through a deep fade the channel's phase turns fast but steadily, which a pair alone
        // takes for part of a phase change: the turn of the pair before (by the decision made
        // there) and of the pair after (by its plain decision) predicts it. (The straight line
        // through the channel's last two values would predict more of the turn, but where only
        // the amplitude fades it takes the dip's bottom for a reversal.) The prediction carries
        // more noise, so it takes over only where the noise is far below the signal, judged
        // from its own spread across the decision axis, which the turn leaves out.
        const std::complex<double> c = at(m_look + 3), e = at(m_look);
        auto turnOf = [](std::complex<double> v) {
            const double m = std::abs(v);
            return m > 0.0 ? v / m : std::complex<double>(1.0, 0.0);
        };
        const std::complex<double> before = turnOf(b * std::conj(c) * m_lastSign);
        // (The pair after by its plain decision: the same turn there would feed a wrong
        // decision back into the next one.)
        const double next = (e * std::conj(a)).real() >= 0.0 ? 1.0 : -1.0;
        const std::complex<double> fwd = a * std::conj(b * before);
        const std::complex<double> bwd =
            m_look > 0 ? b * std::conj(a * turnOf(a * std::conj(e) * next)) : fwd;
        m_quadTrend += k * (fwd.imag() * fwd.imag() - m_quadTrend);
        const double trendDb =
            10.0 * std::log10(std::max(2.0 * m_pow * m_pow / std::max(m_quadTrend, 1e-30), 1e-30));
        // (Not before the spread has been measured over a few symbols.)
        const double trust =
            m_count < 16 ? 0.0 : std::clamp((trendDb - kTrendAboveDb + kFade) / kFade, 0.0, 1.0);
        const double plain = d.real();
        const double turned = plain + trust * (0.5 * (fwd.real() + bwd.real()) - plain);
        soft = 0.5 * (turned + coh);
        m_lastSign = soft >= 0.0 ? 1.0 : -1.0;
        return true;
    }

private:
    static constexpr int kRing = 2 * kMaxLookahead + 2;
    // The reference counts fully below this symbol SNR and fades out over the next kFade dB.
    static constexpr double kFullBelowDb = 15.0;
    static constexpr double kFade = 6.0;
    // The channel's trend counts fully from this SNR (of the trend decision) up, none kFade below.
    static constexpr double kTrendAboveDb = 24.0;
    std::complex<double> at(int back) const { // 1 = newest
        return m_ring[static_cast<size_t>((m_pos - back + 2 * kRing) % kRing)];
    }
    std::array<std::complex<double>, kRing> m_ring{};
    int m_pos = 0;
    int m_count = 0;
    int m_look = 3;
    double m_prior = 1.0;
    double m_quad = 0.0;      // mean square of the differential product's quadrature part
    double m_pow = 0.0;       // its mean size
    double m_radial = 0.0;    // noise power per dimension judged from the amplitude
    double m_quadTrend = 0.0; // the same for the decision along the channel's trend
    double m_lastSign = 1.0;  // the previous decision
};

} // namespace dsp
