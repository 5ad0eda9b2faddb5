#include "PskReceiver.h"

#include "ConvCode.h"
#include "Fft.h"
#include "Filters.h"
#include "Varicode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace dsp {
namespace {

using cf = std::complex<float>;
using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The channel runs at about 500 Hz after the first filter: 16 samples per symbol at 8000 Hz.
constexpr double kInnerRate = 500.0;
constexpr double kMaxSearchHz = 120.0;
constexpr int kImdRing = 512;

double wrapPi(double a) {
    while (a > kPi)
        a -= kTwoPi;
    while (a <= -kPi)
        a += kTwoPi;
    return a;
}

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
            v = std::sin(kPi * x) / (kPi * x) / (1.0 - x * x);
        const double line =
            0.5 * std::max(0.0, 1.0 - std::fabs(std::fabs(hz) - kPskBaud / 2.0) / 3.0);
        return v * v + line;
    }

    explicit CentreFinder(double rate) : m_binHz(rate / kSize), m_fft(kSize) {
        for (size_t i = 0; i < m_template.size(); ++i)
            m_template[i] = template_((static_cast<double>(i) - kTemplateHalf) * kTemplateStep);
        for (int i = 0; i < kSize; ++i)
            m_window[static_cast<size_t>(i)] =
                static_cast<float>(0.5 - 0.5 * std::cos(kTwoPi * i / kSize));
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
    bool push(cf x) {
        m_buf[static_cast<size_t>(m_fill++)] = x;
        if (m_fill < kSize) return false;
        cf* in = m_fft.input();
        for (int i = 0; i < kSize; ++i)
            in[i] = m_buf[static_cast<size_t>(i)] * m_window[static_cast<size_t>(i)];
        m_fft.execute();
        const cf* out = m_fft.output();
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
    // out of the noise.
    bool find(double loHz, double hiHz, bool slow, bool bpsk, double& centreHz) const {
        const auto& spectrum = slow ? m_slow : m_power;
        auto power = [&](int k) {
            return spectrum[static_cast<size_t>(((k % kSize) + kSize) % kSize)];
        };
        // Noise floor: median bin within the flat part of the channel filter.
        std::array<double, kSize> tmp{};
        int n = 0;
        const int flat = static_cast<int>(100.0 / m_binHz);
        for (int k = -flat; k <= flat; ++k)
            tmp[static_cast<size_t>(n++)] = power(k);
        std::nth_element(tmp.begin(), tmp.begin() + n / 2, tmp.begin() + n);
        const double floor = tmp[static_cast<size_t>(n / 2)];
        auto excess = [&](int k) { return std::max(0.0, power(k) - floor); };

        // Candidate centres on a grid: half bins for the mirror test (bins pair up exactly),
        // a quarter hertz for the shape test.
        const double step = bpsk ? m_binHz / 2.0 : 0.25;
        const int half = static_cast<int>(std::lround(25.0 / m_binHz));
        auto score = [&](int ci) {
            double sc = 0.0;
            if (bpsk) {
                // Bins k and ci - k mirror each other about ci / 2 bins; a bin is not paired
                // with itself or its neighbour (a single line would match its own image).
                const int kc = static_cast<int>(std::floor(ci / 2.0));
                for (int k = kc - half; k <= kc + half + 1; ++k)
                    if (std::abs(2 * k - ci) > 1) sc += excess(k) * excess(ci - k);
            } else {
                const double c = ci * step;
                const int k0 = static_cast<int>(std::ceil((c - kLobeHz) / m_binHz));
                const int k1 = static_cast<int>(std::floor((c + kLobeHz) / m_binHz));
                for (int k = k0; k <= k1; ++k)
                    sc += excess(k) * lookup(k * m_binHz - c);
            }
            return sc;
        };
        const int cLo = static_cast<int>(std::ceil(loHz / step));
        const int cHi = static_cast<int>(std::floor(hiHz / step));
        if (cHi < cLo) return false;
        double best = -1.0;
        int bestC = cLo;
        for (int ci = cLo; ci <= cHi; ++ci) {
            const double sc = score(ci);
            if (sc > best) {
                best = sc;
                bestC = ci;
            }
        }
        if (best <= 0.0) return false;
        // The signal must stand clear of the noise within +/- 20 Hz of that centre.
        const int sigHalf = static_cast<int>(std::lround(20.0 / m_binHz));
        const int kc = static_cast<int>(std::lround(bestC * step / m_binHz));
        double energy = 0.0;
        for (int k = kc - sigHalf; k <= kc + sigHalf; ++k)
            energy += excess(k);
        if (energy < 1.5 * floor * (2 * sigHalf + 1)) return false;
        double frac = 0.0;
        if (bestC > cLo && bestC < cHi) {
            const double before = score(bestC - 1), after = score(bestC + 1);
            const double den = before - 2.0 * best + after;
            if (den < 0.0) frac = std::clamp(0.5 * (before - after) / den, -0.5, 0.5);
        }
        centreHz = (bestC + frac) * step;
        return true;
    }

private:
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
    std::array<cf, kSize> m_buf{};
    std::array<double, kSize> m_power{};
    std::array<double, kSize> m_slow{};
    int m_fill = 0;
    int m_frames = 0;
};

} // namespace

