#pragma once
// The small interface every audio backend sits behind: a source of receive samples and a sink
// for transmit samples, both mono float at the engine's working rate.
#include <cstddef>

namespace audio {

// The engine's working rate; every backend converts to and from it.
constexpr int kWorkingRate = 8000;

// Faults a running backend reports; the engine turns them into status messages.
enum class Fault {
    None,
    InputOverflow,   // the device dropped input before we could take it
    InputTimeout,    // no input arrived for too long (device stalled)
    DeviceLost,      // the capture stream has stopped: device unplugged, sound server gone
    ReaderTooSlow,   // our capture ring filled up: the DSP thread fell behind
    OutputUnderflow, // the device ran out of transmit samples mid-transmission
    OutputTimeout    // the device stopped taking transmit samples
};

class SampleSource {
public:
    virtual ~SampleSource() = default;

    // Reads up to max samples into out and returns how many. A paced source (a sound card)
    // returns what has arrived, possibly nothing; an unpaced one produces on demand and returns 0
    // only once it has ended.
    virtual size_t read(float* out, size_t max) = 0;

    // True for sources whose samples arrive at the hardware's pace.
    virtual bool paced() const { return false; }

    // True once an unpaced source has nothing more to give.
    virtual bool ended() const { return false; }

    // The oldest fault not yet taken, Fault::None when all is well.
    virtual Fault takeFault() { return Fault::None; }
};

class SampleSink {
public:
    virtual ~SampleSink() = default;

    // Queues samples for playback; returns how many were taken.
    virtual size_t write(const float* in, size_t n) = 0;

    // How many more samples write() would take now. Unpaced sinks take anything.
    virtual size_t space() const { return static_cast<size_t>(-1); }

    // Samples written but not yet played, in working-rate samples.
    virtual size_t pending() const { return 0; }

    // Of those, the samples the device has not taken yet: what a paced sink is topped up by.
    virtual size_t queued() const { return pending(); }

    // True when playback runs at the hardware's pace.
    virtual bool paced() const { return false; }

    virtual Fault takeFault() { return Fault::None; }

    // Tells the sink whether a transmission is running, so that running dry between
    // transmissions is not an underflow.
    virtual void setTransmitting(bool) {}

    // Drops what is queued and not yet taken by the device, faded out over a few milliseconds
    // rather than cut off.
    virtual void discard() {}
};

// Discards everything: the transmit side when there is nothing to play to.
class NullSink : public SampleSink {
public:
    size_t write(const float*, size_t n) override { return n; }
};

} // namespace audio
