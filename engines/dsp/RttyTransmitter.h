#pragma once
// RTTY transmitter: queued text as Baudot over continuous-phase AFSK. Idle time between
// characters is filled with LTRS (diddle) so that receivers keep their timing; in word mode a
// word is held back until its end (space, line end or stop) has been typed; without diddle the
// idle time is steady mark. After stop the queue is sent, then a short mark tail and, if asked
// for, a CW identification keyed on the mark tone.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Baudot.h"
#include "FskModulator.h"

namespace dsp {

class RttyTransmitter {
public:
    struct Event {
        enum Kind { CharSent, Finished } kind;
        char ch;
    };
    explicit RttyTransmitter(double sampleRate = 8000.0);

    void setTones(double markHz, double shiftHz, bool reverse);
    void setBaud(double baud);
    void setUnshiftOnSpace(bool on) { enc_.setUnshiftOnSpace(on); }
    void setWordMode(bool on) { wordMode_ = on; }
    void setDiddle(bool on) { diddle_ = on; }
    void setLevel(double amplitude) { mod_.setAmplitude(amplitude); } // 0..1 of full scale
    // The identification's text and speed in words per minute (PARIS: a dot is 1.2/wpm s).
    void setCwId(const std::string& text, double wpm = 19.0);

    void start();           // begins with a short mark lead-in
    void queueChar(char c); // characters without a Baudot code are dropped
    void requestStop();     // finish once everything queued is sent
    void requestCwId();     // send the CW identification at the end
    void abort();           // silence at once; the queue is dropped
    bool active() const { return active_; }
    size_t queued() const { return queue_.size(); }

    // Fills count samples (silence when inactive); CharSent when a character's stop bit has
    // left, Finished once the transmission is over.
    void process(size_t count, float* out, std::vector<Event>& events);

    static constexpr double kAmplitude = 0.8;
    static constexpr double kStopBits = 1.5;

private:
    bool nextSegment(std::vector<Event>& events);
    bool wordReady() const;
    void appendCw();

    double fs_;
    FskModulator mod_;
    BaudotEncoder enc_;
    std::deque<char> queue_;
    std::vector<float> pending_;
    size_t pendingPos_ = 0;
    std::deque<std::pair<size_t, char>> sentAt_; // echo when this many samples have left
    size_t played_ = 0;
    bool active_ = false, stopping_ = false, cwId_ = false, tailDone_ = false;
    bool wordMode_ = false, diddle_ = true;
    std::string cwText_;
    double cwDot_ = 1.2 / 19.0;
};

} // namespace dsp
