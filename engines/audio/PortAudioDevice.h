#pragma once
// Sound cards through PortAudio. "Soundcard #0..#3" are the capture devices in PortAudio's
// order; -1 is the default device. Callbacks only move samples through lock-free rings; all
// conversion to and from the working rate happens on the caller's (DSP) thread.
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "AudioIo.h"
#include "Resampler.h"
#include "SampleRing.h"

struct PaStreamCallbackTimeInfo;

namespace audio {

enum class OpenResult { Ok, NoDevice, Busy, Format, BadArgument };

// Holds PortAudio initialised while alive (shared, counted); silences the ALSA and JACK
// messages its host libraries print on stderr.
class PortAudioSession {
public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct CaptureDeviceInfo {
    int index = -1; // PortAudio's device index
    std::string name;
    double defaultRate = 0;
    int inputChannels = 0;
    int outputChannels = 0;
};

// The capture devices in PortAudio's order (soundcard #0, #1, ...).
std::vector<CaptureDeviceInfo> captureDevices();

class PortAudioCapture : public SampleSource {
public:
    // Opens and starts capture from card -1 (default) or 0..3.
    static OpenResult open(int card, std::unique_ptr<PortAudioCapture>& out, std::string& detail);
    ~PortAudioCapture() override;

    size_t read(float* out, size_t max) override;
    bool paced() const override { return true; }
    Fault takeFault() override;

    double deviceRate() const { return rate_; }
    // Sound card clock error in parts per million; rebuilds the converter.
    void setClockCorrection(int ppm);

private:
    PortAudioCapture();
    static int callback(const void* in, void* out, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, unsigned long flags, void* self);
    void* stream_ = nullptr;
    PortAudioSession session_;
    double rate_ = 0;
    int channels_ = 1;
    SampleRing<float> ring_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<float> raw_, converted_;
    size_t convertedPos_ = 0;
    std::atomic<bool> deviceOverflow_{false};
    std::atomic<bool> ringOverflow_{false};
    std::chrono::steady_clock::time_point lastData_;
    bool timeoutReported_ = false;
    bool lostReported_ = false;
    bool started_ = false; // the first samples have arrived
};

// A playback buffer (seconds) that rides out hold-ups of our process. A sound server's stream
// (ALSA's "pulse" device) that runs dry because we were held up for longer than its buffer is
// restarted by PortAudio, and a short-buffered restarted stream can run dry again at once, over
// and over, taking the transmission at many times real time while nothing reaches the server.
// With a quarter of a second, a shorter hold-up leaves no gap and a longer one only a gap.
constexpr double kSteadyPlaybackLatency = 0.25;

class PortAudioPlayback : public SampleSink {
public:
    // Opens playback on the output side of card -1 (default) or 0..3, with a buffer of at least
    // minLatency seconds.
    static OpenResult open(int card, std::unique_ptr<PortAudioPlayback>& out, std::string& detail,
                           double minLatency = 0.0);
    ~PortAudioPlayback() override;

    size_t write(const float* in, size_t n) override;
    size_t space() const override;
    size_t pending() const override;
    size_t queued() const override;
    bool paced() const override { return true; }
    Fault takeFault() override;
    void setTransmitting(bool on) override { transmitting_.store(on); }
    void discard() override { discard_.store(true); }

    double deviceRate() const { return rate_; }
    void setClockCorrection(int ppm);

private:
    PortAudioPlayback();
    static int callback(const void* in, void* out, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, unsigned long flags, void* self);
    void* stream_ = nullptr;
    PortAudioSession session_;
    double rate_ = 0;
    int channels_ = 1;
    SampleRing<float> ring_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<float> converted_;
    std::atomic<bool> transmitting_{false};
    std::atomic<bool> underflow_{false};
    std::atomic<bool> discard_{false};
    // When (steady clock, seconds) the last transmit sample the device took will have played.
    std::atomic<double> playedOutAt_{0.0};
    std::atomic<uint64_t> callbacks_{0};
    uint64_t lastCallbacks_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
    bool timeoutReported_ = false;
};

} // namespace audio
