#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

namespace dsp {

// Soft Viterbi decoding of QPSK31 in which each survivor path judges the newest symbol against
// its own phase reference: the recent symbols turned back by the phase changes that path
// decided, averaged with weights falling by `memory` per symbol. With memory 0 that is plain
// differential detection (the previous symbol is the reference); toward 1 it approaches
// coherent detection, worth up to 3 dB in white noise, while a phase that moves is followed
// within about 1 / (1 - memory) symbols. No carrier loop is involved, so nothing can slip.
class QpskDecoder {
public:
    explicit QpskDecoder(int depth = 25);
    void setLsb(bool lsb) { m_lsb = lsb; }
    void reset();
    int depth() const { return m_depth; }

    // y: the newest symbol; scale multiplies the metrics (one over the long-term symbol power
    // keeps them bounded); memory 0..0.95. Returns the bit decided depth - 1 symbols back, or
    // -1 while the traceback fills.
    // reliability (if given): by how much, in the metrics' units, the best path that decides
    // that bit the other way fell behind where it merged (the soft-output Viterbi rule);
    // kSure where none within the traceback does.
    int push(std::complex<double> y, double scale, double memory, double* reliability = nullptr);
    static constexpr double kSure = 1e9;

private:
    int m_depth;
    bool m_lsb = false;
    std::array<double, 16> m_metric{};
    std::array<std::complex<double>, 16> m_ref{};
    std::vector<uint16_t> m_decisions; // a ring of depth entries, one bit per state
    std::vector<float> m_margins;      // the same ring: how far the losing path fell behind
    int m_pos = 0;
    int m_filled = 0;
};

} // namespace dsp
