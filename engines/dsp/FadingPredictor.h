#pragma once

#include <complex>
#include <vector>

namespace dsp {

// The linear predictor of a fading channel's next symbol from the last taps received symbols
// (coefficient i weighs the symbol i + 1 back) that minimises the mean square error, for a
// channel with a Gaussian Doppler spectrum of dopplerHz standard deviation at symbolRate, a
// symbol SNR snr (power ratio), and a disturbance floorRel times the signal power that no
// averaging removes (residual frequency, loop jitter, the channel straying from that model).
// snr <= 0 gives the previous symbol alone.
std::vector<double> fadingPredictor(double snr, int taps, double dopplerHz, double symbolRate,
                                    double floorRel);

// Which of several predictors suits the channel, judged by how well each would have predicted
// the symbols as decided (errors averaged over about `window` symbols).
class PredictorChoice {
public:
    explicit PredictorChoice(double window = 64.0) : m_window(window) {}
    // The candidates; their running errors are kept while the count stays the same.
    void setCandidates(std::vector<std::vector<double>> bank);
    const std::vector<double>& chosen() const;
    size_t index() const { return m_best; }
    // hist[0] the newest symbol, hist[1..n-1] older ones in its frame.
    void observe(const std::complex<double>* hist, size_t n);
    void reset();

private:
    double m_window;
    std::vector<std::vector<double>> m_bank;
    std::vector<double> m_err;
    size_t m_count = 0;
    size_t m_best = 0;
};

} // namespace dsp
