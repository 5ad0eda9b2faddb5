#pragma once
// Paces a file or the simulated band to the wall clock, so that the program sees them arrive
// like a sound card's input. Once the inner source ends it goes on with silence.
#include <chrono>
#include <memory>

#include "AudioIo.h"

namespace audio {

class RealTimeSource : public SampleSource {
public:
    // speed > 1 runs faster than real time (tests); clamped to 0.1..64.
    explicit RealTimeSource(std::unique_ptr<SampleSource> inner, double speed = 1.0);

    size_t read(float* out, size_t max) override;
    bool paced() const override { return true; }
    Fault takeFault() override { return inner_->takeFault(); }

    SampleSource& inner() { return *inner_; }
    void setSpeed(double speed);

private:
    using Clock = std::chrono::steady_clock;
    std::unique_ptr<SampleSource> inner_;
    double speed_ = 1.0;
    Clock::time_point start_;
    double delivered_ = 0; // samples handed out since start_
};

} // namespace audio
