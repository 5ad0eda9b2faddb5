#include "RttyDemod.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace dsp {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// log of the modified Bessel function I0 (Abramowitz & Stegun 9.8.1 and 9.8.2).
double logI0(double x) {
    if (x < 3.75) {
        const double t = (x / 3.75) * (x / 3.75);
        return std::log(
            1.0 + t * (3.5156229 +
                       t * (3.0899424 +
                            t * (1.2067492 + t * (0.2659732 + t * (0.0360768 + t * 0.0045813))))));
    }
    const double t = 3.75 / x;
    const double p =
        0.39894228 +
        t * (0.01328592 +
             t * (0.00225319 +
                  t * (-0.00157565 +
                       t * (0.00916281 +
                            t * (-0.02057706 +
                                 t * (0.02635537 + t * (-0.01647633 + t * 0.00392377)))))));
    return x - 0.5 * std::log(x) + std::log(p);
}

constexpr float kLlrClip = 30.0f;      // one sample may not decide a whole character's timing
constexpr double kFadeDeviation = 0.5; // relative power change taken as fading, not noise
constexpr double kTimingGain = 0.25;   // share of a character's own timing in the stream's
constexpr double kPeriodGain = 0.02;
constexpr float kPriorBonus = 15.0f;  // how much a frame on the stream's beat is preferred
constexpr double kPeakBits = 2.0;     // how fast the keyed tone's recent peak falls
constexpr double kOwnPeakBits = 4.0;  // how fast the idle tone's own last peak falls
constexpr double kLastingBits = 128;  // what counts as a lasting imbalance between the tones
constexpr double kTailFraction = 0.1; // squelched: characters 10 dB under the signal are noise
constexpr double kEqualDb = 1.0;      // an imbalance between the tones too small to act on
constexpr double kImbalanceDb = 3.0;  // and one weighed in full
constexpr int kPhaseBins = 64;        // of the character period, for the frame fit
constexpr double kFitChars = 12;      // how many characters the frame fit remembers
constexpr float kFitEvidence = 20.0f; // a fit this clear (of 3 kLlrClip) is a steady stream
constexpr float kFitMargin = 0.5f;    // and a frame this much worse is off the beat

} // namespace

void RttyDemod::Tone::tune(double hz, double fs) {
    step = std::polar(1.0, kTwoPi * hz / fs);
}

RttyDemod::RttyDemod(const RttyConfig& cfg, double sampleRate) : fs_(sampleRate) {
    configure(cfg);
}

void RttyDemod::configure(const RttyConfig& cfg) {
    const bool geometry = cfg.baud != cfg_.baud || hist_.empty();
    cfg_ = cfg;
    cfg_.baud = std::clamp(cfg_.baud, 10.0, 300.0);
    cfg_.squelch = std::clamp(cfg_.squelch, 0, 1000);
    cfg_.afcRangeHz = std::clamp(cfg_.afcRangeHz, 0.0, 300.0);
    baseMark_ = cfg_.markHz;
    baudot_.setUnshiftOnSpace(cfg_.unshiftOnSpace);
    if (geometry) {
        bitT_ = fs_ / cfg_.baud;
        n_ = std::max(8, static_cast<int>(std::lround(bitT_)));
        peakDecay_ = std::exp(-1.0 / (kPeakBits * n_));
        ownPeakDecay_ = std::exp(-1.0 / (kOwnPeakBits * n_));
        reset();
    }
    retune();
}

void RttyDemod::setUnshiftOnSpace(bool on) {
    cfg_.unshiftOnSpace = on;
    baudot_.setUnshiftOnSpace(on);
}

void RttyDemod::setTones(double markHz, double shiftHz) {
    cfg_.markHz = baseMark_ = markHz;
    cfg_.shiftHz = shiftHz;
    retune();
}

void RttyDemod::retune() {
    const double lo = cfg_.markHz, hi = cfg_.markHz + cfg_.shiftHz;
    mark_.tune(cfg_.reverse ? hi : lo, fs_);
    space_.tune(cfg_.reverse ? lo : hi, fs_);
    reversed_ = cfg_.reverse;
}

