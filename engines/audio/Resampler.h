#pragma once
// Sample-rate conversion between a device or file rate and the working rate: a windowed-sinc
// interpolator evaluated at any ratio (so it also takes a sound card's clock error). Output
// sample k is the input signal at time k / ratio, without delay; the input needed beyond that
// point (latency() samples) is held back until it arrives.
#include <cstddef>
#include <vector>

namespace audio {

class Resampler {
public:
    // ratio = outRate / inRate; a ratio of exactly 1 copies.
    Resampler(double inRate, double outRate);

    double ratio() const { return ratio_; }
    bool passthrough() const { return passthrough_; }

    // Output samples n input samples can produce at most.
    size_t maxOutput(size_t n) const;

    // Converts n samples into out (room for maxOutput(n)); returns how many were written.
    size_t process(const float* in, size_t n, float* out);

    // Appends the converted samples to out.
    void process(const float* in, size_t n, std::vector<float>& out);

    // Input samples held back for the filter; pushing this many zeros flushes the output.
    size_t latency() const { return passthrough_ ? 0 : size_t(half_); }

    void reset();

private:
    double kernel(double t) const; // t in input samples, |t| <= half_
    size_t processPolyphase(float* out);
    size_t processAnyRatio(float* out);
    void trim(long long oldestNeeded);

    double ratio_ = 1.0;
    double step_ = 1.0; // input samples per output sample
    bool passthrough_ = true;
    int half_ = 0; // kernel half-width in input samples
    double tableScale_ = 0;
    std::vector<float> table_;
    std::vector<float> buffer_; // input from bufferStart_ on
    long long bufferStart_ = 0;
    double pos_ = 0; // input time of the next output sample

    // Rates in a small whole-number ratio up/down (44100 -> 8000 is 80/441) use one
    // precomputed set of taps per phase instead of interpolating the kernel for every tap.
    long long up_ = 0, down_ = 0;
    std::vector<float> phases_; // up_ rows of 2 * half_ + 1 taps
    long long base_ = 0;        // integer part of the next output's input time
    long long phase_ = 0;       // fractional part, in 1/up_
};

} // namespace audio
