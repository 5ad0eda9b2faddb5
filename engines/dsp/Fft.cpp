#include "Fft.h"

#include <fftw3.h>

#include <cstring>
#include <mutex>
#include <new>

namespace dsp {
namespace {
std::mutex& plannerLock() {
    static std::mutex m;
    return m;
}
} // namespace

RealFft::RealFft(int size) : m_size(size < 2 ? 2 : size) {
    std::lock_guard<std::mutex> lock(plannerLock());
    m_in = static_cast<float*>(fftwf_malloc(sizeof(float) * static_cast<size_t>(m_size)));
    m_out = reinterpret_cast<std::complex<float>*>(
        fftwf_malloc(sizeof(fftwf_complex) * static_cast<size_t>(m_size / 2 + 1)));
    if (!m_in || !m_out) throw std::bad_alloc();
    std::memset(m_in, 0, sizeof(float) * static_cast<size_t>(m_size));
    m_plan =
        fftwf_plan_dft_r2c_1d(m_size, m_in, reinterpret_cast<fftwf_complex*>(m_out), FFTW_ESTIMATE);
    if (!m_plan) throw std::bad_alloc();
}

RealFft::~RealFft() {
    std::lock_guard<std::mutex> lock(plannerLock());
    fftwf_destroy_plan(static_cast<fftwf_plan>(m_plan));
    fftwf_free(m_in);
    fftwf_free(m_out);
}

void RealFft::execute() {
    fftwf_execute(static_cast<fftwf_plan>(m_plan));
}

} // namespace dsp

namespace dsp {

ComplexFft::ComplexFft(int size) : m_size(size < 2 ? 2 : size) {
    std::lock_guard<std::mutex> lock(plannerLock());
    const size_t bytes = sizeof(fftwf_complex) * static_cast<size_t>(m_size);
    m_in = reinterpret_cast<std::complex<float>*>(fftwf_malloc(bytes));
    m_out = reinterpret_cast<std::complex<float>*>(fftwf_malloc(bytes));
    if (!m_in || !m_out) throw std::bad_alloc();
    std::memset(static_cast<void*>(m_in), 0, bytes);
    m_plan =
        fftwf_plan_dft_1d(m_size, reinterpret_cast<fftwf_complex*>(m_in),
                          reinterpret_cast<fftwf_complex*>(m_out), FFTW_FORWARD, FFTW_ESTIMATE);
    if (!m_plan) throw std::bad_alloc();
}

ComplexFft::~ComplexFft() {
    std::lock_guard<std::mutex> lock(plannerLock());
    fftwf_destroy_plan(static_cast<fftwf_plan>(m_plan));
    fftwf_free(m_in);
    fftwf_free(m_out);
}

void ComplexFft::execute() {
    fftwf_execute(static_cast<fftwf_plan>(m_plan));
}

} // namespace dsp