void RttyDemod::reset() {
    for (Tone* t : {&mark_, &space_}) {
        t->ring.assign(static_cast<size_t>(n_), {0.0f, 0.0f});
        t->sum = t->half = {0.0, 0.0};
        t->power = t->fast = t->slow = t->lasting = t->peak = 0;
    }
    pos_ = 0;
    noise_ = 1e-9;
    recentPeak_ = 0;
    hist_.assign(static_cast<size_t>(20 * n_), Sample{});
    histPos_ = 0;
    state_ = State::Hunt;
    armedRun_ = 0;
    baudot_.reset();
    win_ = lose_ = 0;
    level_ = 0;
    afcAcc_ = {0.0, 0.0};
    havePred_ = false;
    period_ = 7.5 * bitT_;
    frameFit_.assign(kPhaseBins, 0.0f);
    framePhase_ = 0;
    placed_ = false;
}

const RttyDemod::Sample& RttyDemod::at(long index) const {
    const long n = static_cast<long>(hist_.size());
    return hist_[static_cast<size_t>((index % n + n) % n)];
}

float RttyDemod::decision(float m2, float s2, double pm, double ps) const {
    if (!(pm > 0.0) || !(ps > 0.0)) return m2 - s2 > 0 ? 1.0f : -1.0f;
    // The tracked strengths disagree a little even when the tones are equal (noise, and the
    // two being refreshed in turn while the whole signal fades), and every such difference
    // tilts the decision. So an imbalance under kEqualDb counts as none, one over
    // kImbalanceDb in full. The strengths keep the noise in them: where a fade brings both
    // tones down to the noise, their ratio goes to one and the decision to that of equal tones.
    const double halfLog = 0.5 * std::log(pm / ps);
    const double db = 8.685889638 * std::fabs(halfLog); // 20 log10 of the amplitude ratio
    const double ratio =
        std::exp(halfLog * std::clamp((db - kEqualDb) / (kImbalanceDb - kEqualDb), 0.0, 1.0));
    pm = ps = std::sqrt(pm * ps);
    pm *= ratio;
    ps /= ratio;
    if (!cfg_.atc) pm = ps = std::max(pm, ps); // both tones taken as equally strong
    // Log-likelihood ratio of mark against space for two Rician envelopes with their own
    // amplitudes: a tone that fades only shifts the threshold, it does not flip decisions.
    const double llr = logI0(2.0 * std::sqrt(pm * m2) / noise_) -
                       logI0(2.0 * std::sqrt(ps * s2) / noise_) - (pm - ps) / noise_;
    return static_cast<float>(llr);
}

void RttyDemod::process(const float* in, size_t count, std::string& text) {
    if (cfg_.reverse != reversed_) retune();
    for (size_t i = 0; i < count; ++i)
        step(in[i], text);
}

