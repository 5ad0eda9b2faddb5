#include "PskReceiver.h"
#include <cstdio>

#include "BpskDetector.h"
#include "CentreFinder.h"
#include "ConvCode.h"
#include "FadingPredictor.h"
#include "Fft.h"
#include "Filters.h"
#include "QpskDecoder.h"
#include "QpskFrequency.h"
#include "Varicode.h"
#include "VaricodeSequence.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

namespace dsp {
namespace {

using cf = std::complex<float>;
using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The channel runs at about 500 Hz after the first filter: 16 samples per symbol at 8000 Hz.
constexpr double kInnerRate = 500.0;
constexpr double kMaxSearchHz = 120.0;
// A signal found this close to where the channel is tuned is left to the AFC and the loops.
constexpr double kHereHz = 5.0;
// Beside a BPSK neighbour 20 to 45 Hz away, the receive filter is this much longer than the
// pulse (in symbols): its first null falls at 27.8 Hz instead of 31.3, and the neighbour's
// leakage costs about half the characters it did. It costs a little in white noise (each
// symbol leaks a fifth into the next instead of a sixth), so only there.
constexpr double kNarrowSymbols = 2.25;
// How well the latest phase changes must line up (1 = perfectly; noise averages about 0.35)
// for the loops to hold the search where the channel is tuned.
constexpr double kLoopsHere = 0.55;
// Input kept for decoding afresh when the search retunes: enough to reach back to the start
// of a signal the search has just found.
constexpr double kReplaySeconds = 4.0;
constexpr int kImdRing = 512;
// The quality noise alone rarely reaches (noise averages 20 or less).
constexpr double kNoiseLevel = 30.0;
// How far QPSK's fourth-power line must stand above the noise to be believed.
constexpr double kProminent = 8.0;
// The end of a transmission is watched for while the signal stands at least this far above the
// noise per symbol (5 dB; -15 dB in 3 kHz): a character begun as it ends is held, and dropped
// once the power has stayed at the noise.
constexpr double kEndAbove = 2.0;
// How far above the noise's the mean power of a second "at the noise" marks a deep fade
// rather than the end of a transmission; what was held is then kept a second longer, printed
// only if a signal returns by then.
constexpr double kFadedAbove = 1.25;
// The QPSK decoder's phase reference: the previous symbol, or a prediction from this many for
// a fading channel of one of these Doppler spreads (one standard deviation of a Gaussian
// spectrum; CCIR moderate's is 0.25 Hz, poor's 0.5 Hz), whichever would have predicted the
// decided symbols best over about the last this many; each with this much disturbance beyond
// the noise that averaging cannot remove (residual frequency, the loops' jitter, fading that
// fits no model), relative to the signal. Near the noise a prediction is worth up to 3 dB, and
// one reaching back no further than the fading allows follows the phase through a fade.
constexpr int kPredictorTaps = 6;
constexpr double kPredictorDopplerHz[] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.8, 1.0};
constexpr double kPredictorChoiceSymbols = 256.0;
constexpr double kPredictorFloorDb = -12.0;
// Far above the noise the previous symbol alone, which follows any phase: from this symbol SNR,
// all of it over the 6 dB below.
constexpr double kPredictorAboveDb = 24.0;
// A run of zeros this long is a preamble (or an idle), which noise hardly makes.
constexpr int kPreambleZeros = 16;
// Bits are decided over the varicode this many bits late, weighing each character's prior at
// this fraction of the bits' log-likelihood.
constexpr int kSequenceDelay = 12;
constexpr double kPriorWeight = 0.25;
constexpr double kLlrMax = 50.0;
constexpr double kQpskLlrScale = 0.5;

// Raised-cosine taps, len long, summing to 1.
std::vector<float> raisedCosine(int len) {
    std::vector<float> taps(static_cast<size_t>(len));
    float sum = 0.0f;
    for (int i = 0; i < len; ++i) {
        taps[static_cast<size_t>(i)] =
            static_cast<float>(0.5 - 0.5 * std::cos(kTwoPi * (i + 0.5) / len));
        sum += taps[static_cast<size_t>(i)];
    }
    for (auto& t : taps)
        t /= sum;
    return taps;
}

cd toCd(cf v) {
    return {v.real(), v.imag()};
}

double wrapPi(double a) {
    while (a > kPi)
        a -= kTwoPi;
    while (a <= -kPi)
        a += kTwoPi;
    return a;
}

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
    ComplexFirDecimator narrow; // for a BPSK neighbour close by
    double narrowDelay = 0.0;   // how many samples later its output comes
    bool useNarrow = false;
    int neighbourFrames = 0; // frames in a row with (> 0) or without (< 0) a neighbour

    // Matched-filter history for interpolation.
    static constexpr int kHist = 64;
    std::array<cf, kHist> hist{};
    long long nAbs = 0; // inner samples produced so far

    // Symbol timing.
    cd timingAcc{0.0, 0.0};
    double tNext = 0.0;
    long symbolCount = 0;
    long timingCount = 0; // symbols the timing average has had, since tuning or a signal's arrival

    // Carrier.
    double phase = 0.0;       // rad
    double smoothPhase = 0.0; // the loop's frequency alone, integrated: free of its phase jitter
    double nu = 0.0;          // residual rotation, rad per symbol
    cd fll2{0.0, 0.0};
    cd fll4{0.0, 0.0};
    QpskFrequency fourth;    // fed with the symbols on the set frequency's mixer
    double fixedPhase = 0.0; // the turn from the mixer's frequency to the set one
    double amp = 0.0;        // average symbol amplitude while the carrier is there
    int ampCount = 0;
    detail::CentreFinder centre;
    int coarseHold = 0;
    int coarseVotes = 0;
    double lastCoarse = 0.0;

    // Search.
    bool searchArmed = false;
    int searchHold = 0;
    int searchVotes = 0;
    double lastSearch = 0.0; // Hz, absolute
    bool jumpPending = false;
    double jumpTarget = 0.0;
    bool jumpKeepsAnchor = false;
    bool replaying = false;
    std::vector<float> history; // the latest input, a ring
    size_t historyPos = 0;
    size_t historyFill = 0;

    // Detection.
    std::array<cf, 3> rawSym{};
    cf prevY{0.0f, 0.0f};
    BpskDetector detector;
    double pSlow = 0.0; // symbol power averaged over seconds: the soft metrics' scale
    QpskDecoder viterbi{25};
    PredictorChoice predictorChoice{kPredictorChoiceSymbols};
    double bankSnrDb = -1e9; // the SNR its candidates were made for
    ConvEncoder reencoder;
    std::array<uint8_t, 256> hardPairs{};
    VaricodeSequence sequence{kSequenceDelay, kPriorWeight};
    VaricodeDecoder varicode;
    int zeroRun = 0;
    bool inCode = false;        // a character's bits are coming in
    bool codeOpen = false;      // the squelch was open when they began
    bool afterPreamble = false; // and a preamble's zeros came before them
    int openSymbols = 0;        // how long it has been open
    int closedSymbols = 0;      // or shut
    bool fresh = false;         // it opened after a second or more shut
    // What the squelch said of each of the latest symbols: a bit that leaves the sequence
    // decision late is judged by the squelch of its own time.
    struct Gate {
        bool open = false, fading = false, signal = false, signalLong = false, lockedLately = false;
        // Zeros in a row before the bit, as the detector decided them: a sequence decision
        // makes runs of zeros out of noise, which are no preamble.
        int zeros = 0;
    };
    static constexpr long kGates = 32; // more than the sequence decision's delay
    std::array<Gate, kGates> gates{};
    int hardZeroRun = 0; // idle reversals as the detector decides them, for the IMD reading

