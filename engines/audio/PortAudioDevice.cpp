#include "PortAudioDevice.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <portaudio.h>
#include <unistd.h>

#ifdef TD_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace audio {

namespace {

// PortAudio probes every host API it knows; ALSA and JACK complain about each missing piece on
// stderr. Point stderr at /dev/null while PortAudio talks to them.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null >= 0) ::dup2(null, 2);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }

private:
    int saved_ = -1;
};

#ifdef TD_HAVE_ALSA
void silentAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

std::mutex sessionMutex;
int sessionCount = 0;
bool sessionOk = false;

constexpr double kRates[] = {8000, 48000, 44100, 16000, 96000, 22050, 32000, 11025};
constexpr size_t kFramesPerBuffer = 256;
constexpr auto kInputTimeout = std::chrono::seconds(2);
// A sound server's device may take a second or two to deliver its first block.
constexpr auto kFirstInputTimeout = std::chrono::seconds(5);

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

OpenResult mapError(PaError err) {
    switch (err) {
    case paDeviceUnavailable:
        return OpenResult::Busy;
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paInvalidChannelCount:
        return OpenResult::Format;
    case paInvalidDevice:
        return OpenResult::NoDevice;
    default:
        // ALSA reports a device held by another program as a host error (EBUSY).
        return OpenResult::Busy;
    }
}

// Finds a rate and channel count the device accepts; false when there is none.
bool negotiate(int device, bool input, double& rate, int& channels) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info) return false;
    const int maxChannels = input ? info->maxInputChannels : info->maxOutputChannels;
    std::vector<double> rates(std::begin(kRates), std::end(kRates));
    rates.push_back(info->defaultSampleRate);
    for (int ch = 1; ch <= std::min(2, maxChannels); ++ch) {
        for (double r : rates) {
            PaStreamParameters p{};
            p.device = device;
            p.channelCount = ch;
            p.sampleFormat = paFloat32;
            p.suggestedLatency =
                input ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
            const PaError ok =
                input ? Pa_IsFormatSupported(&p, nullptr, r) : Pa_IsFormatSupported(nullptr, &p, r);
            if (ok == paFormatIsSupported) {
                rate = r;
                channels = ch;
                return true;
            }
        }
    }
    return false;
}

int captureIndex(int card) {
    if (card < 0) return Pa_GetDefaultInputDevice();
    int n = 0;
    for (int i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxInputChannels > 0 && n++ == card) return i;
    }
    return paNoDevice;
}

int playbackIndex(int card) {
    if (card < 0) return Pa_GetDefaultOutputDevice();
    const int in = captureIndex(card);
    const PaDeviceInfo* inInfo = in == paNoDevice ? nullptr : Pa_GetDeviceInfo(in);
    if (!inInfo) return paNoDevice;
    if (inInfo->maxOutputChannels > 0) return in;
    // A card whose capture and playback PortAudio lists as two devices of the same name.
    for (int i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxOutputChannels > 0 && info->hostApi == inInfo->hostApi &&
            std::string(info->name) == inInfo->name)
            return i;
    }
    return Pa_GetDefaultOutputDevice();
}

} // namespace

PortAudioSession::PortAudioSession() {
    std::lock_guard<std::mutex> lock(sessionMutex);
    if (sessionCount++ == 0) {
#ifdef TD_HAVE_ALSA
        snd_lib_error_set_handler(&silentAlsa);
#endif
        QuietStderr quiet;
        sessionOk = Pa_Initialize() == paNoError;
    }
    ok_ = sessionOk;
}

PortAudioSession::~PortAudioSession() {
    std::lock_guard<std::mutex> lock(sessionMutex);
    if (--sessionCount == 0 && sessionOk) {
        QuietStderr quiet;
        Pa_Terminate();
        sessionOk = false;
    }
}

std::vector<CaptureDeviceInfo> captureDevices() {
    PortAudioSession session;
    std::vector<CaptureDeviceInfo> list;
    if (!session.ok()) return list;
    for (int i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || info->maxInputChannels <= 0) continue;
        list.push_back({i, info->name ? info->name : "", info->defaultSampleRate,
                        info->maxInputChannels, info->maxOutputChannels});
    }
    return list;
}

// ---- capture

PortAudioCapture::PortAudioCapture() : ring_(1 << 17) {}

PortAudioCapture::~PortAudioCapture() {
    if (stream_) {
        QuietStderr quiet;
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
    }
}

