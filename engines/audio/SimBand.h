#pragma once
// The built-in simulated band: a handful of invented stations holding PSK31 QSOs at different
// audio frequencies over white noise, with slow drift and fading, plus our own transmission
// looped back. Fully determined by its seed.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "AudioIo.h"
#include "dsp/Noise.h"
#include "dsp/PskMode.h"
#include "dsp/PskTransmitter.h"
#include "QsoScript.h"
#include "RttyStations.h"

namespace audio {

class SimBand : public SampleSource {
public:
    struct SlotInfo {
        double frequency; // Hz, before drift
        dsp::PskMode mode;
        double snrDb; // in 3 kHz, before fading
    };

    explicit SimBand(uint64_t seed = 1);
    ~SimBand() override;

    size_t read(float* out, size_t max) override;

    const std::vector<SlotInfo>& plan() const { return info_; }
    // Everything a slot's stations have sent so far, in order.
    const std::string& sentText(size_t slot) const;

    // Where our own transmit audio goes; it is heard on the band at kLoopbackSnrDb. Samples
    // written are mixed into the following reads (same thread as read()).
    SampleSink& loopback() { return loopback_; }
    // A receiver is muted while its own transmitter is on: by default the band goes silent
    // while (and shortly after) our own signal arrives. Tests that want to decode the
    // loop-back turn hearing it on.
    void setHearOwnSignal(bool on) { hearOwn_ = on; }
    static constexpr double kLoopbackSnrDb = 10.0;

    // Noise standard deviation per sample and the signal power a transmitter's output has at
    // unit gain, from which station gains follow.
    static constexpr double kNoiseSigma = 0.02;
    static constexpr double kReferencePower = 0.30;
    static double gainForSnr(double snrDb);
    // The band's RTTY stations (their marks, levels and what they sent).
    const RttyStations& rttyStations() const { return *rtty_; }

private:
    struct Slot;
    class Loopback : public SampleSink {
    public:
        size_t write(const float* in, size_t n) override;
        std::deque<float> queue;
        double gain = 1.0;
    };
    void runSlot(Slot& slot, float* out, size_t n);
    void produceChunk();

    SimRandom rng_;
    dsp::GaussianNoise noise_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<SlotInfo> info_;
    std::vector<float> scratch_;
    std::vector<float> chunk_; // produced in fixed steps, so that read sizes do not matter
    size_t chunkPos_ = 0;
    std::vector<dsp::PskTransmitter::Event> events_;
    Loopback loopback_;
    std::unique_ptr<RttyStations> rtty_;
    uint64_t time_ = 0; // samples produced
    bool hearOwn_ = false;
    size_t muteLeft_ = 0; // samples still muted after our own signal
};

} // namespace audio
