#include "Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>

namespace audio {

namespace {

// Half the kernel's length in time: a 420 Hz wide transition at 80 dB stop-band attenuation.
constexpr double kHalfSeconds = 0.006;
constexpr double kKaiserBeta = 7.857; // 80 dB
// Where the transition is centred below the lower Nyquist frequency: the pass band reaches
// past 3600 Hz at the working rate while whatever folds back into it is 80 dB down.
constexpr double kCutoffMarginHz = 150;
constexpr int kTablePerSample = 512;

double besselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
        if (term < 1e-12 * sum) break;
    }
    return sum;
}

} // namespace

Resampler::Resampler(double inRate, double outRate) {
    ratio_ = (inRate > 0 && outRate > 0) ? outRate / inRate : 1.0;
    passthrough_ = std::fabs(ratio_ - 1.0) < 1e-12;
    if (passthrough_) return;
    step_ = 1.0 / ratio_;
    const double nyquist = std::min(inRate, outRate) / 2;
    const double fc = (nyquist - kCutoffMarginHz) / inRate; // cycles per input sample
    half_ = int(std::ceil(kHalfSeconds * inRate));
    tableScale_ = kTablePerSample;
    table_.resize(size_t(half_) * kTablePerSample + 2);
    const double i0beta = besselI0(kKaiserBeta);
    for (size_t i = 0; i < table_.size(); ++i) {
        const double t = double(i) / kTablePerSample;
        const double x = t / half_;
        const double window = x >= 1 ? 0.0 : besselI0(kKaiserBeta * std::sqrt(1 - x * x)) / i0beta;
        const double arg = 2 * fc * t;
        const double sinc =
            arg == 0 ? 1.0 : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
        table_[i] = float(2 * fc * sinc * window);
    }

    const long long in = std::llround(inRate), out = std::llround(outRate);
    if (std::fabs(inRate - double(in)) < 1e-9 && std::fabs(outRate - double(out)) < 1e-9) {
        const long long g = std::gcd(in, out);
        if (out / g <= 4096) {
            up_ = out / g;
            down_ = in / g;
            const size_t taps = size_t(2 * half_ + 1);
            phases_.resize(size_t(up_) * taps);
            for (long long p = 0; p < up_; ++p)
                for (size_t j = 0; j < taps; ++j)
                    phases_[size_t(p) * taps + j] =
                        float(kernel(double(p) / double(up_) + half_ - double(j)));
            std::vector<float>().swap(table_);
        }
    }
    reset();
}

void Resampler::reset() {
    if (passthrough_) return;
    // Silence before the first sample, so that output 0 is input time 0.
    buffer_.assign(size_t(half_), 0.0f);
    bufferStart_ = -half_;
    pos_ = 0;
    base_ = 0;
    phase_ = 0;
}

double Resampler::kernel(double t) const {
    const double u = std::fabs(t) * tableScale_;
    const size_t i = size_t(u);
    if (i + 1 >= table_.size()) return 0.0;
    const double frac = u - double(i);
    return table_[i] + frac * (table_[i + 1] - table_[i]);
}

size_t Resampler::maxOutput(size_t n) const {
    return size_t(std::ceil(ratio_ * double(n))) + 2;
}

size_t Resampler::processPolyphase(float* out) {
    using i64 = long long;
    const i64 last = bufferStart_ + i64(buffer_.size()) - 1;
    const size_t taps = size_t(2 * half_ + 1);
    size_t written = 0;
    while (base_ + half_ <= last) {
        const float* x = buffer_.data() + (base_ - half_ - bufferStart_);
        const float* h = phases_.data() + size_t(phase_) * taps;
        // Eight independent sums let the compiler use vector instructions.
        float acc[8] = {};
        size_t j = 0;
        for (; j + 8 <= taps; j += 8)
            for (size_t k = 0; k < 8; ++k)
                acc[k] += x[j + k] * h[j + k];
        float sum = 0;
        for (; j < taps; ++j)
            sum += x[j] * h[j];
        for (float a : acc)
            sum += a;
        out[written++] = sum;
        phase_ += down_;
        base_ += phase_ / up_;
        phase_ %= up_;
    }
    trim(base_ - half_);
    return written;
}

size_t Resampler::processAnyRatio(float* out) {
    using i64 = long long;
    const i64 last = bufferStart_ + i64(buffer_.size()) - 1;
    size_t written = 0;
    while (pos_ + half_ <= double(last)) {
        const i64 first = std::max(i64(std::ceil(pos_ - half_)), bufferStart_);
        const i64 end = i64(std::floor(pos_ + half_));
        const float* x = buffer_.data() - bufferStart_;
        double acc = 0;
        for (i64 k = first; k <= end; ++k)
            acc += double(x[k]) * kernel(pos_ - double(k));
        out[written++] = float(acc);
        pos_ += step_;
    }
    trim(i64(std::floor(pos_ - half_)) - 1);
    return written;
}

// Drops input that no later output reaches back to.
void Resampler::trim(long long oldestNeeded) {
    if (oldestNeeded <= bufferStart_) return;
    const size_t drop =
        size_t(std::min<long long>(oldestNeeded - bufferStart_, (long long)buffer_.size()));
    buffer_.erase(buffer_.begin(), buffer_.begin() + long(drop));
    bufferStart_ += (long long)drop;
}

size_t Resampler::process(const float* in, size_t n, float* out) {
    if (passthrough_) {
        if (n) std::memcpy(out, in, n * sizeof(float));
        return n;
    }
    buffer_.insert(buffer_.end(), in, in + n);
    return up_ > 0 ? processPolyphase(out) : processAnyRatio(out);
}

void Resampler::process(const float* in, size_t n, std::vector<float>& out) {
    const size_t base = out.size();
    out.resize(base + maxOutput(n));
    out.resize(base + process(in, n, out.data() + base));
}

} // namespace audio
