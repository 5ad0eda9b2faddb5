#include "Spectrum.h"

#include "Fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace dsp {

struct Spectrum::Impl {
    // The FFT length makes the bin spacing exactly 4000/1023 Hz (2046 points at 8000 Hz).
    static int sizeFor(double rate) {
        return static_cast<int>(std::lround(std::clamp(rate, 8000.0, 192000.0) * 1023.0 / 4000.0));
    }

    explicit Impl(double rate)
        : kSize(sizeFor(rate)), kHop(static_cast<int>(std::clamp(rate, 8000.0, 192000.0) / 9.0)),
          fft(kSize), ring(static_cast<size_t>(kSize), 0.0f), window(static_cast<size_t>(kSize)),
          power(kBins, 0.0f) {
        for (int i = 0; i < kSize; ++i)
            window[static_cast<size_t>(i)] =
                static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kSize));
        // Power of a full-scale sine in its bin with this window: (N/4)^2.
        fullScale = (kSize / 4.0f) * (kSize / 4.0f);
        std::fill(std::begin(display), std::end(display), 0);
    }

    void frame() {
        float* in = fft.input();
        for (int i = 0; i < kSize; ++i) {
            in[i] =
                ring[static_cast<size_t>((writePos + i) % kSize)] * window[static_cast<size_t>(i)];
        }
        fft.execute();
        const auto* out = fft.output();
        const float alpha = 1.0f / static_cast<float>(smoothing);
        // The program draws its spectrum trace over 0..64 and its waterfall over 0..255 from the
        // same values. At the default intensity band noise lands near 12 and a strong station
        // some 40 dB above it near the top of the trace (blue on the waterfall); each intensity
        // step lifts everything by 6 units, and the contrast the program sends (1, or 10..90)
        // narrows the span from ~50 dB to ~6 dB.
        const float gain = 1.1f * (1.0f + static_cast<float>(contrast) / 10.0f);
        const float floorDb = -42.0f - 5.0f * static_cast<float>(intensity) / 64.0f;
        for (int k = 0; k < kBins; ++k) {
            const float p = std::norm(out[k]) / fullScale;
            float& avg = power[static_cast<size_t>(k)];
            avg = first ? p : avg + alpha * (p - avg);
            const float db = 10.0f * std::log10(avg + 1e-20f);
            display[k] =
                static_cast<int32_t>(std::clamp(std::lround(gain * (db - floorDb)), 0L, 255L));
        }
        first = false;
    }

    const int kSize;
    const int kHop; // ~9 frames per second
    RealFft fft;
    std::vector<float> ring;
    std::vector<float> window;
    std::vector<float> power;
    int32_t display[kBins];
    float fullScale;
    int writePos = 0;
    int sinceFrame = 0;
    int smoothing = 3;
    int intensity = 320;
    int contrast = 5;
    bool first = true;
    bool overload = false;
};

Spectrum::Spectrum(double sampleRate) : d(std::make_unique<Impl>(sampleRate)) {}
Spectrum::~Spectrum() = default;
Spectrum::Spectrum(Spectrum&&) noexcept = default;
Spectrum& Spectrum::operator=(Spectrum&&) noexcept = default;

int Spectrum::binForFrequency(double hz) {
    return static_cast<int>(std::clamp(std::lround(hz * 1023.0 / 4000.0), 0L, 1023L));
}

void Spectrum::setMode(int smoothing, int intensity, int contrast) {
    d->smoothing = std::clamp(smoothing, 1, 10);
    d->intensity = std::clamp(intensity, 64, 640);
    d->contrast = std::clamp(contrast, 1, 100);
}

int Spectrum::process(size_t count, const float* in) {
    if (!in) return 0;
    int frames = 0;
    for (size_t i = 0; i < count; ++i) {
        float x = in[i];
        if (!std::isfinite(x)) x = 0.0f;
        if (std::fabs(x) >= 0.99f) d->overload = true;
        d->ring[static_cast<size_t>(d->writePos)] = x;
        d->writePos = (d->writePos + 1) % d->kSize;
        if (++d->sinceFrame >= d->kHop) {
            d->sinceFrame = 0;
            d->frame();
            ++frames;
        }
    }
    return frames;
}

void Spectrum::magnitudes(int32_t* out, int firstBin, int lastBin) const {
    if (!out) return;
    firstBin = std::clamp(firstBin, 0, kBins - 1);
    lastBin = std::clamp(lastBin, 0, kBins - 1);
    for (int k = firstBin; k <= lastBin; ++k)
        out[k - firstBin] = d->display[k];
}

bool Spectrum::takeOverload() {
    const bool o = d->overload;
    d->overload = false;
    return o;
}

} // namespace dsp