void RttyDemod::step(float x, std::string& text) {
    const size_t half = static_cast<size_t>(n_ / 2);
    const size_t halfOld = (pos_ + static_cast<size_t>(n_) - half) % static_cast<size_t>(n_);
    float mag2[2];
    Sample& s = hist_[static_cast<size_t>(histPos_ % static_cast<long>(hist_.size()))];
    int k = 0;
    const double inv = 1.0 / n_;
    for (Tone* t : {&mark_, &space_}) {
        const std::complex<float> z(static_cast<float>(x * t->rot.real()),
                                    static_cast<float>(-x * t->rot.imag()));
        t->rot *= t->step;
        t->sum += std::complex<double>(z) - std::complex<double>(t->ring[pos_]);
        t->half += std::complex<double>(z) - std::complex<double>(t->ring[halfOld]);
        t->ring[pos_] = z;
        const std::complex<double> full = t->sum * inv;
        mag2[k] = static_cast<float>(std::norm(full));
        const std::complex<float> h2(t->half * inv), h1((t->sum - t->half) * inv);
        if (k == 0) {
            s.markH1 = h1;
            s.markH2 = h2;
            xyMark_ = static_cast<float>((full * t->rot).real());
        } else {
            s.spaceH1 = h1;
            s.spaceH2 = h2;
            xySpace_ = static_cast<float>((full * t->rot).real());
        }
        ++k;
    }
    pos_ = (pos_ + 1) % static_cast<size_t>(n_);
    if ((histPos_ & 1023) == 0) {
        for (Tone* t : {&mark_, &space_})
            t->rot /= std::abs(t->rot);
    }

    const float llr = decision(mag2[0], mag2[1], mark_.power, space_.power);
    s.llr = llr;
    s.markMag2 = mag2[0];
    s.spaceMag2 = mag2[1];

    // Track the keyed tone's power and the noise in the idle one.
    // Two views of the keyed tone's power: a slow one steady enough for white noise and a fast
    // one that follows selective fading; the fast one counts only as far as it has moved
    // clearly away from the slow one.
    const double aFast = 1.0 / (2.0 * n_), aSlow = 1.0 / (8.0 * n_), aNoise = 1.0 / (32.0 * n_);
    Tone& on = llr > 0 ? mark_ : space_;
    const float onMag2 = llr > 0 ? mag2[0] : mag2[1];
    const float offMag2 = llr > 0 ? mag2[1] : mag2[0];
    on.fast += aFast * (onMag2 - on.fast);
    on.slow += aSlow * (onMag2 - on.slow);
    const double dev = (on.fast - on.slow) / std::max(on.slow, 1e-12);
    const double w = std::min(1.0, (dev * dev) / (kFadeDeviation * kFadeDeviation));
    on.power = on.slow + w * (on.fast - on.slow);
    noise_ += aNoise * (offMag2 - noise_);
    noise_ = std::max(noise_, 1e-12);
    // A tone's estimate is only refreshed while that tone is judged keyed. When the whole
    // signal fades, the idle tone's estimate would stay high, pull every decision towards the
    // other tone and so never be refreshed (copy is lost for seconds after each fade). So the
    // idle tone's estimate may not stay above what it showed itself over the last bits, or
    // what the keyed tone shows now times the lasting imbalance between the two.
    on.lasting += (1.0 / (kLastingBits * n_)) * (onMag2 - on.lasting);
    recentPeak_ = std::max(recentPeak_ * peakDecay_, double(onMag2));
    on.peak = std::max(on.peak * ownPeakDecay_, double(onMag2));
    Tone& off = llr > 0 ? space_ : mark_;
    off.peak *= ownPeakDecay_;
    const double imbalance = std::max(1.0, off.lasting / std::max(on.lasting, 1e-12));
    const double cap = std::max(off.peak, recentPeak_ * imbalance);
    off.power = std::min(off.power, cap);
    off.fast = std::min(off.fast, cap);
    off.slow = std::min(off.slow, cap);
    updateLevel(mag2[0], mag2[1]);

    s.phase = static_cast<float>(framePhase_);
    framePhase_ += 1.0 / period_;
    if (framePhase_ >= 1.0) framePhase_ -= 1.0;
    const long t = histPos_++;
    scoreFramePhase(t);
    switch (state_) {
    case State::Hunt:
        armedRun_ = 0;
        if (llr > 0) state_ = State::Armed;
        break;
    case State::Armed:
        if (llr > 0) {
            ++armedRun_;
        } else if (armedRun_ >= n_ / 4) {
            crossAt_ = t;
            levelAtCross_ = level_;
            spaceRun_ = 0;
            state_ = State::Start;
        } else {
            armedRun_ = 0;
        }
        break;
    case State::Start:
        // A start bit holds the space for the half bit after the crossing (most of it: the
        // crossing itself may be found late), a noise dip in the stop bit does not.
        if (llr < 0) ++spaceRun_;
        if (t == crossAt_ + n_ / 2) {
            if (spaceRun_ * 5 >= (n_ / 2) * 3) {
                state_ = State::Frame;
                // Wait for the whole character at the later of the two places it may start.
                frameEnd_ = crossAt_ + n_ + std::lround(6.0 * bitT_);
                if (havePred_ && std::labs(pred_ - crossAt_) < 2 * n_)
                    frameEnd_ = std::max(frameEnd_, pred_ + n_ / 5 + std::lround(6.0 * bitT_));
            } else {
                state_ = State::Armed; // still in the mark: a noise dip, keep waiting
                armedRun_ = n_ / 4;
            }
        }
        break;
    case State::Frame:
        if (t == frameEnd_) endCharacter(text);
        break;
    }
}