struct PskReceiver::Impl {
    explicit Impl(double rate);

    // Configuration.
    double fs;
    int decim;
    double fd;  // inner rate
    double sps; // samples per symbol at the inner rate
    PskMode mode = PskMode::Bpsk;
    double fSet = 1000.0;
    double fAnchor = 1000.0; // AFC limits are measured from here
    double searchRange = 0.0;
    double afcLimit = 0.0;
    int sqThreshold = 50;
    int sqTau = 16;

    // Mixer and filters.
    double ncoFreq = 1000.0;
    cf ncoPhasor{1.0f, 0.0f};
    cf ncoStep{1.0f, 0.0f};
    int ncoRenorm = 0;
    ComplexFirDecimator decimator;
    ComplexFirDecimator matched;

    // Matched-filter history for interpolation.
    static constexpr int kHist = 64;
    std::array<cf, kHist> hist{};
    long long nAbs = 0; // inner samples produced so far

    // Symbol timing.
    cd timingAcc{0.0, 0.0};
    double tNext = 0.0;
    long symbolCount = 0;

    // Carrier.
    double phase = 0.0; // rad
    double nu = 0.0;    // residual rotation, rad per symbol
    cd fll2{0.0, 0.0};
    cd fll4{0.0, 0.0};
    double amp = 0.0; // average symbol amplitude
    CentreFinder centre;
    int coarseHold = 0;
    int coarseVotes = 0;
    double lastCoarse = 0.0;

    // Detection.
    std::array<cf, 3> rawSym{};
    cf prevY{0.0f, 0.0f};
    int aPrev = 1; // BPSK: last decided sign
    bool havePrev = false;
    ViterbiDecoder viterbi{25};
    ConvEncoder reencoder;
    std::array<uint8_t, 256> hardPairs{};
    VaricodeDecoder varicode;
    int zeroRun = 0;

    // Quality and squelch.
    cd quality{0.0, 0.0}; // averaged over the squelch time
    cd lockQuality{0.0, 0.0};
    bool locked = false;
    bool dropped = false;
    double ampFast = 0.0;
    double qualityCount = 0.0;
    bool acquiring = true;
    int unlockedSymbols = 0;
    double level = 0.0;
    bool open = false;

    // Displays.
    std::array<cf, 8> vectors{};
    int vectorPos = 0;

    // IMD.
    std::array<cf, kImdRing> imdRing{};
    int imdPos = 0;
    int imdSinceReading = 0;
    int imdValue = 0;
    bool imdFresh = false;

    void updateQuality(cd q);
    // Locked, or the phase changes line up so clearly that the loops' frequency can be trusted
    // before the slower quality measure has caught up.
    bool tracking() const {
        const double presence =
            std::max(std::abs(fll2), mode == PskMode::Bpsk ? 0.0 : std::abs(fll4));
        return locked || (!dropped && presence > 0.7);
    }
    void setNco(double hz) {
        ncoFreq = std::clamp(hz, 50.0, fs / 2.0 - 50.0);
        const double w = kTwoPi * ncoFreq / fs;
        ncoStep = {static_cast<float>(std::cos(w)), static_cast<float>(-std::sin(w))};
    }
    void moveNco(double deltaHz);
    void retune(double hz);
    void resetLoops();
    void resetAll();
    void coarseTune();
    void innerSample(cf b, std::vector<uint8_t>& out);
    void symbol(cf y, std::vector<uint8_t>& out);
    void bit(int b, std::vector<uint8_t>& out);
    void imdCheck();
};