    // Quality and squelch.
    cd quality{0.0, 0.0}; // averaged over the squelch time
    cd lockQuality{0.0, 0.0};
    bool locked = false;
    bool centred = false; // the spectrum shows a signal where the loops are
    bool fading = false;  // the amplitude has collapsed: the end of the transmission?
    bool dropped = false; // it was: the carrier is gone
    int fadeSymbols = 0;
    std::array<double, 8> lowRing{}; // the latest symbol powers
    int lowPos = 0;
    int atNoiseRun = 0;        // symbols in a row with that average at the noise
    double atNoisePower = 0.0; // the symbol powers summed over that run
    bool quiet = false;        // this fade has sat at the noise long enough to be an ending
    // Squelch open: back after such a fade, what was held waits for the decisions that follow
    // the return: a new over's preamble (a long run of zeros) says it was noise.
    long judgeUntil = -1;
    long lastDrop = -1; // symbol at which the carrier was last judged gone
    long lastLock = -1; // the last symbol with a lock
    // Where the mixer was over the last two seconds: a lock lost just after the AFC ran off
    // (a neighbour's burst can throw the loops) goes back to where it was.
    std::array<double, 64> ncoRing{}; // 0 where there was no lock
    int droppedSymbols = 0;
    std::array<uint8_t, 128> held{}; // characters decoded while fading, or awaiting judgement
    size_t heldCount = 0;
    double pFast = 0.0; // symbol power, the last two symbols or so
    double pOn = 0.0;   // symbol power while the carrier is there
    // Noise power per symbol, measured across the decision axes: the lesser of the spread about
    // the carrier loop's phase (exact on a steady carrier) and about the previous symbol's phase
    // (twice the noise, halved, but blind to a phase that wanders with fading).
    double noisePow = 0.0;
    double noisePll = 0.0, noiseDiff = 0.0;
    int noiseCount = 0;
    double qualityCount = 0.0;
    bool present = false; // the phase changes line up: a PSK31 signal is there
    long presentSince = 0;
    std::array<float, 64> levelRing{}; // the quality level of the latest symbols
    long restartAt = -1;               // QPSK: symbol at which the quality averages start afresh
    bool acquiring = true;
    int unlockedSymbols = 0;
    double level = 0.0;
    bool open = false;

    // Displays.
    std::array<cf, 8> vectors{};
    int vectorPos = 0;
    std::array<cf, 8> raws{}; // matched-filter output at the decision points
    int rawPos = 0;
    std::array<float, 16> syncs{}; // timing errors, in symbols
    int syncPos = 0;
    struct Decision {
        double t = 0.0; // inner sample time
        cd y{0.0, 0.0};
    };
    static constexpr int kDecisions = 6;
    std::array<Decision, kDecisions> decisions{}; // the latest, a ring
    int decisionPos = 0;
    int decisionCount = 0;

    // IMD.
    std::array<cf, kImdRing> imdRing{};
    int imdPos = 0;
    int imdSinceReading = 0;
    int imdValue = 0;
    bool imdFresh = false;

    // weight 0..1: how much the symbol counts (a symbol deep in a fade, little).
    void updateQuality(cd q, double weight);
    // Locked, or the phase changes line up so clearly that the loops' frequency can be trusted
    // before the slower quality measure has caught up.
    bool tracking() const {
        const double presence =
            std::max(std::abs(fll2), mode == PskMode::Bpsk ? 0.0 : std::abs(fll4));
        return locked || (!carrierGone() && presence > 0.7);
    }
    bool carrierGone() const { return fading || dropped; }
    // How far AFC may take the channel. When searching, never further from the set frequency
    // than the search range (or the AFC limit, if larger): a neighbour beyond it is not ours.
    void afcWindow(double& lo, double& hi) const {
        lo = fAnchor - afcLimit;
        hi = fAnchor + afcLimit;
        if (searchRange > 0.0) {
            const double reach = std::max(searchRange, afcLimit);
            lo = std::max(lo, fSet - reach);
            hi = std::min(hi, fSet + reach);
        }
    }
    void setNco(double hz) {
        ncoFreq = std::clamp(hz, 50.0, fs / 2.0 - 50.0);
        const double w = kTwoPi * ncoFreq / fs;
        ncoStep = {static_cast<float>(std::cos(w)), static_cast<float>(-std::sin(w))};
    }
    void moveNco(double deltaHz);
    void watchNeighbours();
    void returnHome();
    void retune(double hz);
    void resetLoops();
    void resetAll();
    void coarseTune();
    void checkCentred();
    bool search();
    void jump(std::vector<uint8_t>& out);
    void feed(float x, std::vector<uint8_t>& out);
    void innerSample(cf b, std::vector<uint8_t>& out);
    cf interpolate(double t) const;
    void timingError();
    void watchCarrier(double p, std::vector<uint8_t>& out);
    void clearQuality();
    void noteArrival();
    void restartQuality();
    void symbol(cf y, std::vector<uint8_t>& out);
    bool signalEvidence(int span) const;
    // How long after a signal's return its own decisions come out, and a preamble would show.
    long judgeSymbols() const {
        return (mode == PskMode::Bpsk ? detector.lookahead() + 2 : viterbi.depth()) +
               sequence.delay() + 20;
    }
    Gate gateNow() const;
    // Passes the newest bit (llr: its log-likelihood ratio) to the sequence decision, and what
    // that decides, with the gate kept when it was on the air, to bit().
    void decide(double llr, std::vector<uint8_t>& out);
    void bit(int b, const Gate& g, std::vector<uint8_t>& out);
    void imdCheck();
};

PskReceiver::Impl::Impl(double rate)
    : fs(std::clamp(rate, 8000.0, 192000.0)),
      decim(std::max(1, static_cast<int>(std::lround(fs / kInnerRate)))), fd(fs / decim),
      sps(fd / kPskBaud), centre(fd) {
    // Flat to about 70 Hz, at least 70 dB down from fd - 70 Hz on.
    decimator.init(kaiserLowpass(6 * decim, fd / 2.0, fs, 7.0), decim);
    // Matched to the transmitted pulse: a raised cosine two symbols long.
    matched.init(raisedCosine(std::max(4, static_cast<int>(std::lround(2.0 * sps)))), 1);
    narrow.init(raisedCosine(std::max(4, static_cast<int>(std::lround(kNarrowSymbols * sps)))), 1);
    narrowDelay = 0.5 * static_cast<double>(narrow.length() - matched.length());
    history.assign(static_cast<size_t>(std::lround(kReplaySeconds * fs)), 0.0f);
    setNco(fSet);
    resetAll();
}

