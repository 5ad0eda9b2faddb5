#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

namespace dsp {

// Soft Viterbi decoding of QPSK31 in which each survivor path judges the newest symbol against
// its own phase reference: a prediction from the latest symbols, each turned into the path's
// frame by the phase changes that path decided. Predicting from the previous symbol alone is
// plain differential detection; a prediction from several, weighed for the fading and the noise
// (see fadingPredictor), is worth up to 3 dB near the noise. No carrier loop is involved, so
// nothing can slip.
class QpskDecoder {
public:
    explicit QpskDecoder(int depth = 25);
    void setLsb(bool lsb) { m_lsb = lsb; }
    void reset();
    int depth() const { return m_depth; }

    // c[i] weighs the symbol i + 1 back (at most kTaps; {1}, the default: the previous symbol).
    static constexpr int kTaps = 8;
    void setPredictor(const std::vector<double>& c);

    // y: the newest symbol; scale multiplies the metrics (one over the long-term symbol power
    // keeps them bounded). Returns the bit decided depth - 1 symbols back, or -1 while the
    // traceback fills.
    // reliability (if given): by how much, in the metrics' units, the best path that decides
    // that bit the other way fell behind where it merged (the soft-output Viterbi rule);
    // kSure where none within the traceback does.
    int push(std::complex<double> y, double scale, double* reliability = nullptr);

    // The best path's latest symbols, newest first, each turned into the newest one's frame:
    // what the reference would have had to predict, as far as the decisions go.
    const std::array<std::complex<double>, kTaps>& bestHistory() const { return m_hist[m_best]; }
    static constexpr double kSure = 1e9;

private:
    int m_depth;
    bool m_lsb = false;
    std::array<double, 16> m_metric{};
    // Each state's latest symbols (newest first), in the frame of its path's latest symbol.
    std::array<std::array<std::complex<double>, kTaps>, 16> m_hist{};
    std::array<double, kTaps> m_coeff{1.0};
    int m_taps = 1;
    size_t m_best = 0;
    std::vector<uint16_t> m_decisions; // a ring of depth entries, one bit per state
    std::vector<float> m_margins;      // the same ring: how far the losing path fell behind
    int m_pos = 0;
    int m_filled = 0;
};

} // namespace dsp
