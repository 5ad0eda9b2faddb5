#pragma once
// The RTTY engine's audio and DSP thread: receive (decoder, level, spectrum and XY data into
// the shared block), transmit (text queue to the sound card, with the CW identification at the
// end when the options ask for it) and AFC reports. Reports leave
// through a callback that may be called from the DSP thread (posting is thread-safe).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioIo.h"
#include "EngineOptions.h"
#include "MmttyLink.h"

namespace mmtty {

class RttyEngine {
public:
    using Report = std::function<void(int32_t code, int32_t value)>;
    // Called on the DSP thread when a transmission has ended (PTT goes off).
    using Finished = std::function<void()>;

    RttyEngine(std::unique_ptr<audio::SampleSource> source, std::unique_ptr<audio::SampleSink> sink,
               audio::SampleSink* loopback, SharedBlock* block, Report report, Finished finished);
    ~RttyEngine();
    void start();
    void stop();

    EngineSettings settings() const;
    void setSpeed(double baud);
    void setMark(double hz);
    void setSpace(double hz);
    void setSwitches(uint32_t word);
    void setDisplay(uint32_t word);
    void setSquelch(int level);
    EngineOptions options() const;
    void setOptions(const EngineOptions& options);

    void startTransmit();
    void stopTransmit();  // after the queue
    void abortTransmit(); // at once
    void sendChar(char c);
    bool transmitting() const { return transmitting_.load(); }

private:
    struct Dsp;
    void run();
    std::unique_ptr<audio::SampleSource> source_;
    std::unique_ptr<audio::SampleSink> sink_;
    audio::SampleSink* loopback_;
    SharedBlock* block_;
    Report report_;
    Finished finished_;
    mutable std::mutex mutex_; // guards settings_, options_, the command list and changed_
    EngineSettings settings_;
    EngineOptions options_;
    bool changed_ = true;
    std::vector<std::pair<int, int>> commands_; // transmit commands for the DSP thread
    std::atomic<bool> quit_{false};
    std::atomic<bool> transmitting_{false};
    std::thread thread_;
};

} // namespace mmtty
