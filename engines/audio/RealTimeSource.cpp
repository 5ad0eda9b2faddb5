#include "RealTimeSource.h"

#include <algorithm>

namespace audio {

RealTimeSource::RealTimeSource(std::unique_ptr<SampleSource> inner, double speed)
    : inner_(std::move(inner)) {
    setSpeed(speed);
}

void RealTimeSource::setSpeed(double speed) {
    speed_ = std::clamp(speed, 0.1, 64.0);
    start_ = Clock::now();
    delivered_ = 0;
}

size_t RealTimeSource::read(float* out, size_t max) {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    double due = elapsed * kWorkingRate * speed_ - delivered_;
    // After a stall (a debugger, a suspended machine) do not race to catch up more than a second.
    if (due > kWorkingRate) {
        delivered_ += due - kWorkingRate;
        due = kWorkingRate;
    }
    const size_t n = std::min(max, due > 0 ? size_t(due) : size_t(0));
    size_t got = inner_->ended() ? 0 : inner_->read(out, n);
    std::fill(out + got, out + n, 0.0f);
    delivered_ += double(n);
    return n;
}

} // namespace audio
