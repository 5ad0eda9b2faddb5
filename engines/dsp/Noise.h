#pragma once

#include <cstddef>
#include <cstdint>

namespace dsp {

// Reproducible Gaussian noise (xoshiro256** with the polar method), identical on every platform.
class GaussianNoise {
public:
    explicit GaussianNoise(uint64_t seed = 1);
    double next(); // zero mean, unit variance
    void reseed(uint64_t seed);

private:
    uint64_t nextU64();
    uint64_t m_s[4];
    double m_spare = 0.0;
    bool m_hasSpare = false;
};

// SNR as used throughout: P_signal / P_noise(3000 Hz), where P_signal is the mean square of the
// signal samples and P_noise(3000 Hz) is the power of the white noise that falls within 3000 Hz.
// White noise of variance s^2 at rate fs spreads over fs/2, so P_noise(3000 Hz) = s^2 * 3000 /
// (fs/2).
double noiseSigmaForSnr(double signalPower, double snrDb, double sampleRate = 8000.0);

// Mean square of n samples (0 for n == 0).
double meanPower(const float* x, size_t n);

// Adds noise to x in place for the given SNR. signalPower < 0 means: measure it over x first.
// Returns the noise standard deviation used.
double addNoise(float* x, size_t n, double snrDb, GaussianNoise& rng, double signalPower = -1.0,
                double sampleRate = 8000.0);

} // namespace dsp
