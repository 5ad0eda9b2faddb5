#pragma once

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

} // namespace dsp