OpenResult PortAudioCapture::open(int card, std::unique_ptr<PortAudioCapture>& out,
                                  std::string& detail) {
    if (card < -1 || card > 3) return OpenResult::BadArgument;
    std::unique_ptr<PortAudioCapture> self(new PortAudioCapture);
    if (!self->session_.ok()) {
        detail = "PortAudio could not be initialised";
        return OpenResult::NoDevice;
    }
    const int device = captureIndex(card);
    if (device == paNoDevice) {
        detail = "no capture device";
        return OpenResult::NoDevice;
    }
    if (!negotiate(device, true, self->rate_, self->channels_)) {
        detail = "the device offers no usable mono capture format";
        return OpenResult::Format;
    }
    PaStreamParameters p{};
    p.device = device;
    p.channelCount = self->channels_;
    p.sampleFormat = paFloat32;
    p.suggestedLatency = Pa_GetDeviceInfo(device)->defaultHighInputLatency;
    PaError err;
    {
        QuietStderr quiet;
        err = Pa_OpenStream(&self->stream_, &p, nullptr, self->rate_, kFramesPerBuffer, paClipOff,
                            &PortAudioCapture::callback, self.get());
        if (err == paNoError) err = Pa_StartStream(self->stream_);
    }
    if (err != paNoError) {
        detail = Pa_GetErrorText(err);
        return mapError(err);
    }
    self->resampler_ = std::make_unique<Resampler>(self->rate_, kWorkingRate);
    self->lastData_ = std::chrono::steady_clock::now();
    out = std::move(self);
    return OpenResult::Ok;
}

int PortAudioCapture::callback(const void* in, void*, unsigned long frames,
                               const PaStreamCallbackTimeInfo*, unsigned long flags, void* user) {
    auto* self = static_cast<PortAudioCapture*>(user);
    if (flags & paInputOverflow) self->deviceOverflow_.store(true, std::memory_order_relaxed);
    if (!in) return paContinue;
    const float* samples = static_cast<const float*>(in);
    size_t pushed = 0;
    if (self->channels_ == 1) {
        pushed = self->ring_.push(samples, frames);
    } else {
        for (unsigned long i = 0; i < frames; ++i)
            pushed += self->ring_.push(samples + i * size_t(self->channels_), 1);
    }
    if (pushed < frames) self->ringOverflow_.store(true, std::memory_order_relaxed);
    return paContinue;
}

size_t PortAudioCapture::read(float* out, size_t max) {
    size_t done = 0;
    while (done < max) {
        if (convertedPos_ < converted_.size()) {
            const size_t n = std::min(max - done, converted_.size() - convertedPos_);
            std::copy_n(converted_.begin() + long(convertedPos_), n, out + done);
            convertedPos_ += n;
            done += n;
            continue;
        }
        converted_.clear();
        convertedPos_ = 0;
        raw_.resize(4096);
        const size_t got = ring_.pop(raw_.data(), raw_.size());
        if (got == 0) break;
        resampler_->process(raw_.data(), got, converted_);
    }
    const auto now = std::chrono::steady_clock::now();
    if (done > 0) {
        lastData_ = now;
        timeoutReported_ = false;
        started_ = true;
    }
    return done;
}

Fault PortAudioCapture::takeFault() {
    if (ringOverflow_.exchange(false)) {
        ring_.discard(); // start afresh rather than decode stale audio
        return Fault::ReaderTooSlow;
    }
    if (deviceOverflow_.exchange(false)) return Fault::InputOverflow;
    // A stream that has stopped by itself will not come back: its device is gone. Each is
    // reported once; a stall that ends makes a later one reportable again.
    if (stream_ && Pa_IsStreamActive(stream_) != 1) {
        if (lostReported_) return Fault::None;
        lostReported_ = timeoutReported_ = true;
        return Fault::DeviceLost;
    }
    const auto limit = started_ ? kInputTimeout : kFirstInputTimeout;
    if (std::chrono::steady_clock::now() - lastData_ > limit && !timeoutReported_) {
        timeoutReported_ = true;
        return Fault::InputTimeout;
    }
    return Fault::None;
}

void PortAudioCapture::setClockCorrection(int ppm) {
    ppm = std::clamp(ppm, -1000, 1000);
    resampler_ = std::make_unique<Resampler>(rate_ * (1.0 + ppm * 1e-6), kWorkingRate);
}

// ---- playback

PortAudioPlayback::PortAudioPlayback() : ring_(1 << 17) {}

PortAudioPlayback::~PortAudioPlayback() {
    if (stream_) {
        QuietStderr quiet;
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
    }
}

