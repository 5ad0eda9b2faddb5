#pragma once
// Measuring helpers for the audio tests.
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace tonetest {

// Amplitude of the component at f Hz (a sine of amplitude A reads A).
inline double toneAmplitude(const float* x, size_t n, double f, double rate) {
    double re = 0, im = 0;
    const double w = 2 * std::numbers::pi * f / rate;
    for (size_t i = 0; i < n; ++i) {
        re += x[i] * std::cos(w * double(i));
        im -= x[i] * std::sin(w * double(i));
    }
    return 2.0 * std::hypot(re, im) / double(n);
}

inline std::vector<float> tone(double f, double amplitude, double rate, size_t n) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = float(amplitude * std::sin(2 * std::numbers::pi * f * double(i) / rate));
    return v;
}

} // namespace tonetest
