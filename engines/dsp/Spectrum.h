#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace dsp {

// Waterfall/spectrum data: 1024 bins spanning 0..4000 Hz, bin = round(f * 1023 / 4000)
// (4000/1023 Hz per bin). About 9 frames per second.
class Spectrum {
public:
    explicit Spectrum(double sampleRate = 8000.0);
    ~Spectrum();
    Spectrum(Spectrum&&) noexcept;
    Spectrum& operator=(Spectrum&&) noexcept;

    // Magnitude = 1.1 * (1 + contrast / 10) * (L - floor), clamped to 0..255, where L is the
    // bin's power in dB relative to a full-scale sine in that bin and
    // floor = -42 - 5 * intensity / 64 dB.
    // smoothing 1..10: power averaged over about that many frames (1 = none).
    // intensity 64..640 (64 x 1..10): each step of 64 lowers the floor by 5 dB (brighter).
    // contrast 1..100: steeper with more. Values outside are clamped.
    // Defaults: smoothing 3, intensity 320, contrast 5.
    void setMode(int smoothing, int intensity, int contrast);
    // Consumes count samples; returns the number of new frames completed.
    int process(size_t count, const float* in);
    // Latest frame, magnitudes 0..255 for bins firstBin..lastBin (clamped to 0..1023).
    void magnitudes(int32_t* out, int firstBin, int lastBin) const;
    // True if an input sample reached |x| >= 0.99 since the last call.
    bool takeOverload();

    static constexpr int kBins = 1024;
    static int binForFrequency(double hz);

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace dsp
