#pragma once

#include <cstdint>
#include <vector>

namespace dsp {

// How likely character c is in keyboard QSO text, as a natural logarithm: the prior that lets
// a sequence decision prefer "the" over "thz" when a bit is in doubt.
double varicodeLogPrior(uint8_t c);

// Bit decisions over the varicode as a whole: a Viterbi search through every way the received
// bits can be cut into codewords and gaps, each bit scored by its log-likelihood ratio and each
// character by its prior (times `priorWeight`). A bit the detector was sure of is never
// changed; a doubtful one goes the way that makes likelier text. With weight 0, or with
// confident bits, the output is the hard decisions delayed.
class VaricodeSequence {
public:
    explicit VaricodeSequence(int delay = 20, double priorWeight = 1.0);
    void reset();
    void setPriorWeight(double w) { m_weight = w; }
    int delay() const { return m_delay; }

    // llr: log-likelihood ratio of the newest bit (positive: a 1). Returns the bit decided
    // delay steps back, or -1 while the search fills.
    int push(double llr);

private:
    int m_delay;
    double m_weight;
    std::vector<double> m_metric, m_next;
    std::vector<uint16_t> m_pred; // a ring of m_delay + 1 steps, one predecessor per state
    int m_pos = 0;
    int m_filled = 0;
};

} // namespace dsp
