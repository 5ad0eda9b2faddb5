#include "FskModulator.h"

#include <algorithm>
#include <cmath>

namespace dsp {

namespace {
constexpr double kTwoPi = 6.283185307179586;
}

void FskModulator::setTones(double markHz, double shiftHz, bool reverse) {
    mark_ = markHz;
    space_ = markHz + shiftHz;
    if (reverse) std::swap(mark_, space_);
}

void FskModulator::segment(double hz, double seconds, double ampFrom, double ampTo,
                           std::vector<float>& out) {
    const double exact = seconds * fs_ + timeDebt_;
    const long n = std::max(0L, std::lround(exact));
    timeDebt_ = exact - static_cast<double>(n);
    const double step = kTwoPi * hz / fs_;
    for (long i = 0; i < n; ++i) {
        const double shape =
            n > 1 ? 0.5 - 0.5 * std::cos(kTwoPi / 2 * double(i) / double(n - 1)) : 1.0;
        const double a = ampFrom + (ampTo - ampFrom) * shape;
        out.push_back(static_cast<float>(a * std::sin(phase_)));
        phase_ += step;
        if (phase_ > kTwoPi) phase_ -= kTwoPi;
    }
}

void FskModulator::tone(bool mark, double bits, std::vector<float>& out) {
    segment(mark ? mark_ : space_, bits / baud_, amp_, amp_, out);
}

void FskModulator::character(uint8_t code, double stopBits, std::vector<float>& out) {
    tone(false, 1.0, out);
    for (int b = 0; b < 5; ++b)
        tone((code >> b) & 1, 1.0, out);
    tone(true, stopBits, out);
}

void FskModulator::keyed(bool on, double seconds, std::vector<float>& out) {
    const double target = on ? amp_ : 0.0;
    const double ramp = std::min(kKeyEdgeSeconds, seconds);
    segment(mark_, ramp, keyAmp_, target, out);
    segment(mark_, seconds - ramp, target, target, out);
    keyAmp_ = target;
}

void FskModulator::rampDown(double seconds, std::vector<float>& out) {
    segment(mark_, seconds, amp_, 0.0, out);
    keyAmp_ = 0.0;
}

} // namespace dsp
