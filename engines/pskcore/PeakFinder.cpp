#include "PeakFinder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/Fft.h"

namespace pskcore {

namespace {
constexpr int kSize = 2048; // ~3.9 Hz bins at 8 kHz
constexpr int kHop = kSize / 2;
// A BPSK31 signal spreads about +/-20 Hz around its carrier.
constexpr double kSignalHalfWidthHz = 20.0;
// How far above the median of the band a hump must stand to count as a signal.
constexpr double kDetectRatio = 2.0;
constexpr double kLeakage = 1e-5; // -50 dB
} // namespace

PeakFinder::PeakFinder(double averageSeconds, double sampleRate)
    : sampleRate_(sampleRate), fft_(std::make_unique<dsp::RealFft>(kSize)), window_(kSize),
      history_(kSize, 0.0f), power_(kSize / 2 + 1, 0.0) {
    alpha_ = averageSeconds > 0 ? std::min(1.0, kHop / (averageSeconds * sampleRate)) : 0.0;
    for (int i = 0; i < kSize; ++i)
        window_[size_t(i)] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kSize));
}

PeakFinder::~PeakFinder() = default;

void PeakFinder::reset() {
    std::fill(history_.begin(), history_.end(), 0.0f);
    std::fill(power_.begin(), power_.end(), 0.0);
    fill_ = 0;
    frames_ = 0;
}

void PeakFinder::process(const float* in, size_t n) {
    while (n > 0) {
        const size_t take = std::min(n, size_t(kSize) - fill_);
        std::copy_n(in, take, history_.begin() + long(fill_));
        fill_ += take;
        in += take;
        n -= take;
        if (fill_ == size_t(kSize)) {
            frame();
            std::copy(history_.begin() + kHop, history_.end(), history_.begin());
            fill_ = kSize - kHop;
        }
    }
}

void PeakFinder::frame() {
    float* x = fft_->input();
    for (int i = 0; i < kSize; ++i)
        x[i] = history_[size_t(i)] * window_[size_t(i)];
    fft_->execute();
    const std::complex<float>* out = fft_->output();
    ++frames_;
    const double a = alpha_ > 0 && frames_ > 1 ? alpha_ : 1.0 / double(frames_);
    for (size_t b = 0; b < power_.size(); ++b)
        power_[b] += a * (double(std::norm(out[b])) - power_[b]);
}

bool PeakFinder::strongest(double lo, double hi, double& frequency) const {
    if (frames_ == 0) return false;
    const double hz = sampleRate_ / kSize;
    const int half = std::max(1, int(std::lround(kSignalHalfWidthHz / hz)));
    const int last = int(power_.size()) - 1;
    const int b0 = std::clamp(int(std::ceil(lo / hz)), half, last - half);
    const int b1 = std::clamp(int(std::floor(hi / hz)), half, last - half);
    if (b1 < b0) return false;
    // Energy in a signal-wide window around each bin.
    std::vector<double> hump(power_.size(), 0.0);
    double sum = 0;
    for (int b = 0; b <= 2 * half; ++b)
        sum += power_[size_t(b)];
    for (int c = half; c + half <= last; ++c) {
        hump[size_t(c)] = sum;
        if (c + half + 1 <= last) sum += power_[size_t(c + half + 1)] - power_[size_t(c - half)];
    }
    std::vector<double> floorBins(hump.begin() + half, hump.end() - half);
    std::nth_element(floorBins.begin(), floorBins.begin() + long(floorBins.size() / 2),
                     floorBins.end());
    const double median = floorBins[floorBins.size() / 2];
    int best = b0;
    for (int b = b0; b <= b1; ++b)
        if (hump[size_t(b)] > hump[size_t(best)]) best = b;
    // Above the noise, and (where there is hardly any noise) not just the window's leakage
    // of a strong signal elsewhere.
    const double loudest = *std::max_element(hump.begin(), hump.end());
    const bool clear =
        hump[size_t(best)] > kDetectRatio * median && hump[size_t(best)] > kLeakage * loudest;
    // Power-weighted centre of the hump, which for idle reversals is the carrier between the
    // two lines.
    double w = 0, wf = 0;
    for (int b = best - half; b <= best + half; ++b) {
        const double p = std::max(0.0, power_[size_t(b)] - median / (2 * half + 1));
        w += p;
        wf += p * b;
    }
    frequency = (w > 0 ? wf / w : best) * hz;
    return clear;
}

} // namespace pskcore
