#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace dsp {

// Low-pass FIR taps: Kaiser-windowed sinc, cutoff in Hz at -6 dB, unity gain at DC.
std::vector<float> kaiserLowpass(int taps, double cutoffHz, double sampleRate, double beta);

// FIR filter with real taps on complex samples that keeps only every factor-th output.
// The history is stored twice over so each output is one contiguous dot product.
class ComplexFirDecimator {
public:
    ComplexFirDecimator() = default;
    ComplexFirDecimator(std::vector<float> taps, int factor) { init(std::move(taps), factor); }
    void init(std::vector<float> taps, int factor);
    // Returns true and sets out when this input completes an output sample.
    bool push(std::complex<float> in, std::complex<float>& out) {
        const size_t n = m_taps.size();
        m_re[m_pos] = m_re[m_pos + n] = in.real();
        m_im[m_pos] = m_im[m_pos + n] = in.imag();
        m_pos = (m_pos + 1 == n) ? 0 : m_pos + 1;
        if (++m_phase < m_factor) return false;
        m_phase = 0;
        const float* re = &m_re[m_pos];
        const float* im = &m_im[m_pos];
        const float* h = m_taps.data();
        float accRe = 0.0f, accIm = 0.0f;
        for (size_t i = 0; i < n; ++i) {
            accRe += h[i] * re[i];
            accIm += h[i] * im[i];
        }
        out = {accRe, accIm};
        return true;
    }
    void reset();
    size_t length() const { return m_taps.size(); }

private:
    std::vector<float> m_taps; // reversed, oldest sample first
    std::vector<float> m_re, m_im;
    size_t m_pos = 0;
    int m_factor = 1;
    int m_phase = 0;
};

} // namespace dsp