PskReceiver::Impl::Impl(double rate)
    : fs(std::clamp(rate, 8000.0, 192000.0)),
      decim(std::max(1, static_cast<int>(std::lround(fs / kInnerRate)))), fd(fs / decim),
      sps(fd / kPskBaud), centre(fd) {
    // Flat to about 70 Hz, at least 70 dB down from fd - 70 Hz on.
    decimator.init(kaiserLowpass(6 * decim, fd / 2.0, fs, 7.0), decim);
    // Matched to the transmitted pulse: a raised cosine two symbols long.
    const int mfLen = std::max(4, static_cast<int>(std::lround(2.0 * sps)));
    std::vector<float> mf(static_cast<size_t>(mfLen));
    float sum = 0.0f;
    for (int i = 0; i < mfLen; ++i) {
        mf[static_cast<size_t>(i)] =
            static_cast<float>(0.5 - 0.5 * std::cos(kTwoPi * (i + 0.5) / mfLen));
        sum += mf[static_cast<size_t>(i)];
    }
    for (auto& t : mf)
        t /= sum;
    matched.init(mf, 1);
    setNco(fSet);
    resetAll();
}

void PskReceiver::Impl::resetLoops() {
    timingAcc = {0.0, 0.0};
    tNext = static_cast<double>(nAbs) + sps;
    symbolCount = 0;
    phase = 0.0;
    nu = 0.0;
    fll2 = fll4 = {0.0, 0.0};
    centre.reset();
    coarseHold = 0;
    coarseVotes = 0;
    havePrev = false;
    viterbi.reset();
    reencoder.reset();
    varicode.reset();
    locked = false;
    acquiring = true;
    unlockedSymbols = 0;
    // QPSK quality is a match rate whose noise value is about 0.65.
    quality = lockQuality = (mode == PskMode::Bpsk) ? cd{0.0, 0.0} : cd{0.65, 0.0};
    qualityCount = 0.0;
    level = 0.0;
    open = sqThreshold == 0;
    dropped = false;
    ampFast = 0.0;
    zeroRun = 0;
    imdSinceReading = 0;
}

void PskReceiver::Impl::resetAll() {
    decimator.reset();
    matched.reset();
    hist.fill(cf{});
    imdRing.fill(cf{});
    amp = 0.0;
    vectors.fill(cf{});
    imdFresh = false;
    resetLoops();
}

void PskReceiver::Impl::moveNco(double deltaHz) {
    const double before = ncoFreq;
    setNco(ncoFreq + deltaHz);
    const double moved = ncoFreq - before;
    // The loop state refers to the old mixing frequency.
    const double rot = -kTwoPi * moved / kPskBaud;
    nu += rot;
    fll2 *= std::polar(1.0, 2.0 * rot);
    fll4 *= std::polar(1.0, 4.0 * rot);
}

void PskReceiver::Impl::retune(double hz) {
    setNco(hz);
    resetLoops();
}

