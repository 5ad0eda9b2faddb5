#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dsp {

// PSK31 transmitter. A transmission starts with a one-symbol ramp up and 32 symbols (1 s) of idle
// reversals (preamble), then the queued text (idle reversals while the queue is empty). After
// stop come idle reversals as postamble, 32 symbols for BPSK and 48 for QPSK (whose receivers
// need them to flush their decoders), a one-symbol ramp down, and the CW identification if it
// was asked for. Every phase reversal has a cosine-shaped envelope.
class PskTransmitter {
public:
    struct Event {
        enum Kind { CharSent, Finished } kind;
        uint8_t ch;
    };

    // start() modes.
    enum { ModeBpsk = 0, ModeQpskUsb = 1, ModeQpskLsb = 2, ModeTune = 3, ModeTuneCwId = 4 };

    explicit PskTransmitter(double sampleRate = 8000.0);
    ~PskTransmitter();
    PskTransmitter(PskTransmitter&&) noexcept;
    PskTransmitter& operator=(PskTransmitter&&) noexcept;

    void setFrequency(double hz); // clamped to 100..3900 Hz; takes effect at once, phase-continuous
    double frequency() const;
    void setCwIdText(const std::string& text);
    // 1..4 = 10, 15, 20, 25 WPM (dot 120, 80, 60, 48 ms); clamped.
    void setCwIdSpeed(int speedIndex);
    static double cwIdDotSeconds(int speedIndex);
    // 0 BPSK, 1 QPSK USB, 2 QPSK LSB, 3 tune (steady carrier until stop/abort), 4 tune, then
    // the CW identification after stop. Restarts if already active; other values are ignored.
    void start(int mode);
    void queueChar(uint8_t c);
    size_t queuedChars() const;
    void requestStop(); // finish once the queue is empty (postamble follows)
    void requestCwId(); // send the CW identification when the transmission ends
    void abort();       // end at once: 8 ms ramp down, no postamble, no CW id, queue dropped
    bool active() const;
    // Fills count samples (peak <= 0.9, silence when inactive). CharSent comes when the
    // character's last bit and its "00" gap have left; Finished once everything is over.
    void process(size_t count, float* out, std::vector<Event>& events);

    static constexpr double kAmplitude = 0.9;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace dsp