void PskReceiver::Impl::resetLoops() {
    timingAcc = {0.0, 0.0};
    tNext = static_cast<double>(nAbs) + sps;
    symbolCount = 0;
    levelRing.fill(0.0f);
    ncoRing.fill(0.0);
    timingCount = 0;
    phase = 0.0;
    nu = 0.0;
    fll2 = fll4 = {0.0, 0.0};
    fourth.reset();
    centre.reset();
    centred = false;
    coarseHold = 0;
    coarseVotes = 0;
    searchArmed = searchRange > 0.0;
    searchHold = 0;
    searchVotes = 0;
    jumpPending = false;
    ampCount = 0;
    detector.reset();
    viterbi.reset();
    predictorChoice.reset();
    bankSnrDb = -1e9;
    reencoder.reset();
    sequence.reset();
    varicode.reset();
    inCode = false;
    acquiring = true;
    unlockedSymbols = 0;
    clearQuality();
    fading = dropped = false;
    heldCount = 0;
    judgeUntil = -1;
    lastDrop = -1;
    lastLock = -1;
    pFast = 0.0;
    decisionCount = 0;
    zeroRun = hardZeroRun = 0;
    imdSinceReading = 0;
}

void PskReceiver::Impl::resetAll() {
    decimator.reset();
    matched.reset();
    narrow.reset();
    useNarrow = false;
    neighbourFrames = 0;
    hist.fill(cf{});
    imdRing.fill(cf{});
    amp = pOn = noisePow = noisePll = noiseDiff = pSlow = 0.0;
    noiseCount = 0;
    vectors.fill(cf{});
    raws.fill(cf{});
    syncs.fill(0.0f);
    imdFresh = false;
    resetLoops();
}

