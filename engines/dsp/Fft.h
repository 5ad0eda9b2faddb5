#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace dsp {

// Real-input forward FFT of a fixed size on FFTW (single precision). Plans are created under a
// process-wide lock because FFTW's planner is not thread-safe.
class RealFft {
public:
    explicit RealFft(int size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int size() const { return m_size; }
    float* input() { return m_in; }
    // Transforms input(); output() then holds size/2 + 1 bins.
    void execute();
    const std::complex<float>* output() const { return m_out; }

private:
    int m_size;
    float* m_in;
    std::complex<float>* m_out;
    void* m_plan;
};

} // namespace dsp

namespace dsp {

// Complex forward FFT of a fixed size on FFTW (single precision).
class ComplexFft {
public:
    explicit ComplexFft(int size);
    ~ComplexFft();
    ComplexFft(const ComplexFft&) = delete;
    ComplexFft& operator=(const ComplexFft&) = delete;

    int size() const { return m_size; }
    std::complex<float>* input() { return m_in; }
    void execute();
    const std::complex<float>* output() const { return m_out; }

private:
    int m_size;
    std::complex<float>* m_in;
    std::complex<float>* m_out;
    void* m_plan;
};

} // namespace dsp
