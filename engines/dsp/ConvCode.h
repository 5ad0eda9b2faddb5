#pragma once

#include <cstdint>
#include <vector>

namespace dsp {

// The K=5, rate 1/2 code of QPSK31: register with the newest bit in bit 0,
// a = parity(reg & 0x19), b = parity(reg & 0x17).
class ConvEncoder {
public:
    // Returns the coded pair as (a << 1) | b.
    int push(int bit);
    void reset() { m_reg = 0; }

private:
    uint32_t m_reg = 0;
};

// Coded pair that input bit 'bit' produces from the 4 previous input bits in 'state'
// (newest in bit 0). Shared by the encoder and the decoder's trellis.
int convPair(unsigned state, int bit);

// Soft-decision Viterbi decoder for ConvEncoder.
class ViterbiDecoder {
public:
    // depth: traceback length in bits (at least 5x the constraint length is sensible).
    explicit ViterbiDecoder(int depth = 45);

    // metric[p] scores how well the received symbol matches coded pair p = (a << 1) | b
    // (larger = more likely, e.g. a correlation). Returns the bit decided 'depth' steps ago,
    // or -1 while the traceback is still filling.
    int push(const float metric[4]);
    void reset();
    int depth() const { return m_depth; }

private:
    int m_depth;
    float m_metric[16];
    std::vector<uint16_t> m_decisions; // ring of depth entries, one bit per state
    int m_pos = 0;
    int m_filled = 0;
};

} // namespace dsp