OpenResult PortAudioPlayback::open(int card, std::unique_ptr<PortAudioPlayback>& out,
                                   std::string& detail, double minLatency) {
    if (card < -1 || card > 3) return OpenResult::BadArgument;
    std::unique_ptr<PortAudioPlayback> self(new PortAudioPlayback);
    if (!self->session_.ok()) {
        detail = "PortAudio could not be initialised";
        return OpenResult::NoDevice;
    }
    const int device = playbackIndex(card);
    if (device == paNoDevice) {
        detail = "no playback device";
        return OpenResult::NoDevice;
    }
    if (!negotiate(device, false, self->rate_, self->channels_)) {
        detail = "the device offers no usable playback format";
        return OpenResult::Format;
    }
    PaStreamParameters p{};
    p.device = device;
    p.channelCount = self->channels_;
    p.sampleFormat = paFloat32;
    p.suggestedLatency = std::max(Pa_GetDeviceInfo(device)->defaultHighOutputLatency, minLatency);
    PaError err;
    {
        QuietStderr quiet;
        err = Pa_OpenStream(&self->stream_, nullptr, &p, self->rate_, kFramesPerBuffer, paClipOff,
                            &PortAudioPlayback::callback, self.get());
        if (err == paNoError) err = Pa_StartStream(self->stream_);
    }
    if (err != paNoError) {
        detail = Pa_GetErrorText(err);
        return mapError(err);
    }
    self->resampler_ = std::make_unique<Resampler>(kWorkingRate, self->rate_);
    self->lastProgress_ = std::chrono::steady_clock::now();
    out = std::move(self);
    return OpenResult::Ok;
}

int PortAudioPlayback::callback(const void*, void* out, unsigned long frames,
                                const PaStreamCallbackTimeInfo* time, unsigned long flags,
                                void* user) {
    auto* self = static_cast<PortAudioPlayback*>(user);
    float* samples = static_cast<float*>(out);
    const size_t channels = size_t(self->channels_);
    size_t got;
    if (channels == 1) {
        got = self->ring_.pop(samples, frames);
        std::fill(samples + got, samples + frames, 0.0f);
    } else {
        got = 0;
        for (unsigned long i = 0; i < frames; ++i) {
            float v = 0.0f;
            got += self->ring_.pop(&v, 1);
            for (size_t c = 0; c < channels; ++c)
                samples[i * channels + c] = v;
        }
    }
    if (self->discard_.exchange(false, std::memory_order_relaxed)) {
        // Fade out what follows the last sample played, then nothing more of it.
        const size_t fade = std::min(got, size_t(self->rate_ * 0.008) + 1);
        for (size_t i = 0; i < frames; ++i) {
            const float g = i < fade ? 1.0f - float(i + 1) / float(fade) : 0.0f;
            for (size_t c = 0; c < channels; ++c)
                samples[i * channels + c] *= g;
        }
        self->ring_.discard();
        got = fade;
    }
    if (got > 0 && time) {
        const double ahead = std::clamp(time->outputBufferDacTime - time->currentTime, 0.0, 2.0);
        self->playedOutAt_.store(secondsNow() + ahead + double(got) / self->rate_,
                                 std::memory_order_relaxed);
    }
    // Our ring running dry, or the device having done so (a gap on the air all the same).
    if ((got < frames || (flags & paOutputUnderflow)) &&
        self->transmitting_.load(std::memory_order_relaxed))
        self->underflow_.store(true, std::memory_order_relaxed);
    self->callbacks_.fetch_add(1, std::memory_order_relaxed);
    return paContinue;
}

size_t PortAudioPlayback::write(const float* in, size_t n) {
    n = std::min(n, space());
    converted_.clear();
    resampler_->process(in, n, converted_);
    ring_.push(converted_.data(), converted_.size());
    return n;
}

size_t PortAudioPlayback::space() const {
    const double room = double(ring_.space()) / resampler_->ratio() - 64.0;
    return room > 0 ? size_t(room) : 0;
}

size_t PortAudioPlayback::queued() const {
    return size_t(double(ring_.capacity() - ring_.space()) / resampler_->ratio()) +
           resampler_->latency();
}

size_t PortAudioPlayback::pending() const {
    // What the device holds is still to be heard: the transmitter stays keyed until it is.
    const double held = playedOutAt_.load(std::memory_order_relaxed) - secondsNow();
    return queued() + (held > 0 ? size_t(held * kWorkingRate) : 0);
}

Fault PortAudioPlayback::takeFault() {
    if (underflow_.exchange(false)) return Fault::OutputUnderflow;
    const uint64_t calls = callbacks_.load(std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now();
    if (calls != lastCallbacks_) {
        lastCallbacks_ = calls;
        lastProgress_ = now;
        timeoutReported_ = false;
    } else if (now - lastProgress_ > kInputTimeout && !timeoutReported_) {
        timeoutReported_ = true; // once per stall, not every two seconds
        return Fault::OutputTimeout;
    }
    return Fault::None;
}

void PortAudioPlayback::setClockCorrection(int ppm) {
    ppm = std::clamp(ppm, -1000, 1000);
    resampler_ = std::make_unique<Resampler>(kWorkingRate, rate_ * (1.0 + ppm * 1e-6));
}

} // namespace audio
