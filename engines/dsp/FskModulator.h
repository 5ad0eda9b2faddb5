#pragma once
// Continuous-phase AFSK for RTTY: one oscillator whose frequency switches between the mark and
// space tones at bit boundaries, so the signal has no phase jumps. Bit edges fall on the sample
// nearest the exact bit time, with the fraction carried over, so long transmissions keep the
// baud rate exactly.
#include <cstdint>
#include <vector>

namespace dsp {

class FskModulator {
public:
    explicit FskModulator(double sampleRate = 8000.0) : fs_(sampleRate) {}
    // Space = mark + shift; reverse exchanges the two tones.
    void setTones(double markHz, double shiftHz, bool reverse = false);
    void setBaud(double baud) { baud_ = baud; }
    void setAmplitude(double a) { amp_ = a; }
    double markHz() const { return mark_; }
    double spaceHz() const { return space_; }

    // Appends `bits` bit times of one tone (mark = true).
    void tone(bool mark, double bits, std::vector<float>& out);
    // One character: start bit, five data bits (first bit = bit 0 of code), stop bits.
    void character(uint8_t code, double stopBits, std::vector<float>& out);
    // A keyed carrier at the mark tone (CW identification): each change of the key starts a
    // raised-cosine edge of kKeyEdgeSeconds, so the keying makes no clicks.
    void keyed(bool on, double seconds, std::vector<float>& out);
    // Continues the current tone down to zero amplitude over `seconds` (raised cosine).
    void rampDown(double seconds, std::vector<float>& out);

    static constexpr double kKeyEdgeSeconds = 0.005;

private:
    // The amplitude moves from ampFrom to ampTo along a raised cosine over the segment.
    void segment(double hz, double seconds, double ampFrom, double ampTo, std::vector<float>& out);
    double fs_;
    double baud_ = 45.45;
    double mark_ = 2125, space_ = 2295;
    double amp_ = 0.9;
    double phase_ = 0;    // radians
    double timeDebt_ = 0; // fractional samples owed to the next segment
    double keyAmp_ = 0;   // current CW envelope
};

} // namespace dsp