// Runs on every new spectrum frame. While acquiring (after tuning, or after a long loss of
// lock): the search, or the coarse AFC that brings a signal within reach of the symbol loops.
// Once locked the symbol loops track on their own, except that they can settle a whole number of
// half (BPSK) or quarter (QPSK) turns per symbol off, which they cannot see; a clear, repeated
// disagreement with the longer spectrum average corrects that.
void PskReceiver::Impl::coarseTune() {
    if (centre.frames() < 3) return;
    if (coarseHold > 0) {
        --coarseHold;
        return;
    }
    double c = 0.0;
    if (acquiring && searchRange > 0.0) {
        const double lo = fSet - searchRange - ncoFreq;
        const double hi = fSet + searchRange - ncoFreq;
        if (centre.find(lo, hi, false, mode == PskMode::Bpsk, c) && std::fabs(c) > 2.0) {
            fAnchor = ncoFreq + c;
            retune(fAnchor);
            // Give the symbol loops about three seconds to lock before looking again.
            coarseHold = 12;
        }
        return;
    }
    if (afcLimit <= 0.0) return;
    // In lock, a look every other frame is plenty.
    if (!acquiring && (centre.frames() < 12 || centre.frames() % 2 != 0)) return;
    const double reach = std::min(afcLimit, 30.0);
    const double lo = std::max(-reach, fAnchor - afcLimit - ncoFreq);
    const double hi = std::min(reach, fAnchor + afcLimit - ncoFreq);
    if (!centre.find(lo, hi, !acquiring, mode == PskMode::Bpsk, c)) {
        coarseVotes = 0;
        return;
    }
    const double residual = c - nu * kPskBaud / kTwoPi;
    // Acquiring, more than 2 Hz (2.5 for the less precise QPSK estimate) is corrected at once:
    // the symbol loops would take seconds to pull that far, or settle on a blind spot. Locked,
    // only an error near a blind spot is a false lock: 15.6 Hz (180 degrees per symbol) for
    // BPSK, 7.8 Hz for QPSK.
    const bool bpsk = mode == PskMode::Bpsk;
    const double threshold = acquiring ? (bpsk ? 2.0 : 2.5) : (bpsk ? 10.0 : 4.0);
    if (std::fabs(residual) <= threshold) {
        coarseVotes = 0;
        return;
    }
    // Only a finding that repeats is acted on (twice while acquiring, three times in lock): a
    // single estimate can be thrown off, for instance by a signal just starting.
    coarseVotes = (coarseVotes > 0 && std::fabs(c - lastCoarse) < 1.5) ? coarseVotes + 1 : 1;
    lastCoarse = c;
    if (coarseVotes < (acquiring ? 2 : 3)) return;
    coarseVotes = 0;
    moveNco(c);
    nu = 0.0;
    centre.reset();
    coarseHold = 2;
}

void PskReceiver::Impl::innerSample(cf b, std::vector<uint8_t>& out) {
    imdRing[static_cast<size_t>(imdPos)] = b;
    imdPos = (imdPos + 1) % kImdRing;
    if (centre.push(b)) coarseTune();

    cf m;
    matched.push(b, m);
    hist[static_cast<size_t>(nAbs & (kHist - 1))] = m;
    ++nAbs;

    // Timing: the energy of the filtered signal peaks at symbol centres.
    const double clock = std::fmod(static_cast<double>(nAbs - 1) / sps, 1.0);
    const double tau = std::min(static_cast<double>(symbolCount) + 2.0, 96.0) * sps;
    timingAcc += (std::polar(static_cast<double>(std::norm(m)), -kTwoPi * clock) - timingAcc) / tau;

    // Sample the symbol once the interpolator has the points it needs.
    while (tNext + 2.0 <= static_cast<double>(nAbs - 1)) {
        const double t = tNext;
        const auto i1 = static_cast<long long>(std::floor(t));
        const float mu = static_cast<float>(t - static_cast<double>(i1));
        const cf p0 = hist[static_cast<size_t>((i1 - 1) & (kHist - 1))];
        const cf p1 = hist[static_cast<size_t>(i1 & (kHist - 1))];
        const cf p2 = hist[static_cast<size_t>((i1 + 1) & (kHist - 1))];
        const cf p3 = hist[static_cast<size_t>((i1 + 2) & (kHist - 1))];
        // Catmull-Rom cubic.
        const cf a = -0.5f * p0 + 1.5f * p1 - 1.5f * p2 + 0.5f * p3;
        const cf bq = p0 - 2.5f * p1 + 2.0f * p2 - 0.5f * p3;
        const cf c = -0.5f * p0 + 0.5f * p2;
        const cf y = ((a * mu + bq) * mu + c) * mu + p1;

        // Next sampling instant: one symbol on, nudged toward the energy peak.
        double next = t + sps;
        if (std::abs(timingAcc) > 0.0) {
            const double peak = std::fmod(-std::arg(timingAcc) / kTwoPi + 1.0, 1.0);
            double delta = peak - std::fmod(next / sps, 1.0);
            delta -= std::round(delta);
            next += std::clamp(delta * sps, -2.0, 2.0);
        }
        tNext = next;
        // Each neighbour leaks a sixth of its amplitude into a symbol after the matched
        // filter; a three-tap equaliser takes it out (one symbol of delay).
        rawSym[0] = rawSym[1];
        rawSym[1] = rawSym[2];
        rawSym[2] = y;
        symbol(rawSym[1] - (rawSym[0] + rawSym[2]) / 6.0f, out);
    }
}

