#pragma once

#include "PskMode.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace dsp {

// One PSK31 receive channel (BPSK31, QPSK31 USB or LSB): mixer and channel filter, matched
// filter, symbol timing, carrier and frequency tracking, detection (coherent for BPSK, soft
// Viterbi for QPSK), varicode, squelch, and the vector, level and IMD measurements.
// Not thread-safe; the engine serialises calls. process() allocates nothing per sample.
class PskReceiver {
public:
    explicit PskReceiver(double sampleRate = 8000.0);
    ~PskReceiver();
    PskReceiver(PskReceiver&&) noexcept;
    PskReceiver& operator=(PskReceiver&&) noexcept;

    // Tunes the channel (hz clamped to 50 Hz from either band edge; NaN ignored). If
    // searchRangeHz > 0 (at most 120), the receiver looks for the PSK31 signal nearest hz within
    // +/- searchRangeHz (about a second of spectrum); it looks again whenever it has had no lock
    // for ten seconds. A signal found off the channel's frequency is retuned to and decoded from
    // the input of the last four seconds, so the search costs none of its text. AFC limits then
    // count from the signal found, but the channel never goes further from hz than the larger
    // of the search range and the AFC limit.
    void setFrequency(double hz, double searchRangeHz);
    // Current frequency: with AFC on and a signal locked, where the signal is; otherwise where
    // the channel is tuned.
    double frequency() const;
    void setMode(PskMode mode); // other values are ignored
    PskMode mode() const;
    // Maximum AFC pull in Hz (0..500) from the frequency the channel is on now; 0 turns AFC off.
    void setAfcLimit(double hz);
    // threshold 0..99 compared with signalLevel(); 0 leaves the squelch open (characters begun
    // while the quality is that of plain noise are still not printed, unless they follow a
    // preamble's run of zeros). speed: 0 fast (level
    // averaged over 16 symbols, about 0.5 s), 1 slow (48 symbols), or 10..200 symbols (32 ms
    // each); QPSK averages twice as long. A sudden loss of power shuts the squelch at once and
    // holds the characters decoded meanwhile: if the power comes back, or stays clearly above
    // the noise (a fade, a QSB dip), they are printed; after two seconds at the noise they are
    // dropped, and after three the carrier counts as gone and the squelch has to be earned
    // afresh. It opens only on a signal centred in the channel, never on the leakage of a
    // strong one beside it.
    void setSquelch(int threshold, int speed);

    // Consumes count samples and appends the decoded characters (0..255) to out.
    void process(size_t count, const float* in, std::vector<uint8_t>& out);

    // Signal quality 0..99: for BPSK how tightly successive phase changes sit on 0/180 degrees,
    // for QPSK how often the received pairs agree with the decoded path (noise gives ~0-30,
    // BPSK at -12 dB SNR ~65, QPSK ~75, a clean signal 90+).
    int signalLevel() const;
    bool squelchOpen() const;
    // The last 8 symbols as (x, y) pairs, oldest first; the angle is the phase change from the
    // previous symbol (no change points up, i.e. negative y), 1000 = the usual signal amplitude.
    void vectorData(int32_t xy[16]) const;
    // The symbol-timing errors of the last 16 symbols, oldest first: how late (positive) or
    // early each was sampled, judged from the phase change to the next symbol, 1000 = half a
    // symbol. A symbol without a phase change says nothing about timing and reads 0; a
    // 90-degree QPSK step counts half.
    void syncData(int32_t xy[16]) const;
    // The last 8 matched-filter outputs at the symbol decision points as (x, y) pairs, oldest
    // first, before carrier correction: 32767 = the level of a full-scale carrier (clamped).
    void rawData(int32_t xy[16]) const;
    // IMD as a positive number of dB (28 means the third-order lines at f +/- 46.875 Hz are
    // 28 dB below the main lines at f +/- 15.625 Hz), measured over 16 symbols of idle
    // reversals, about every 8 symbols of idle. A reading is made only when the main lines
    // stand at least 30 dB above the noise; if the products are lost in the noise, the reading
    // is that noise limit. 0..99. Returns true when a fresh reading exists since the last call.
    bool takeImd(int& imdDb);
    // Back to the set frequency with all tracking, squelch and measurements cleared.
    void reset();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace dsp
