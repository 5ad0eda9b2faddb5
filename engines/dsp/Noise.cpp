#include "Noise.h"

#include <cmath>

namespace dsp {
namespace {
uint64_t splitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
uint64_t rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}
} // namespace

GaussianNoise::GaussianNoise(uint64_t seed) {
    reseed(seed);
}

void GaussianNoise::reseed(uint64_t seed) {
    uint64_t x = seed;
    for (auto& s : m_s)
        s = splitMix(x);
    m_hasSpare = false;
}

uint64_t GaussianNoise::nextU64() {
    const uint64_t result = rotl(m_s[1] * 5, 7) * 9;
    const uint64_t t = m_s[1] << 17;
    m_s[2] ^= m_s[0];
    m_s[3] ^= m_s[1];
    m_s[1] ^= m_s[2];
    m_s[0] ^= m_s[3];
    m_s[2] ^= t;
    m_s[3] = rotl(m_s[3], 45);
    return result;
}

double GaussianNoise::next() {
    if (m_hasSpare) {
        m_hasSpare = false;
        return m_spare;
    }
    double u, v, s;
    do {
        u = static_cast<double>(nextU64() >> 11) * 0x1.0p-52 - 1.0;
        v = static_cast<double>(nextU64() >> 11) * 0x1.0p-52 - 1.0;
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double f = std::sqrt(-2.0 * std::log(s) / s);
    m_spare = v * f;
    m_hasSpare = true;
    return u * f;
}

double noiseSigmaForSnr(double signalPower, double snrDb, double sampleRate) {
    if (!(signalPower > 0.0) || !(sampleRate > 6000.0)) return 0.0;
    const double noiseIn3k = signalPower / std::pow(10.0, snrDb / 10.0);
    const double variance = noiseIn3k * (sampleRate / 2.0) / 3000.0;
    return std::sqrt(variance);
}

double meanPower(const float* x, size_t n) {
    if (n == 0 || !x) return 0.0;
    double acc = 0.0;
    for (size_t i = 0; i < n; ++i)
        acc += static_cast<double>(x[i]) * x[i];
    return acc / static_cast<double>(n);
}

double addNoise(float* x, size_t n, double snrDb, GaussianNoise& rng, double signalPower,
                double sampleRate) {
    if (signalPower < 0.0) signalPower = meanPower(x, n);
    const double sigma = noiseSigmaForSnr(signalPower, snrDb, sampleRate);
    for (size_t i = 0; i < n; ++i)
        x[i] = static_cast<float>(x[i] + sigma * rng.next());
    return sigma;
}

} // namespace dsp