void PskReceiver::Impl::symbol(cf yIn, std::vector<uint8_t>& out) {
    ++symbolCount;
    const cd y(yIn.real(), yIn.imag());
    const double ay = std::abs(y);
    amp += (ay - amp) / std::min(static_cast<double>(symbolCount), 16.0);
    // A sudden loss of amplitude (the end of a transmission) closes the squelch at once rather
    // than after the quality has decayed.
    ampFast += 0.5 * (ay - ampFast);
    const bool wasDropped = dropped;
    dropped = symbolCount > 16 && ampFast < 0.2 * amp;
    if (dropped && !wasDropped) {
        varicode.reset();
        open = false;
    }
    const double norm = amp > 1e-20 ? 1.0 / amp : 0.0;

    const bool qpsk = mode != PskMode::Bpsk;
    const int order = qpsk ? 4 : 2;

    // Carrier phase loop on the symbols (modulation removed by the M-th power).
    const cd z = y * std::polar(1.0, -phase);
    const double err = ay > 0.0 ? std::arg(std::pow(z / ay, order)) / order : 0.0;
    // QPSK's fourth power leaves only +/- 45 degrees of room, so its loop is wider: a drift of
    // 0.5 Hz/s then costs about 0.16 rad of steady phase error instead of 0.32.
    const double kKp = qpsk ? 0.2 : 0.14, kKi = qpsk ? 0.02 : 0.01;
    // The loops hold still while the carrier is gone.
    if (!dropped) {
        phase = wrapPi(phase + nu + kKp * err);
        nu += kKi * err;
    }

    // Differential product of successive symbols.
    const cd dRaw = y * std::conj(cd(prevY.real(), prevY.imag()));
    prevY = yIn;

    // Frequency assist: the phase change between symbols with the modulation removed. Idle
    // reversals (also the start of every QPSK transmission) allow the square, which has twice
    // the range of the fourth power.
    if (std::abs(dRaw) > 0.0 && !dropped) {
        const cd u = dRaw / std::abs(dRaw);
        fll2 += (u * u - fll2) / 8.0;
        fll4 += (u * u * u * u - fll4) / 8.0;
        const bool useSquare = !qpsk || std::abs(fll2) > 0.45;
        const cd a = useSquare ? fll2 : fll4;
        const double power = useSquare ? 2.0 : 4.0;
        const double est = std::arg(a) / power;
        const double diffNu = wrapPi(est - nu);
        // Pull hard only when the disagreement is well beyond the estimate's own noise
        // (about 15 symbols' worth of averaging), which would otherwise disturb the phase loop.
        // The fourth power of QPSK is too noisy for that in lock; its blind spots are left to
        // the spectrum check.
        const double r2 = std::max(std::norm(a), 0.01);
        const double sigma = std::sqrt(std::max(0.0, 1.0 - r2) / (30.0 * r2)) / power;
        const bool far = std::fabs(diffNu) > std::max(0.1, 3.0 * sigma) && !(qpsk && locked);
        nu += (far ? 0.3 : 0.02) * std::norm(a) * diffNu;
    }
    nu = std::clamp(nu, -1.5, 1.5);
    const cd diff = dRaw * std::polar(1.0, -nu);

    // Vector display: phase change, 1 = the average amplitude.
    {
        const double ang = std::arg(diff);
        const double r = std::min(1.0, ay * norm);
        vectors[static_cast<size_t>(vectorPos)] = {static_cast<float>(r * std::sin(ang)),
                                                   static_cast<float>(-r * std::cos(ang))};
        vectorPos = (vectorPos + 1) % 8;
    }

    if (!qpsk) {
        // Coherent decision, then differential decoding: a sign change is a 0.
        const int a = z.real() >= 0.0 ? 1 : -1;
        if (havePrev) bit(a == aPrev ? 1 : 0, out);
        aPrev = a;
        havePrev = true;
        // Quality: how tightly the phase change sits on the two points.
        if (std::abs(diff) > 0.0) {
            const cd u = diff / std::abs(diff);
            updateQuality(u * u);
        }
    } else {
        // Soft metrics for each coded pair: correlation of the phase change with
        // 180 + 90 * pair degrees (mirrored for LSB).
        const cd dn = diff * norm * norm;
        float metric[4];
        static const cd kRot[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        int hard = 0;
        for (int p = 0; p < 4; ++p) {
            const cd rot = mode == PskMode::QpskLsb ? std::conj(kRot[p]) : kRot[p];
            metric[p] = static_cast<float>((dn * std::conj(rot)).real());
            if (metric[p] > metric[hard]) hard = p;
        }
        const int depth = viterbi.depth();
        hardPairs[static_cast<size_t>(symbolCount % depth)] = static_cast<uint8_t>(hard);
        const int b = viterbi.push(metric);
        if (b >= 0) {
            bit(b, out);
            // Quality: re-encode the decision and compare with the pair received then. A clean
            // signal always matches; on noise the decoder's best path still matches about 65 %
            // of the time.
            const int expected = reencoder.push(b);
            const int then = hardPairs[static_cast<size_t>((symbolCount - depth + 1) % depth)];
            updateQuality(expected == then ? 1.0 : 0.0);
        }
    }

    // Fine AFC: hand the loop's frequency over to the mixer while a signal is there.
    if (afcLimit > 0.0 && tracking() && !dropped) {
        const double hz = 0.1 * nu * kPskBaud / kTwoPi;
        const double target = std::clamp(ncoFreq + hz, fAnchor - afcLimit, fAnchor + afcLimit);
        if (target != ncoFreq) moveNco(target - ncoFreq);
    }
}

void PskReceiver::Impl::updateQuality(cd q) {
    // The QPSK measure fluctuates more on noise, so it is averaged twice as long.
    const bool qpsk = mode != PskMode::Bpsk;
    const double slower = qpsk ? 2.0 : 1.0;
    // A growing window at first, so that a signal opens the squelch within its preamble.
    ++qualityCount;
    quality += (q - quality) / std::min(qualityCount + 8.0, sqTau * slower);
    lockQuality += (q - lockQuality) / std::min(qualityCount + 8.0, 16.0 * slower);
    auto scale = [&](cd v) {
        return qpsk ? std::clamp((v.real() - 0.65) / 0.35, 0.0, 1.0) : std::abs(v);
    };
    const double lq = scale(lockQuality);
    const double sq = scale(quality);
    if (lq >= 0.45) {
        locked = true;
        // The coarse check stays on for the first seconds after tuning: a lock that early may
        // be a false one on a signal that was far off.
        if (symbolCount > 80) acquiring = false;
        unlockedSymbols = 0;
    } else if (lq < 0.3) {
        locked = false;
    }
    // After ten seconds without a signal, look afresh.
    if (!locked && ++unlockedSymbols > 320) acquiring = true;
    level = std::clamp(99.0 * sq, 0.0, 99.0);
    open = level >= sqThreshold && !dropped;
}

void PskReceiver::Impl::bit(int b, std::vector<uint8_t>& out) {
    uint8_t ch = 0;
    if (dropped) return;
    if (varicode.push(b, ch) && open) out.push_back(ch);
    zeroRun = b ? 0 : zeroRun + 1;
    if (++imdSinceReading >= 8 && zeroRun >= 24) {
        imdSinceReading = 0;
        imdCheck();
    }
}

void PskReceiver::Impl::imdCheck() {
    // 16 idle symbols ending a little before the newest decisions.
    const int len = static_cast<int>(std::lround(16.0 * sps));
    const int skip = static_cast<int>(std::lround(4.0 * sps));
    if (len + skip > kImdRing) return;
    auto line = [&](double hz) {
        cd acc{0.0, 0.0};
        for (int i = 0; i < len; ++i) {
            const int idx = ((imdPos - skip - len + i) % kImdRing + kImdRing) % kImdRing;
            const double w = 0.5 - 0.5 * std::cos(kTwoPi * (i + 0.5) / len);
            const cf s = imdRing[static_cast<size_t>(idx)];
            acc += cd(s.real(), s.imag()) * w * std::polar(1.0, -kTwoPi * hz * i / fd);
        }
        return std::norm(acc);
    };
    const double f1 = kPskBaud / 2.0;
    const double main = line(f1) + line(-f1);
    const double third = line(3 * f1) + line(-3 * f1);
    const double noise = (line(2 * f1) + line(-2 * f1) + line(4 * f1) + line(-4 * f1)) / 2.0;
    if (main <= 0.0 || main < 1000.0 * noise) return; // too noisy to say anything
    const double floorDb = 10.0 * std::log10(main / std::max(noise * 4.0, 1e-30));
    double db = floorDb;
    if (third > 2.0 * noise) db = std::min(floorDb, 10.0 * std::log10(main / (third - noise)));
    imdValue = static_cast<int>(std::lround(std::clamp(db, 0.0, 99.0)));
    imdFresh = true;
}

PskReceiver::PskReceiver(double sampleRate) : d(std::make_unique<Impl>(sampleRate)) {}
PskReceiver::~PskReceiver() = default;
PskReceiver::PskReceiver(PskReceiver&&) noexcept = default;
PskReceiver& PskReceiver::operator=(PskReceiver&&) noexcept = default;

void PskReceiver::setFrequency(double hz, double searchRangeHz) {
    if (!std::isfinite(hz)) return;
    d->fSet = std::clamp(hz, 50.0, d->fs / 2.0 - 50.0);
    d->fAnchor = d->fSet;
    d->searchRange =
        std::isfinite(searchRangeHz) ? std::clamp(searchRangeHz, 0.0, kMaxSearchHz) : 0.0;
    d->retune(d->fSet);
}

double PskReceiver::frequency() const {
    // With AFC off the channel stays where it was put; the symbol loops still follow a small
    // offset internally. Without a lock their estimate means nothing.
    if (d->afcLimit <= 0.0 || !d->tracking()) return d->ncoFreq;
    return std::clamp(d->ncoFreq + d->nu * kPskBaud / kTwoPi, d->fAnchor - d->afcLimit,
                      d->fAnchor + d->afcLimit);
}

void PskReceiver::setMode(PskMode mode) {
    if (mode != PskMode::Bpsk && mode != PskMode::QpskUsb && mode != PskMode::QpskLsb) return;
    if (mode == d->mode) return;
    d->mode = mode;
    d->resetLoops();
}

PskMode PskReceiver::mode() const {
    return d->mode;
}

void PskReceiver::setAfcLimit(double hz) {
    d->afcLimit = std::isfinite(hz) ? std::clamp(hz, 0.0, 500.0) : 0.0;
    d->fAnchor = d->ncoFreq;
}

void PskReceiver::setSquelch(int threshold, int speed) {
    d->sqThreshold = std::clamp(threshold, 0, 99);
    if (speed <= 0)
        d->sqTau = 16;
    else if (speed == 1)
        d->sqTau = 48;
    else
        d->sqTau = std::clamp(speed, 10, 200);
    d->open = d->level >= d->sqThreshold;
}

void PskReceiver::process(size_t count, const float* in, std::vector<uint8_t>& out) {
    if (!in) return;
    Impl& s = *d;
    for (size_t i = 0; i < count; ++i) {
        float x = in[i];
        if (!std::isfinite(x)) x = 0.0f;
        const cf mixed = s.ncoPhasor * x;
        s.ncoPhasor *= s.ncoStep;
        if (++s.ncoRenorm >= 256) {
            s.ncoRenorm = 0;
            s.ncoPhasor /= std::abs(s.ncoPhasor);
        }
        cf b;
        if (s.decimator.push(mixed, b)) s.innerSample(b, out);
    }
}

int PskReceiver::signalLevel() const {
    return static_cast<int>(std::lround(d->level));
}
bool PskReceiver::squelchOpen() const {
    return d->open;
}

void PskReceiver::vectorData(int32_t xy[16]) const {
    if (!xy) return;
    for (int i = 0; i < 8; ++i) {
        const cf v = d->vectors[static_cast<size_t>((d->vectorPos + i) % 8)];
        xy[2 * i] = static_cast<int32_t>(std::lround(std::clamp(v.real(), -1.0f, 1.0f) * 1000.0f));
        xy[2 * i + 1] =
            static_cast<int32_t>(std::lround(std::clamp(v.imag(), -1.0f, 1.0f) * 1000.0f));
    }
}

bool PskReceiver::takeImd(int& imdDb) {
    if (!d->imdFresh) return false;
    d->imdFresh = false;
    imdDb = d->imdValue;
    return true;
}

void PskReceiver::reset() {
    d->setNco(d->fSet);
    d->fAnchor = d->fSet;
    d->resetAll();
}

} // namespace dsp