void RttyDemod::scoreFramePhase(long t) {
    const long bit = std::lround(bitT_), six = std::lround(6 * bitT_);
    const long u = t - six; // a start bit whose own stop bit is in now
    if (u - bit < 0) return;
    auto clip = [](float v) { return std::clamp(v, -kLlrClip, kLlrClip); };
    const float fit = clip(at(u - bit).llr) - clip(at(u).llr) + clip(at(t).llr);
    const int b = std::min(kPhaseBins - 1, static_cast<int>(at(u).phase * kPhaseBins));
    frameFit_[static_cast<size_t>(b)] += static_cast<float>(kPhaseBins / (kFitChars * period_)) *
                                         (fit - frameFit_[static_cast<size_t>(b)]);
}

// In a steady stream, noise can put the framing on a data transition, and the next characters
// follow it there. The frame fit over the last characters knows where the start bits are: a
// frame far from where they clearly are is moved there. Returns false when the frame belongs
// to a character not yet complete (best is then its start).
bool RttyDemod::reframe(long& best) {
    const auto top = std::max_element(frameFit_.begin(), frameFit_.end());
    const float fitTop = *top;
    const int bTop = static_cast<int>(top - frameFit_.begin());
    const double ph = at(best).phase;
    const int bHere = std::min(kPhaseBins - 1, static_cast<int>(ph * kPhaseBins));
    const float fitHere = frameFit_[static_cast<size_t>(bHere)];
    double move = (bTop + 0.5) / kPhaseBins - ph;
    move -= std::round(move);
    const long shift = std::lround(move * period_);
    if (std::labs(shift) <= n_ / 2 || fitTop < kFitEvidence ||
        fitTop - fitHere < kFitMargin * fitTop)
        return true;
    best += shift;
    return best + std::lround(6 * bitT_) <= histPos_ - 1;
}

void RttyDemod::endCharacter(std::string& text) {
    // Frame alignment by likelihood over the whole character: the stop bit before it and its
    // own stop bit are mark, the start bit space, the data bits whatever they are most clearly.
    // The search reaches well past the first crossing, which noise in the stop bit can bring
    // early.
    const long bit = std::lround(bitT_);
    auto clip = [](float v) { return std::clamp(v, -kLlrClip, kLlrClip); };
    auto search = [&](long lo, long hi, long& best) {
        float bestScore = -1e30f;
        for (long c0 = lo; c0 <= hi; ++c0) {
            float score = clip(at(c0 - bit).llr) - clip(at(c0).llr) +
                          clip(at(c0 + std::lround(6 * bitT_)).llr);
            for (int k = 1; k < 6; ++k)
                score += std::fabs(clip(at(c0 + std::lround(k * bitT_)).llr));
            if (score > bestScore) {
                bestScore = score;
                best = c0;
            }
        }
        return bestScore;
    };
    const long now = histPos_ - 1;
    long best = crossAt_ + n_ / 2;
    const float measured = search(crossAt_ + n_ / 2 - n_ / 5, crossAt_ + n_, best);
    // In a steady stream the characters follow each other at a fixed interval: a timing loop
    // over the whole stream is far steadier than one character's own transitions, and it
    // puts the frame back where it belongs when noise hid a start bit and the crossing found
    // was a data transition inside the character.
    const long span = n_ / 5;
    const long oldest = now - static_cast<long>(hist_.size()) + bit + span + 1;
    if (havePred_ && pred_ - span >= oldest && pred_ + span + std::lround(6 * bitT_) <= now) {
        long atPred = pred_;
        const float predicted = search(pred_ - span, pred_ + span, atPred);
        if (predicted + kPriorBonus >= measured || std::labs(best - pred_) < n_ / 2) {
            const double err = double(atPred - pred_);
            best = pred_ + std::lround(kTimingGain * err);
            period_ = std::clamp(period_ + kPeriodGain * err, 6.9 * bitT_, 8.6 * bitT_);
        }
    }
    // After a pause (mark for longer than any character holds it) the stream starts afresh.
    const long bestBefore = best;
    long marks = 0;
    const long gapFrom = best - std::lround(8.5 * bitT_), gapTo = best - n_ / 2;
    const bool fresh = gapFrom < std::max(0L, histPos_ - static_cast<long>(hist_.size()));
    for (long u = gapFrom; !fresh && u < gapTo; ++u)
        marks += at(u).llr > 0;
    if (fresh || marks * 10 >= (gapTo - gapFrom) * 9) {
        std::fill(frameFit_.begin(), frameFit_.end(), 0.0f);
    } else if (!reframe(best)) {
        // The character is still coming: frame it when it is in.
        state_ = State::Frame;
        crossAt_ = best - n_ / 2;
        frameEnd_ = best + n_ / 5 + std::lround(6.0 * bitT_);
        pred_ = best;
        havePred_ = true;
        placed_ = true;
        return;
    } else if (best != bestBefore) {
        const long at0 = best;
        search(at0 - span, at0 + span, best);
        placed_ = true;
    }
    // Where the stream's characters were, there is none now: the stream has ended.
    if (std::exchange(placed_, false) &&
        (at(best).llr >= 0 || at(best + std::lround(6 * bitT_)).llr <= 0)) {
        state_ = State::Armed;
        armedRun_ = n_ / 4;
        havePred_ = false;
        return;
    }
    uint8_t code = 0;
    std::complex<double> afc{0.0, 0.0};
    for (int k = 0; k < 7; ++k) {
        const Sample& b = at(best + std::lround(k * bitT_));
        const bool mark = b.llr > 0;
        if (k >= 1 && k <= 5 && mark) code |= static_cast<uint8_t>(1u << (k - 1));
        afc += mark ? std::complex<double>(b.markH2 * std::conj(b.markH1))
                    : std::complex<double>(b.spaceH2 * std::conj(b.spaceH1));
    }
    const bool stopOk = at(best + std::lround(6 * bitT_)).llr > 0;
    // A frame without its start or stop bit is most likely off the beat: do not follow it.
    pred_ = best + std::lround(period_);
    havePred_ = stopOk && at(best).llr < 0;
    state_ = State::Armed;
    armedRun_ = n_ / 4; // a stop bit is due here even when noise hid it
    // A break (steady space) is not a character, nor is a frame with neither start nor stop bit
    // (the signal has ended).
    if (!stopOk && (code == 0 || at(best).llr >= 0)) return;
    // Open over the whole character: one begun in noise before a signal is garbage. The level
    // takes a second to fall when a signal ends; a character far weaker than the signal of the
    // last seconds is the noise after it.
    double frame = 0;
    for (int k = 0; k < 7; ++k) {
        const Sample& b = at(best + std::lround(k * bitT_));
        frame += std::max(b.markMag2, b.spaceMag2) / 7.0;
    }
    const bool loudEnough =
        cfg_.squelch == 0 || frame >= kTailFraction * std::max(mark_.lasting, space_.lasting);
    const bool open = std::min(level_, levelAtCross_) >= cfg_.squelch && loudEnough;
    if (open && stopOk && cfg_.afc) applyAfc(afc);
    const char c = baudot_.decode(code);
    if (!open || c == 0) return;
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 32 || c == '\r' || c == '\n' || c == '\a') text.push_back(c);
}

