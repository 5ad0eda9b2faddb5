#pragma once
// Finds PSK31 signals in an averaged power spectrum: the strongest one in a frequency range.
#include <cstddef>
#include <memory>
#include <vector>

namespace dsp {
class RealFft;
}

namespace pskcore {

class PeakFinder {
public:
    // averageSeconds > 0: exponential average with that time constant; 0: plain mean of
    // everything seen since reset() (for analysing a whole recording).
    explicit PeakFinder(double averageSeconds = 2.0, double sampleRate = 8000.0);
    ~PeakFinder();

    void process(const float* in, size_t n);
    void reset();
    bool ready() const { return frames_ > 0; }

    // Centre of the strongest signal-sized hump between lo and hi Hz. Returns whether it stands
    // clearly above the noise floor; frequency is set either way once anything has been seen.
    bool strongest(double lo, double hi, double& frequency) const;

private:
    void frame();
    double sampleRate_;
    double alpha_;
    std::unique_ptr<dsp::RealFft> fft_;
    std::vector<float> window_, history_;
    std::vector<double> power_;
    size_t fill_ = 0;
    long frames_ = 0;
};

} // namespace pskcore