// A BPSK neighbour centred 20 to 45 Hz from ours, seen in two frames running, switches to the
// narrower filter; two seconds without one switches back. The sampling instants move with the
// filter's delay.
void PskReceiver::Impl::watchNeighbours() {
    bool near = false;
    if (mode == PskMode::Bpsk && locked) {
        const double here = nu * kPskBaud / kTwoPi;
        near = centre.signalAt(here + 32.5, 12.5, true) || centre.signalAt(here - 32.5, 12.5, true);
    }
    neighbourFrames = near ? std::min(std::max(neighbourFrames, 0) + 1, 100)
                           : std::max(std::min(neighbourFrames, 0) - 1, -100);
    const bool want =
        mode == PskMode::Bpsk && (useNarrow ? neighbourFrames > -8 : neighbourFrames >= 2);
    if (want == useNarrow) return;
    useNarrow = want;
    tNext += want ? narrowDelay : -narrowDelay;
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

void PskReceiver::Impl::returnHome() {
    const double home = ncoRing[static_cast<size_t>(symbolCount % 64)]; // two seconds ago
    // (Only to where there was a lock: one won since may have pulled in from there.)
    if (home <= 0.0 || std::fabs(home - ncoFreq) <= 2.0) return;
    moveNco(home - ncoFreq);
    nu = 0.0;
    centre.reset();
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
    if (searchHold > 0) --searchHold;
    if (coarseHold > 0) {
        --coarseHold;
        return;
    }
    if (acquiring && searchArmed && !replaying && searchHold == 0 && search()) return;
    if (afcLimit <= 0.0) return;
    // In lock, a look every other frame is plenty.
    if (!acquiring && (centre.frames() < 12 || centre.frames() % 2 != 0)) return;
    double winLo = 0.0, winHi = 0.0;
    afcWindow(winLo, winHi);
    const double reach = std::min(afcLimit, 30.0);
    const double lo = std::max(-reach, winLo - ncoFreq);
    const double hi = std::min(reach, winHi - ncoFreq);
    double c = 0.0;
    if (!centre.find(lo, hi, !acquiring, mode == PskMode::Bpsk, c)) {
        coarseVotes = 0;
        return;
    }
    // A signal nearer where the loops are is ours, however much stronger the other one is; and
    // one centred where they are holds them (two equal neighbours look centred half-way).
    double nearest = 0.0;
    const double here = nu * kPskBaud / kTwoPi;
    if (centre.findNearest(lo, hi, here, mode == PskMode::Bpsk, nearest)) c = nearest;
    const bool bpsk = mode == PskMode::Bpsk;
    const bool searching = acquiring && !locked;
    // QPSK's spectrum gives its centre to a couple of hertz only, too coarse for the symbol
    // loops (whose fourth power cannot tell offsets 7.8 Hz apart) and too broad to say whether
    // the loops sit on it. The fourth power of two seconds of symbols is exact modulo 7.8 Hz
    // (and a line there says the loops' offset is wrong however the spectrum looks): the
    // spectrum picks which of those offsets it is.
    const double spacing = kPskBaud / (bpsk ? 2.0 : 4.0);
    bool precise = false;
    bool loopsOnIt = true;
    double f4 = 0.0, prominence = 0.0;
    if (!bpsk && searching && fourth.estimate(f4, prominence) && prominence > kProminent) {
        f4 -= ncoFreq - fSet;
        const double fine = f4 + spacing * std::round((c - f4) / spacing);
        if (std::fabs(fine - c) < 3.0) {
            c = fine;
            precise = true;
            const double apart = here - f4;
            loopsOnIt = std::fabs(apart - spacing * std::round(apart / spacing)) < 1.0;
        }
    }
    // (Nor while the phase changes line up where the loops are: a neighbour's spectrum can put
    // a peak anywhere.)
    const bool linedUp = std::max(std::abs(fll2), std::abs(fll4)) > kLoopsHere;
    if (std::fabs(c - here) > 3.0 && loopsOnIt &&
        (centre.signalAt(here, 3.0, bpsk) || (linedUp && std::fabs(c - here) > kHereHz))) {
        coarseVotes = 0;
        return;
    }
    const double residual = c - nu * kPskBaud / kTwoPi;
    // Acquiring, more than 2 Hz (2.5 for the less precise QPSK estimate) is corrected at once:
    // the symbol loops would take seconds to pull that far, or settle on a blind spot. Locked,
    // only an error near a blind spot is a false lock: 15.6 Hz (180 degrees per symbol) for
    // BPSK, 7.8 Hz for QPSK. (A second of text can put the centre a few hertz off, which must
    // not move a channel that is decoding, however recently it locked.)
    const double threshold = searching ? (bpsk ? 2.0 : (precise ? 1.5 : 2.5)) : (bpsk ? 10.0 : 4.0);
    // In lock, only a blind spot is corrected: a neighbour's spectrum can put the centre
    // anywhere else.
    const double offSpot = std::fabs(residual - spacing * std::round(residual / spacing));
    // (A loop holds on a blind spot next to the signal, not two away: a larger jump is a
    // neighbour's spectrum pulling the estimate.)
    const bool nextSpot = std::fabs(std::round(residual / spacing)) == 1.0;
    // QPSK decoded in lock is on no blind spot: there every phase change would come out turned
    // and the decisions would not re-encode to what was received. (A neighbour's spectrum can
    // put the centre near one.)
    const bool provenQpsk = !bpsk && locked;
    if (std::fabs(residual) <= threshold || provenQpsk ||
        (!searching && (offSpot > 2.0 || !nextSpot))) {
        coarseVotes = 0;
        return;
    }
    // Only a finding that repeats is acted on (twice while acquiring, three times in lock): a
    // single estimate can be thrown off, for instance by a signal just starting.
    coarseVotes = (coarseVotes > 0 && std::fabs(c - lastCoarse) < 1.5) ? coarseVotes + 1 : 1;
    lastCoarse = c;
    if (coarseVotes < (searching ? 2 : 3)) return;
    coarseVotes = 0;
    if (precise && !replaying) {
        // Known to a fraction of a hertz at last: decoded afresh from there, the seconds
        // spent finding it cost no text. (The AFC limits still count from where they did.)
        jumpPending = true;
        jumpTarget = std::clamp(ncoFreq + c, winLo, winHi);
        jumpKeepsAnchor = true;
        return;
    }
    moveNco(c);
    nu = 0.0;
    centre.reset();
    coarseHold = 2;
}

// The search: the signal nearest the set frequency within the search range. One found where
// the channel is tuned is left to the AFC, and once the channel has locked onto it the search
// rests until ten seconds pass without a lock. One found elsewhere, twice running, is jumped
// to, and the input kept from the last seconds is decoded afresh there, so that nothing it sent
// before it was found is lost. Returns true when it has taken charge of this frame.
bool PskReceiver::Impl::search() {
    if (locked) {
        searchArmed = false;
        return false;
    }
    const double target = fSet - ncoFreq;
    double c = 0.0;
    if (!centre.findNearest(target - searchRange, target + searchRange, target,
                            mode == PskMode::Bpsk, c)) {
        searchVotes = 0;
        return false;
    }
    // A signal where the channel is tuned holds it, even when a neighbour's spectrum hides its
    // peak from the nearest-signal test, or puts one between the two (as two overs starting
    // together can): the loops then line up near the channel's frequency, far from what the
    // spectrum offers.
    const double loopsAt = nu * kPskBaud / kTwoPi;
    const bool loopsHere = std::max(std::abs(fll2), std::abs(fll4)) > kLoopsHere &&
                           std::fabs(loopsAt) <= 2.0 && std::fabs(c - loopsAt) > kHereHz;
    if (std::fabs(c) <= kHereHz || loopsHere ||
        centre.signalAt(0.0, kHereHz, mode == PskMode::Bpsk)) {
        searchVotes = 0;
        return false;
    }
    const double hz = ncoFreq + c;
    searchVotes = (searchVotes > 0 && std::fabs(hz - lastSearch) < 2.0) ? searchVotes + 1 : 1;
    lastSearch = hz;
    if (searchVotes >= 2) {
        jumpPending = true;
        jumpTarget = hz;
    }
    return true;
}

// The loops can lock onto the leakage of a strong signal outside the channel, aliased to look
// like one within it; the spectrum tells them apart, since only a signal of our own is centred
// where the loops are. Until it shows one there the squelch stays shut and AFC holds still.
void PskReceiver::Impl::checkCentred() {
    const double at = std::clamp(nu * kPskBaud / kTwoPi, -8.0, 8.0);
    centred = centre.frames() >= 2 && centre.signalAt(at, kHereHz, mode == PskMode::Bpsk);
}

void PskReceiver::Impl::jump(std::vector<uint8_t>& out) {
    jumpPending = false;
    setNco(jumpTarget);
    if (!jumpKeepsAnchor) fAnchor = ncoFreq;
    jumpKeepsAnchor = false;
    resetAll();
    replaying = true;
    const size_t size = history.size();
    size_t pos = (historyPos + size - historyFill) % size;
    for (size_t i = 0; i < historyFill; ++i) {
        feed(history[pos], out);
        pos = (pos + 1 == size) ? 0 : pos + 1;
    }
    replaying = false;
    // About three seconds for the loops to lock before looking again.
    searchHold = 12;
}

void PskReceiver::Impl::feed(float x, std::vector<uint8_t>& out) {
    const cf mixed = ncoPhasor * x;
    ncoPhasor *= ncoStep;
    if (++ncoRenorm >= 256) {
        ncoRenorm = 0;
        ncoPhasor /= std::abs(ncoPhasor);
    }
    cf b;
    if (decimator.push(mixed, b)) innerSample(b, out);
}

void PskReceiver::Impl::innerSample(cf b, std::vector<uint8_t>& out) {
    imdRing[static_cast<size_t>(imdPos)] = b;
    imdPos = (imdPos + 1) % kImdRing;
    if (centre.push(b)) {
        checkCentred();
        coarseTune();
        watchNeighbours();
    }

    cf m, mn;
    matched.push(b, m);
    narrow.push(b, mn);
    if (useNarrow) m = mn;
    hist[static_cast<size_t>(nAbs & (kHist - 1))] = m;
    ++nAbs;

    // Timing: the energy of the filtered signal peaks at symbol centres.
    const double clock = std::fmod(static_cast<double>(nAbs - 1) / sps, 1.0);
    const double tau = std::min(static_cast<double>(timingCount) + 2.0, 96.0) * sps;
    timingAcc += (std::polar(static_cast<double>(std::norm(m)), -kTwoPi * clock) - timingAcc) / tau;

    // Sample the symbol once the interpolator has the points it needs.
    while (tNext + 2.0 <= static_cast<double>(nAbs - 1)) {
        const double t = tNext;
        const cf y = interpolate(t);

        // Next sampling instant: one symbol on, nudged toward the energy peak.
        double next = t + sps;
        if (std::abs(timingAcc) > 0.0) {
            const double peak = std::fmod(-std::arg(timingAcc) / kTwoPi + 1.0, 1.0);
            double delta = peak - std::fmod(next / sps, 1.0);
            delta -= std::round(delta);
            next += std::clamp(delta * sps, -2.0, 2.0);
        }
        tNext = next;
        raws[static_cast<size_t>(rawPos)] = y;
        rawPos = (rawPos + 1) % 8;
        decisions[static_cast<size_t>(decisionPos)] = {t, toCd(y)};
        decisionPos = (decisionPos + 1) % kDecisions;
        if (++decisionCount >= kDecisions) timingError();
        // Each neighbour leaks a sixth of its amplitude into a symbol after the matched
        // filter; a three-tap equaliser takes it out (one symbol of delay).
        rawSym[0] = rawSym[1];
        rawSym[1] = rawSym[2];
        rawSym[2] = y;
        symbol(rawSym[1] - (rawSym[0] + rawSym[2]) / 6.0f, out);
    }
}

// The matched filter's output at inner sample time t (Catmull-Rom cubic through the history).
cf PskReceiver::Impl::interpolate(double t) const {
    const auto i1 = static_cast<long long>(std::floor(t));
    const float mu = static_cast<float>(t - static_cast<double>(i1));
    const cf p0 = hist[static_cast<size_t>((i1 - 1) & (kHist - 1))];
    const cf p1 = hist[static_cast<size_t>(i1 & (kHist - 1))];
    const cf p2 = hist[static_cast<size_t>((i1 + 1) & (kHist - 1))];
    const cf p3 = hist[static_cast<size_t>((i1 + 2) & (kHist - 1))];
    const cf a = -0.5f * p0 + 1.5f * p1 - 1.5f * p2 + 0.5f * p3;
    const cf bq = p0 - 2.5f * p1 + 2.0f * p2 - 0.5f * p3;
    const cf c = -0.5f * p0 + 0.5f * p2;
    return ((a * mu + bq) * mu + c) * mu + p1;
}

// The timing error of the pair of decisions two and three before the newest, from the output
// half-way between them. The filtered pulse g (transmit and matched filter, in symbols) has
// g(0.5) = 0.659, g(1) = 1/6, g(1.5) = 0.0075 and a slope of -1.118 at 0.5. With the sampling
// right, the midpoint is g(0.5) times the sum of the two symbols plus g(1.5) times that of their
// outer neighbours, each symbol taken clean of its neighbours' leakage (to second order);
// sampled late by x symbols, it moves on by 1.118 x times their difference. A pair without a
// phase change says nothing about timing, so each error is weighted by the size of the change
// (a reversal counts fully, a 90-degree step half).
void PskReceiver::Impl::timingError() {
    constexpr double kMid = 0.6592, kOuter = 0.0075, kSlope = 1.1182;
    std::array<cd, kDecisions> y{};
    for (int i = 0; i < kDecisions; ++i)
        y[static_cast<size_t>(i)] =
            decisions[static_cast<size_t>((decisionPos + i) % kDecisions)].y; // oldest first
    auto clean2 = [&](size_t k) {
        return y[k] * (1.0 + 2.0 / 36.0) - (y[k - 1] + y[k + 1]) / 6.0 +
               (y[k - 2] + y[k + 2]) / 36.0;
    };
    auto clean1 = [&](size_t k) { return y[k] - (y[k - 1] + y[k + 1]) / 6.0; };
    const cd s1 = clean2(2), s2 = clean2(3);
    const double t1 = decisions[static_cast<size_t>((decisionPos + 2) % kDecisions)].t;
    const double t2 = decisions[static_cast<size_t>((decisionPos + 3) % kDecisions)].t;
    const cd mid = toCd(interpolate(0.5 * (t1 + t2)));
    const cd expected = kMid * (s1 + s2) + kOuter * (clean1(1) + clean1(4));
    const cd change = s2 - s1;
    const double size = std::norm(change);
    float err = 0.0f;
    if (size > 0.0 && pOn > 0.0) {
        const double x = (std::conj(change) * (mid - expected)).real() / size / kSlope;
        const double weight = std::min(1.0, size / (4.0 * pOn));
        err = static_cast<float>(std::clamp(x, -0.5, 0.5) * weight);
    }
    syncs[static_cast<size_t>(syncPos)] = err;
    syncPos = (syncPos + 1) % 16;
}

// The end of a transmission: the carrier falls to the noise within a symbol or two. A sudden
// loss of power while locked holds back the characters being decoded. If the power then stays
// at the noise the carrier is gone: those characters (noise) are dropped, the loops freeze,
// and the squelch shuts and must be earned afresh, so nothing that follows the
// transmission passes it. A fade that recovers costs nothing. The threshold sits between the
// noise (measured across the decision axes) and the signal; below kEndAbove the two cannot be
// told apart, and the squelch's quality measure has to notice instead.
void PskReceiver::Impl::watchCarrier(double p, std::vector<uint8_t>& out) {
    pFast += 0.5 * (p - pFast);
    lowRing[static_cast<size_t>(lowPos)] = p;
    lowPos = (lowPos + 1) % static_cast<int>(lowRing.size());
    // The end is judged just above the noise, not at a fraction of the signal: a fade or a QSB
    // dip that leaves the signal well above the noise is not the end of a transmission.
    const double signal = pOn - noisePow;
    const double margin = std::max(std::min(signal, 5.0 * noisePow), 1e-5 * signal);
    const double low = noisePow + 0.5 * margin;
    const double back = noisePow + 0.3 * signal; // the entry level: recovered
    if (dropped) {
        // Until the carrier is back, or for a second, after which a weaker signal starting
        // here is measured afresh.
        if (pFast > back) {
            dropped = false;
        } else if (++droppedSymbols > 32) {
            dropped = false;
            ampCount = 0;
        }
        return;
    }
    if (fading) {
        ++fadeSymbols;
        // The average of the last eight symbols: a fade reaches the noise only for moments, a
        // transmission that has ended stays there.
        double recent = 0.0;
        for (double v : lowRing)
            recent += v / static_cast<double>(lowRing.size());
        atNoiseRun = recent < low ? atNoiseRun + 1 : 0;
        atNoisePower = atNoiseRun > 0 ? atNoisePower + p : 0.0;
        // A second at the noise: what was held is noise and is never printed (with the squelch
        // open, unless the decisions after the return show the over going on). But where the
        // power over that time still stands clearly above the noise's, it is a deep fade near
        // the noise (one lasts a second or more there, and what was decoded through it is
        // mostly right): two seconds then. The decoder and the loops are reset only after
        // three (starting afresh costs more text than the fade).
        // (Only with the squelch open: the noise estimate runs low near the noise, so an
        // ending can pass for such a fade, and a squelch is asked to print no noise.)
        const bool faded = sqThreshold == 0 && atNoisePower > kFadedAbove * noisePow * atNoiseRun;
        if (atNoiseRun >= (faded ? 64 : 32)) quiet = true;
        // (With the squelch open a fade is judged when the signal is back.)
        if (quiet && sqThreshold > 0) heldCount = 0;
        if (atNoiseRun >= 96) {
            fading = false;
            lastDrop = symbolCount;
            dropped = true;
            droppedSymbols = 0;
            closedSymbols = 32; // (no "shut a moment ago" for what follows)
            heldCount = 0;
            judgeUntil = -1;
            varicode.reset();
            inCode = false;
            zeroRun = hardZeroRun = 0;
            viterbi.reset();
            sequence.reset();
            reencoder.reset();
            clearQuality();
            open = false;
            return;
        }
        // Back up, or down for a while but clearly above the noise: what was held is printed
        // (a long dip is held and printed in steps, as it goes on).
        const bool back_ = pFast > back;
        if (back_ || (fadeSymbols > 16 && recent > noisePow + 1.5 * margin)) {
            if (quiet && sqThreshold == 0) {
                // Not printed yet: a fade within the over, or the gap before the next?
                judgeUntil = symbolCount + judgeSymbols();
                fading = false;
                quiet = false;
                return;
            }
            if (quiet) {
                // Back after a second or more at the noise: whatever the decoders hold is
                // noise (a new transmission starts with its preamble).
                varicode.reset();
                inCode = false;
                zeroRun = hardZeroRun = 0;
                viterbi.reset();
                sequence.reset();
                reencoder.reset();
                detector.reset();
                quiet = false;
            }
            open = level >= sqThreshold;
            if (judgeUntil >= 0) {
                // Still to be judged, now by what follows this fade: an over's end can look
                // like a return (a neighbour's leakage), and the next fade follow at once.
                judgeUntil = std::max(judgeUntil, symbolCount + judgeSymbols());
            } else {
                for (size_t i = 0; i < heldCount; ++i)
                    if (open) out.push_back(held[i]);
                heldCount = 0;
            }
            if (back_) {
                fading = false;
            } else {
                fadeSymbols = 1;
                open = false;
            }
        }
        return;
    }
    // Characters are held from the first sudden loss of power (which may be the carrier's
    // ramp down); whether it was the end is decided at the noise.
    if (locked && ampCount >= 16 && noiseCount >= 16 && signal > kEndAbove * noisePow &&
        pFast < back) {
        fading = true;
        fadeSymbols = 1;
        atNoiseRun = 0;
        quiet = false;
        if (judgeUntil < 0) heldCount = 0; // (what waits for judgement goes on waiting)
        open = false;
    }
}

// A signal arriving (its preamble's reversals line up) restarts the symbol timing, and the
// quality averages with a short window that grows to the squelch time, so that the squelch opens
// within the preamble whatever its speed and whatever noise came before. QPSK's quality only
// speaks for the new signal once the decoder's output and its re-encoding have caught up with
// it (the decoder's depth and the code's memory later); it then starts again from the value
// noise gives.
void PskReceiver::Impl::noteArrival() {
    const bool qpsk = mode != PskMode::Bpsk;
    const double presence = std::max(std::abs(fll2), qpsk ? std::abs(fll4) : 0.0);
    const bool was = present;
    present = presence > 0.7 || (present && presence > 0.5);
    if (present && !was) presentSince = symbolCount;
    if (!present || was || locked || carrierGone()) return;
    timingCount = 0;
    if (qpsk)
        restartAt = symbolCount + viterbi.depth() + 10;
    else
        restartQuality();
}

void PskReceiver::Impl::restartQuality() {
    restartAt = -1;
    qualityCount = 0.0;
    if (mode != PskMode::Bpsk) {
        quality = std::max(quality.real(), 0.65);
        lockQuality = std::max(lockQuality.real(), 0.65);
    }
}

void PskReceiver::Impl::clearQuality() {
    // QPSK quality is a match rate whose noise value is about 0.65.
    quality = lockQuality = (mode == PskMode::Bpsk) ? cd{0.0, 0.0} : cd{0.65, 0.0};
    qualityCount = 0.0;
    present = false;
    restartAt = -1;
    level = 0.0;
    locked = false;
    open = sqThreshold == 0;
}

void PskReceiver::Impl::symbol(cf yIn, std::vector<uint8_t>& out) {
    levelRing[static_cast<size_t>(symbolCount % 64)] = static_cast<float>(level);
    ncoRing[static_cast<size_t>(symbolCount % 64)] = locked ? ncoFreq : 0.0;
    ++symbolCount;
    ++timingCount;
    const cd y(yIn.real(), yIn.imag());
    const double ay = std::abs(y);
    if (mode != PskMode::Bpsk) {
        fixedPhase = wrapPi(fixedPhase + kTwoPi * (ncoFreq - fSet) / kPskBaud);
        fourth.process(y * std::polar(1.0, fixedPhase));
    }
    watchCarrier(ay * ay, out);
    if (judgeUntil >= 0 && !fading && symbolCount >= judgeUntil) {
        // The over went on: what was held through the fade is its text.
        for (size_t i = 0; i < heldCount; ++i)
            out.push_back(held[i]);
        heldCount = 0;
        judgeUntil = -1;
    }
    if (!carrierGone()) {
        const double w = 1.0 / std::min(static_cast<double>(++ampCount), 16.0);
        amp += w * (ay - amp);
        pOn += w * (ay * ay - pOn);
        pSlow += (ay * ay - pSlow) / std::min(static_cast<double>(ampCount), 128.0);
    }
    const double norm = amp > 1e-20 ? 1.0 / amp : 0.0;
    // How much this symbol says about the carrier: in a fade, less than its noise would pretend.
    // (Until lock the loops pull in at full speed.)
    const double weight = locked && pOn > 0.0 ? std::min(1.0, ay * ay / pOn) : 1.0;

    const bool qpsk = mode != PskMode::Bpsk;
    const int order = qpsk ? 4 : 2;

    // Carrier phase loop on the symbols (modulation removed by the M-th power).
    const cd z = y * std::polar(1.0, -phase);
    const double err = ay > 0.0 ? std::arg(std::pow(z / ay, order)) / order : 0.0;
    if (locked && !carrierGone()) {
        const double across = ay * std::sin(err);
        noisePll += (2.0 * across * across - noisePll) / std::min(++noiseCount, 32);
    }
    // QPSK's fourth power leaves only +/- 45 degrees of room, so its loop is wider: a drift of
    // 0.5 Hz/s then costs about 0.16 rad of steady phase error instead of 0.32.
    const double kKp = qpsk ? 0.2 : 0.14, kKi = qpsk ? 0.02 : 0.01;
    // The loops hold still once the carrier is gone (in a fade they go on, weighted).
    if (!dropped) {
        phase = wrapPi(phase + nu + kKp * weight * err);
        nu += kKi * weight * err;
    }

    smoothPhase = wrapPi(smoothPhase + nu);
    // Differential product of successive symbols.
    const cd dRaw = y * std::conj(cd(prevY.real(), prevY.imag()));
    prevY = yIn;

    // Frequency assist: the phase change between symbols with the modulation removed. Idle
    // reversals (also the start of every QPSK transmission) allow the square, which has twice
    // the range of the fourth power.
    if (std::abs(dRaw) > 0.0 && !dropped) {
        const cd u = dRaw / std::abs(dRaw);
        fll2 += weight * (u * u - fll2) / 8.0;
        fll4 += weight * (u * u * u * u - fll4) / 8.0;
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
    noteArrival();
    nu = std::clamp(nu, -1.5, 1.5);
    const cd diff = dRaw * std::polar(1.0, -nu);
    if (locked && !carrierGone() && noiseCount > 0) {
        const double e = std::arg(std::pow(diff, order)) / order;
        const double across = ay * std::sin(e);
        noiseDiff += (across * across - noiseDiff) / std::min(noiseCount, 32);
        // Near the noise the wrapped phase understates it: the loop's measure alone then.
        noisePow = noiseDiff * 10.0 > pOn ? noisePll : std::min(noisePll, noiseDiff);
    }

    // Vector display: phase change, 1 = the average amplitude.
    {
        const double ang = std::arg(diff);
        const double r = std::min(1.0, ay * norm);
        vectors[static_cast<size_t>(vectorPos)] = {static_cast<float>(r * std::sin(ang)),
                                                   static_cast<float>(-r * std::cos(ang))};
        vectorPos = (vectorPos + 1) % 8;
    }

    if (!qpsk) {
        // A sign change is a 0.
        double soft = 0.0;
        // (Kept before this symbol's decision: a gate's zeros are those before its bit.)
        gates[static_cast<size_t>(symbolCount % kGates)] = gateNow();
        if (detector.process(z, soft)) {
            hardZeroRun = soft >= 0.0 ? 0 : hardZeroRun + 1;
            // The detector's soft value is the differential product, whose noise is about
            // the symbol noise times the signal: 2 soft / noise is the log-likelihood ratio.
            // The noise as measured across the decision axes; for the first seconds of a
            // lock, while that measure still carries the pull-in, the amplitude's spread if
            // smaller. (Until both have a few dozen symbols, the hard decision.)
            const double an = detector.amplitudeNoise();
            const double pn = noiseCount >= 32 ? noisePow : 0.0;
            const double noise =
                noiseCount >= 128 || pn <= 0.0 || an <= 0.0 ? pn : std::min(pn, an);
            decide(noise > 0.0 ? std::clamp(2.0 * soft / noise, -kLlrMax, kLlrMax)
                               : (soft >= 0.0 ? kLlrMax : -kLlrMax),
                   out);
        }
        // Quality: how tightly the phase change sits on the two points.
        if (std::abs(diff) > 0.0 && !carrierGone()) {
            const cd u = diff / std::abs(diff);
            updateQuality(u * u, weight);
        }
    } else {
        // Soft metrics for each coded pair: correlation of the phase change with
        // 180 + 90 * pair degrees (mirrored for LSB).
        // Scaled by the long-term power, not the recent one, so that symbols in a fade weigh
        // as little as they are worth.
        const double scale = pSlow > 1e-30 ? 1.0 / pSlow : norm * norm;
        static const cd kRot[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        int hard = 0;
        double bestMetric = 0.0;
        for (int p = 0; p < 4; ++p) {
            const cd rot = mode == PskMode::QpskLsb ? std::conj(kRot[p]) : kRot[p];
            const double metric = (diff * std::conj(rot)).real();
            if (p == 0 || metric > bestMetric) {
                bestMetric = metric;
                hard = p;
            }
        }
        const int depth = viterbi.depth();
        hardPairs[static_cast<size_t>(symbolCount % depth)] = static_cast<uint8_t>(hard);
        viterbi.setLsb(mode == PskMode::QpskLsb);
        // The phase reference: the previous symbol until locked (the frequency is not yet
        // right), then a prediction for the signal's long-term SNR and the fading rate that
        // best predicted the symbols as decided.
        std::vector<double> predictor{1.0};
        if (locked && noisePow > 0.0 && pSlow > noisePow) {
            const double snr = (pSlow - noisePow) / noisePow;
            const double snrDb = 10.0 * std::log10(snr);
            if (std::fabs(snrDb - bankSnrDb) > 0.5) {
                bankSnrDb = snrDb;
                std::vector<std::vector<double>> bank{{1.0}};
                for (double hz : kPredictorDopplerHz)
                    bank.push_back(fadingPredictor(snr, kPredictorTaps, hz, kPskBaud,
                                                   std::pow(10.0, kPredictorFloorDb / 10.0)));
                predictorChoice.setCandidates(std::move(bank));
            }
            predictor = predictorChoice.chosen();
            const double w = std::clamp((kPredictorAboveDb - snrDb) / 6.0, 0.0, 1.0);
            for (double& c : predictor)
                c *= w;
            predictor[0] += 1.0 - w;
        }
        viterbi.setPredictor(predictor);
        // The symbols turned by the loop's frequency only: its phase steps would jitter the
        // reference.
        double sure = 0.0;
        const int b = viterbi.push(y * std::polar(1.0, -smoothPhase), scale, &sure);
        if (locked && !carrierGone())
            predictorChoice.observe(viterbi.bestHistory().data(), kPredictorTaps + 1);
        gates[static_cast<size_t>(symbolCount % kGates)] = gateNow();
        if (b >= 0) {
            hardZeroRun = b ? 0 : hardZeroRun + 1;
            // The decoder's margin is in units of the long-term symbol power; over the noise
            // it is a log-likelihood ratio, overstated (only the paths that survived to merge
            // count), hence the scale.
            const double pn = noiseCount >= 32 ? noisePow : 0.0;
            const double llr =
                pn > 0.0 ? std::min(kQpskLlrScale * sure * pSlow / pn, kLlrMax) : kLlrMax;
            decide(b ? llr : -llr, out);
            // Quality: re-encode the decision and compare with the pair received then. A clean
            // signal always matches; on noise the decoder's best path still matches about 65 %
            // of the time.
            const int expected = reencoder.push(b);
            const int then = hardPairs[static_cast<size_t>((symbolCount - depth + 1) % depth)];
            if (symbolCount == restartAt) restartQuality();
            if (!carrierGone()) updateQuality(expected == then ? 1.0 : 0.0, weight);
        }
    }

    // Fine AFC: hand the loop's frequency over to the mixer while a signal is there.
    if (afcLimit > 0.0 && tracking() && centred && !carrierGone()) {
        const double hz = 0.1 * nu * kPskBaud / kTwoPi;
        double lo = 0.0, hi = 0.0;
        afcWindow(lo, hi);
        const double target = std::clamp(ncoFreq + hz, lo, hi);
        if (target != ncoFreq) moveNco(target - ncoFreq);
    }
}

void PskReceiver::Impl::updateQuality(cd q, double weight) {
    // The QPSK measure fluctuates more on noise, so it is averaged twice as long.
    const bool qpsk = mode != PskMode::Bpsk;
    const double slower = qpsk ? 2.0 : 1.0;
    // A growing window at first, so that a signal opens the squelch within its preamble.
    qualityCount += weight;
    quality += weight * (q - quality) / std::min(qualityCount + 8.0, sqTau * slower);
    lockQuality += weight * (q - lockQuality) / std::min(qualityCount + 8.0, 16.0 * slower);
    auto scale = [&](cd v) {
        return qpsk ? std::clamp((v.real() - 0.65) / 0.35, 0.0, 1.0) : std::abs(v);
    };
    const double lq = scale(lockQuality);
    const double sq = scale(quality);
    // A lock needs the spectrum to agree that the signal is ours (not a neighbour's leakage).
    if (lq >= 0.45 && (locked || centred)) {
        locked = true;
        // The coarse check stays on for the first seconds after tuning: a lock that early may
        // be a false one on a signal that was far off.
        if (symbolCount > 80) acquiring = false;
        unlockedSymbols = 0;
        lastLock = symbolCount;
    } else if (lq < 0.3) {
        if (locked) returnHome();
        locked = false;
    }
    // After ten seconds without a signal, look afresh.
    if (!locked && ++unlockedSymbols > 320) {
        acquiring = true;
        searchArmed = searchRange > 0.0;
    }
    level = std::clamp(99.0 * sq, 0.0, 99.0);
    open = level >= sqThreshold && !carrierGone() && (open || centred || sqThreshold == 0);
}

// Whether the latest decisions come from a signal rather than noise, for an open squelch
// (threshold 0), which still prints nothing begun on what is plainly noise. (Within seconds of a
// drop a fade is likelier than an ending: that text counts.) Nor before phase changes that line
// up have reached the decisions (the detector's delay, and for QPSK the decoder's). span: over
// how many symbols the quality is averaged for that.
bool PskReceiver::Impl::signalEvidence(int span) const {
    if (sqThreshold > 0 || locked) return true;
    // QPSK's quality rises late, so any quality above that of noise will do there.
    const long delay = mode == PskMode::Bpsk ? 8 : viterbi.depth() + 8;
    const long n = std::clamp(static_cast<long>(span), 1L, 64 - delay);
    double then = 0.0;
    for (long k = 0; k < n; ++k)
        then += levelRing[static_cast<size_t>((symbolCount - delay - k + 640) % 64)] / n;
    // (Neither phase changes that line up nor a recent drop speak for a signal whose power
    // is at the noise: the loops hold their state from the last over.)
    const bool powered = pOn > (1.0 + kEndAbove) * noisePow;
    return then >= (mode == PskMode::Bpsk ? kNoiseLevel : 1.0) ||
           (powered && present && symbolCount - presentSince > delay) ||
           (powered && lastDrop >= 0 && symbolCount - lastDrop < 320);
}

PskReceiver::Impl::Gate PskReceiver::Impl::gateNow() const {
    Gate g;
    g.open = open;
    g.fading = fading;
    g.signal = signalEvidence(1);
    g.signalLong = signalEvidence(32);
    g.lockedLately = lastLock >= 0 && symbolCount - lastLock < 320;
    g.zeros = hardZeroRun;
    return g;
}

void PskReceiver::Impl::decide(double llr, std::vector<uint8_t>& out) {
    const int b = sequence.push(llr);
    if (b >= 0) {
        const long then = symbolCount - sequence.delay();
        bit(b, gates[static_cast<size_t>((then % kGates + kGates) % kGates)], out);
    }
}

void PskReceiver::Impl::bit(int b, const Gate& g, std::vector<uint8_t>& out) {
    uint8_t ch = 0;
    if (dropped) return;
    // A character counts only if the squelch was open when it began (or had shut only a moment
    // before: a weak signal's level flickers about the threshold), and on a BPSK signal that
    // has just arrived, open for a few symbols: while its carrier phase is still pulling in,
    // the phase changes can look clean before the decisions are, and a stray 1 in the preamble
    // would print as a space.
    if (g.open) {
        if (openSymbols == 0) fresh = closedSymbols >= 32;
        ++openSymbols;
        closedSymbols = 0;
    } else if (!g.fading) { // (a fade is no closing: what follows it is no fresh start)
        openSymbols = 0;
        ++closedSymbols;
    }
    if (b && !inCode) {
        inCode = true;
        const bool settled = mode != PskMode::Bpsk || !fresh || openSymbols > 4;
        // (The first character after a preamble's run of zeros, which noise hardly makes, is
        // the over's.)
        afterPreamble = g.zeros >= kPreambleZeros;
        const bool signal = g.signal || afterPreamble;
        codeOpen = g.open ? settled && signal : (g.fading || (closedSymbols < 32 && signal));
    }
    const bool done = varicode.push(b, ch);
    if (!b && zeroRun > 0) inCode = false; // the "00" gap
    // Noise's quality flickers above the noise level for a few symbols at a time, long enough
    // to begin a character (which the next preamble's reversals may end): with no lock for
    // seconds (before the first over, say), a character needs the quality of the last second
    // above the noise's as it ends. (Within seconds of a lock a deep fade is likelier than
    // noise; in a fade the hold decides.)
    if (done && codeOpen && !g.fading && !g.lockedLately && !afterPreamble && !g.signalLong)
        codeOpen = false;
    if (done && codeOpen) {
        // (The decisions lag the air: a character whose bits came before the power fell is
        // the signal's, whatever has happened since; a peer's carrier may stop soon after.
        // Unless others wait before it.)
        if (judgeUntil < 0 && !g.fading && heldCount == 0) {
            if (g.open) out.push_back(ch);
        } else if (fading || judgeUntil >= 0) {
            if (heldCount < held.size()) held[heldCount++] = ch;
            // (Judged at the latest when there is no more room.)
            if (heldCount == held.size() && judgeUntil >= 0) judgeUntil = symbolCount;
        } else if (open) { // begun in a fade that has passed
            out.push_back(ch);
        }
    }
    zeroRun = b ? 0 : zeroRun + 1;
    if (judgeUntil >= 0 && !b &&
        g.zeros + 1 >= kPreambleZeros) { // a preamble: what was held came from the gap
        heldCount = 0;
        judgeUntil = -1;
    }
    if (++imdSinceReading >= 8 && hardZeroRun >= 24) {
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
    if (d->afcLimit <= 0.0 || !(d->locked || (d->centred && d->tracking()))) return d->ncoFreq;
    double lo = 0.0, hi = 0.0;
    d->afcWindow(lo, hi);
    return std::clamp(d->ncoFreq + d->nu * kPskBaud / kTwoPi, lo, hi);
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
    d->open = d->level >= d->sqThreshold && !d->carrierGone();
}

void PskReceiver::process(size_t count, const float* in, std::vector<uint8_t>& out) {
    if (!in) return;
    Impl& s = *d;
    const size_t size = s.history.size();
    for (size_t i = 0; i < count; ++i) {
        float x = in[i];
        if (!std::isfinite(x)) x = 0.0f;
        s.history[s.historyPos] = x;
        s.historyPos = (s.historyPos + 1 == size) ? 0 : s.historyPos + 1;
        s.historyFill = std::min(s.historyFill + 1, size);
        s.feed(x, out);
        if (s.jumpPending) s.jump(out);
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

void PskReceiver::syncData(int32_t xy[16]) const {
    if (!xy) return;
    for (int i = 0; i < 16; ++i) {
        const float e = d->syncs[static_cast<size_t>((d->syncPos + i) % 16)];
        xy[i] = static_cast<int32_t>(std::lround(std::clamp(e * 2000.0f, -1000.0f, 1000.0f)));
    }
}

void PskReceiver::rawData(int32_t xy[16]) const {
    if (!xy) return;
    // Mixing halves the amplitude: a full-scale carrier gives 0.5 here.
    auto scale = [](float v) {
        return static_cast<int32_t>(std::lround(std::clamp(v * 65534.0f, -32767.0f, 32767.0f)));
    };
    for (int i = 0; i < 8; ++i) {
        const cf v = d->raws[static_cast<size_t>((d->rawPos + i) % 8)];
        xy[2 * i] = scale(v.real());
        xy[2 * i + 1] = scale(v.imag());
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