void RttyDemod::applyAfc(std::complex<double> acc) {
    afcAcc_ = 0.5 * afcAcc_ + acc;
    if (std::abs(afcAcc_) <= 0.0) return;
    // The two half-bit windows are n/2 samples apart, so their phase step is the offset.
    const double offset = std::arg(afcAcc_) * fs_ / (kTwoPi * (n_ / 2));
    const double moved = std::clamp(cfg_.markHz + 0.5 * offset, baseMark_ - cfg_.afcRangeHz,
                                    baseMark_ + cfg_.afcRangeHz);
    if (std::fabs(moved - cfg_.markHz) < 1e-3) return;
    // The phase accumulated at the old frequency no longer applies.
    afcAcc_ = {0.0, 0.0};
    cfg_.markHz = moved;
    retune();
}

void RttyDemod::updateLevel(float m2, float s2) {
    const double a = 1.0 / (1.0 * fs_);
    win_ += a * (std::max(m2, s2) - win_);
    lose_ += a * (std::min(m2, s2) - lose_);
    if ((histPos_ & 63) != 0) return;
    if (!(lose_ > 0.0) || !(win_ > lose_)) {
        level_ = 0;
        return;
    }
    // Two tones of pure noise give a winner three times the loser (3 dB after subtracting);
    // the scale puts the default squelch (500) above ten minutes of noise and below a signal
    // of -9 dB SNR.
    const double db = 10.0 * std::log10((win_ - lose_) / lose_);
    level_ = static_cast<int>(std::clamp(std::lround((db - 3.0) * 150.0), 0L, 1000L));
}

} // namespace dsp
