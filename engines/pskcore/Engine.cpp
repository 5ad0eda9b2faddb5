#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <future>
#include <new>
#include <sys/stat.h>

#include "ChannelBank.h"
#include "dsp/PskTransmitter.h"
#include "platform/Messages.h"
#include "PortAudioDevice.h"
#include "pskcore.h"
#include "RealTimeSource.h"
#include "SimBand.h"
#include "WavFile.h"

namespace pskcore {

namespace {

constexpr size_t kBlock = 256;                        // samples per DSP pass at most
constexpr size_t kHistory = 25 * audio::kWorkingRate; // what fnRewindInput can replay
constexpr size_t kTxChunk = 128;                      // shorter than any character
constexpr size_t kTxLead = audio::kWorkingRate / 2;   // transmit audio queued ahead on a card
constexpr auto kIdleWait = std::chrono::milliseconds(12);
constexpr auto kReopenEvery = std::chrono::seconds(2); // a lost device is looked for again

// What a lost capture device is replaced with until it is back: nothing arrives.
class SilentSource : public audio::SampleSource {
public:
    size_t read(float*, size_t) override { return 0; }
    bool paced() const override { return true; }
};

int32_t statusForFault(audio::Fault f) {
    switch (f) {
    case audio::Fault::InputOverflow:
        return PSKCORE_STATUS_INPUT_OVERFLOW;
    case audio::Fault::InputTimeout:
        return PSKCORE_STATUS_INPUT_TIMEOUT;
    case audio::Fault::DeviceLost:
        return PSKCORE_STATUS_READ_NOT_OPEN;
    case audio::Fault::ReaderTooSlow:
        return PSKCORE_STATUS_CPU_TOO_SLOW;
    case audio::Fault::OutputUnderflow:
        return PSKCORE_STATUS_OUTPUT_UNDERFLOW;
    case audio::Fault::OutputTimeout:
        return PSKCORE_STATUS_OUTPUT_TIMEOUT;
    case audio::Fault::None:
        break;
    }
    return -1;
}

int32_t resultFor(audio::OpenResult r) {
    switch (r) {
    case audio::OpenResult::Ok:
        return 0;
    case audio::OpenResult::NoDevice:
        return PSKCORE_ERR_NO_DEVICE;
    case audio::OpenResult::Busy:
        return PSKCORE_ERR_BUSY;
    case audio::OpenResult::Format:
        return PSKCORE_ERR_FORMAT;
    case audio::OpenResult::BadArgument:
        return PSKCORE_ERR_BAD_ARGUMENT;
    }
    return PSKCORE_ERR_NO_DEVICE;
}

// Symbol-timing errors and raw baseband samples, from receivers that offer them.
template <typename Rx> bool copySync(const Rx& rx, int32_t* out) {
    if constexpr (requires { rx.syncData(out); }) {
        rx.syncData(out);
        return true;
    }
    return false;
}
template <typename Rx> bool copyRaw(const Rx& rx, int32_t* out) {
    if constexpr (requires { rx.rawData(out); }) {
        rx.rawData(out);
        return true;
    }
    return false;
}
template <typename Rx> constexpr bool kOffersSync = requires(const Rx& rx, int32_t* b) {
    rx.syncData(b);
};
template <typename Rx> constexpr bool kOffersRaw = requires(const Rx& rx, int32_t* b) {
    rx.rawData(b);
};
constexpr bool kHaveSyncData = kOffersSync<dsp::PskReceiver>;
constexpr bool kHaveRawData = kOffersRaw<dsp::PskReceiver>;

} // namespace

bool parseSourceSpec(const std::string& text, SourceSpec& source) {
    SourceSpec s;
    if (text == "auto") {
        s.kind = SourceSpec::Auto;
    } else if (text == "device") {
        s.kind = SourceSpec::Device;
    } else if (text == "none") {
        s.kind = SourceSpec::None;
    } else if (text == "sim") {
        s.kind = SourceSpec::Sim;
    } else if (text.rfind("sim:", 0) == 0) {
        s.kind = SourceSpec::Sim;
        std::string digits = text.substr(4);
        const std::string hear = ":loopback";
        if (digits.size() > hear.size() &&
            digits.compare(digits.size() - hear.size(), hear.size(), hear) == 0) {
            s.hearOwn = true;
            digits.resize(digits.size() - hear.size());
        }
        if (digits.empty() || digits.size() > 19 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        s.seed = std::strtoull(digits.c_str(), nullptr, 10);
    } else if (text.rfind("wav:", 0) == 0 && text.size() > 4) {
        s.kind = SourceSpec::Wav;
        s.path = text.substr(4);
    } else {
        return false;
    }
    source = s;
    return true;
}

// Everything the DSP thread owns while the engine runs.
struct Engine::Dsp {
    enum class Tx { Idle, Running, Draining };

    std::unique_ptr<audio::SampleSource> source;
    std::unique_ptr<audio::SampleSink> ownSink;
    audio::SampleSink* sink = nullptr; // ownSink, or the simulated band's loop-back
    audio::PortAudioCapture* capture = nullptr;
    audio::PortAudioPlayback* playback = nullptr;
    std::unique_ptr<ChannelBank> bank;
    ChannelBank::Decoded decoded;
    dsp::PskTransmitter tx{double(audio::kWorkingRate)};
    std::vector<dsp::PskTransmitter::Event> events;
    int card = -1;           // the sound card, for opening it again once it is lost
    bool deviceLost = false; // the source is a stand-in until the card can be opened again
    std::chrono::steady_clock::time_point reopenAt;

    std::vector<float> history = std::vector<float>(kHistory, 0.0f);
    size_t historyPos = 0;
    size_t historyFill = 0;

    Tx txState = Tx::Idle;
    int txMode = 0;
    uint64_t generated = 0;                          // transmit samples produced so far
    std::deque<std::pair<uint64_t, uint8_t>> echoes; // sent characters not yet heard
    std::vector<float> txBuffer;
};

Engine& Engine::instance() {
    static Engine engine;
    return engine;
}

Engine::Engine() : publishedFft_(1024, 0) {
    const int defaults[kChannels] = {1000, 1500, 2000};
    for (int ch = 0; ch < kChannels; ++ch) {
        config_[ch].frequency = defaults[ch];
        publishedFrequency_[ch] = defaults[ch];
    }
    ptt_ = std::make_unique<SerialPttLine>();
}

Engine::~Engine() {
    stop();
}

// ---------------------------------------------------------------- start and stop

int32_t Engine::start(int32_t window, int32_t card, int32_t channels) {
    std::lock_guard<std::mutex> api(apiMutex_);
    if (running_) return PSKCORE_ERR_ALREADY_RUNNING;
    if (window <= 0 || card < -1 || card > 3 || channels < 1 || channels > kChannels)
        return PSKCORE_ERR_BAD_ARGUMENT;

    auto d = std::make_unique<Dsp>();
    SourceSpec source = source_;
    if (source.kind == SourceSpec::Auto)
        source.kind = audio::captureDevices().empty() ? SourceSpec::Sim : SourceSpec::Device;

    switch (source.kind) {
    case SourceSpec::None:
        return PSKCORE_ERR_NO_DEVICE;
    case SourceSpec::Sim: {
        // The simulated band is the only device: soundcard #0, which is also the default.
        if (card > 0) return PSKCORE_ERR_NO_DEVICE;
        auto band = std::make_unique<audio::SimBand>(source.seed);
        band->setHearOwnSignal(source.hearOwn);
        d->sink = &band->loopback();
        d->source = std::make_unique<audio::RealTimeSource>(std::move(band), timeScale_);
        break;
    }
    case SourceSpec::Wav: {
        if (card > 0) return PSKCORE_ERR_NO_DEVICE;
        auto wav = std::make_unique<audio::WavSource>();
        if (!wav->open(source.path)) {
            struct stat st {};
            return ::stat(source.path.c_str(), &st) == 0 ? PSKCORE_ERR_FORMAT
                                                         : PSKCORE_ERR_NO_DEVICE;
        }
        d->source = std::make_unique<audio::RealTimeSource>(std::move(wav), timeScale_);
        d->ownSink = std::make_unique<audio::NullSink>();
        d->sink = d->ownSink.get();
        break;
    }
    case SourceSpec::Device:
    case SourceSpec::Auto: {
        std::unique_ptr<audio::PortAudioCapture> capture;
        std::string detail;
        const audio::OpenResult r = audio::PortAudioCapture::open(card, capture, detail);
        if (r != audio::OpenResult::Ok) return resultFor(r);
        std::unique_ptr<audio::PortAudioPlayback> playback;
        // Receiving works without playback; transmitting then reports the card as not open.
        if (audio::PortAudioPlayback::open(card, playback, detail, audio::kSteadyPlaybackLatency) ==
            audio::OpenResult::Ok) {
            d->playback = playback.get();
            d->ownSink = std::move(playback);
            d->sink = d->ownSink.get();
        }
        d->capture = capture.get();
        d->source = std::move(capture);
        d->card = card;
        break;
    }
    }

    d->bank = std::make_unique<ChannelBank>(channels);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int ch = 0; ch < d->bank->channels(); ++ch) {
            dsp::PskReceiver& rx = d->bank->receiver(ch);
            const ChannelConfig& c = config_[ch];
            rx.setMode(dsp::PskMode(c.mode));
            rx.setAfcLimit(c.afcLimit);
            rx.setSquelch(c.squelch, c.squelchSpeed);
            rx.setFrequency(c.frequency, c.searchRange);
            frequencyDirty_[ch] = 0;
        }
        d->bank->spectrum().setMode(smoothing_, intensity_, contrast_);
        d->tx.setFrequency(txFrequency_);
        d->tx.setCwIdText(cwText_);
        d->tx.setCwIdSpeed(cwSpeed_);
        if (clockPpm_ != 0) {
            if (d->capture) d->capture->setClockCorrection(clockPpm_);
            if (d->playback) d->playback->setClockCorrection(clockPpm_);
        }
        commands_.clear();
        txQueue_.clear();
        txInFlight_ = 0;
        stopPending_ = cwPending_ = false;
        overload_ = false;
        std::fill(publishedFft_.begin(), publishedFft_.end(), 0);
        // Under the same lock as the configuration read above: a setting changed from now on
        // is queued as a command instead of being lost.
        simulated_ = source.kind == SourceSpec::Sim;
        window_ = window;
        dsp_ = std::move(d);
        stopping_ = false;
        running_ = true;
    }
    thread_ = std::thread([this] { run(); });

    std::lock_guard<std::mutex> lock(pttMutex_);
    if (pttFailed_) post(PSKCORE_MSG_STATUS, kStatusPttFailed, 0);
    return 0;
}

int32_t Engine::stop() {
    std::lock_guard<std::mutex> api(apiMutex_);
    if (!running_) return 0;
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    dsp_.reset();
    running_ = false;
    simulated_ = false;
    std::lock_guard<std::mutex> lock(mutex_);
    txQueue_.clear();
    txInFlight_ = 0;
    stopPending_ = cwPending_ = false;
    return 0;
}

// ---------------------------------------------------------------- the DSP thread

void Engine::post(uint32_t message, int32_t wParam, int32_t lParam) {
    platform::postMessage(window_.load(), message, wParam, lParam);
}

void Engine::queueCommand(Command c) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_) commands_.push_back(std::move(c));
}

void Engine::keyPtt(bool keyed) {
    std::lock_guard<std::mutex> lock(pttMutex_);
    if (ptt_) ptt_->setKeyed(keyed);
}

void Engine::run() {
    Dsp& d = *dsp_;
    try {
        std::vector<float> block(kBlock);
        while (!stopping_) {
            applyCommands(d);
            if (d.deviceLost && std::chrono::steady_clock::now() >= d.reopenAt) reopenDevice(d);
            const size_t n = d.source->read(block.data(), kBlock);
            checkFaults(d);
            if (n > 0) {
                receive(d, block.data(), n);
                transmit(d, n);
            } else if (d.txState != Dsp::Tx::Idle) {
                transmit(d, 0); // a card's output keeps going even while its input stalls
            }
            if (n < kBlock) {
                std::unique_lock<std::mutex> lock(wakeMutex_);
                wake_.wait_for(lock, kIdleWait, [this] { return stopping_.load(); });
            }
        }
    } catch (const std::bad_alloc&) {
        // Nothing more can be decoded; say so, and leave the radio unkeyed.
        post(PSKCORE_MSG_STATUS, PSKCORE_STATUS_MEMORY, 0);
    }
    if (d.txState != Dsp::Tx::Idle) {
        d.tx.abort();
        keyPtt(false);
        post(PSKCORE_MSG_STATUS, PSKCORE_STATUS_RX, 0);
    }
}

void Engine::applyCommands(Dsp& d) {
    std::vector<Command> todo;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        todo.swap(commands_);
        // Every retune queued so far is applied before the next publish.
        std::fill(std::begin(frequencyDirty_), std::end(frequencyDirty_), 0);
    }
    for (Command& c : todo)
        c(d);
}

void Engine::checkFaults(Dsp& d) {
    for (audio::Fault f = d.source->takeFault(); f != audio::Fault::None;
         f = d.source->takeFault()) {
        post(PSKCORE_MSG_STATUS, statusForFault(f), 0);
        if (f == audio::Fault::DeviceLost) {
            loseDevice(d);
            return;
        }
    }
    if (d.sink)
        for (audio::Fault f = d.sink->takeFault(); f != audio::Fault::None; f = d.sink->takeFault())
            post(PSKCORE_MSG_STATUS, statusForFault(f), 0);
}

void Engine::loseDevice(Dsp& d) {
    if (d.txState != Dsp::Tx::Idle) {
        // Nothing more reaches the air: unkey and say so rather than hang in transmit.
        d.tx.abort();
        d.echoes.clear();
        finishTransmission(d);
    }
    // Close both streams, and with them PortAudio, so that the next attempt sees the devices
    // as they are by then (a card plugged in again, a sound server restarted).
    d.capture = nullptr;
    d.playback = nullptr;
    d.sink = nullptr;
    d.source = std::make_unique<SilentSource>();
    d.ownSink.reset();
    d.deviceLost = true;
    d.reopenAt = std::chrono::steady_clock::now() + kReopenEvery;
}

void Engine::reopenDevice(Dsp& d) {
    d.reopenAt = std::chrono::steady_clock::now() + kReopenEvery;
    std::unique_ptr<audio::PortAudioCapture> capture;
    std::string detail;
    if (audio::PortAudioCapture::open(d.card, capture, detail) != audio::OpenResult::Ok) return;
    std::unique_ptr<audio::PortAudioPlayback> playback;
    if (audio::PortAudioPlayback::open(d.card, playback, detail, audio::kSteadyPlaybackLatency) ==
        audio::OpenResult::Ok) {
        d.playback = playback.get();
        d.ownSink = std::move(playback);
        d.sink = d.ownSink.get();
    }
    d.capture = capture.get();
    d.source = std::move(capture);
    int ppm;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ppm = clockPpm_;
    }
    if (ppm != 0) {
        d.capture->setClockCorrection(ppm);
        if (d.playback) d.playback->setClockCorrection(ppm);
    }
    d.deviceLost = false;
}

void Engine::receive(Dsp& d, const float* in, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        d.history[d.historyPos] = in[i];
        d.historyPos = (d.historyPos + 1) % kHistory;
    }
    d.historyFill = std::min(kHistory, d.historyFill + n);

    ChannelBank& bank = *d.bank;
    for (auto& v : d.decoded)
        v.clear();
    const int frames = bank.process(in, n, d.decoded);
    for (int ch = 0; ch < bank.channels(); ++ch) {
        for (uint8_t c : d.decoded[size_t(ch)])
            post(PSKCORE_MSG_CHAR, c, ch);
        int imd = 0;
        if (bank.receiver(ch).takeImd(imd)) post(PSKCORE_MSG_IMD, -imd, ch);
    }

    std::lock_guard<std::mutex> lock(mutex_);
    for (int ch = 0; ch < bank.channels(); ++ch) {
        const dsp::PskReceiver& rx = bank.receiver(ch);
        if (frequencyDirty_[ch] == 0) publishedFrequency_[ch] = int(std::lround(rx.frequency()));
        publishedLevel_[ch] = rx.signalLevel();
        rx.vectorData(publishedVector_[ch]);
        copySync(rx, publishedSync_[ch]);
        copyRaw(rx, publishedRaw_[ch]);
    }
    if (frames > 0) {
        bank.spectrum().magnitudes(publishedFft_.data(), 0, 1023);
        overload_ = bank.spectrum().takeOverload() || overload_;
    }
    // Posted after the data is in place, so the program's poll finds the new frame.
    for (int i = 0; i < frames; ++i)
        post(PSKCORE_MSG_DATA, 0, 0);
}

void Engine::transmit(Dsp& d, size_t inputSamples) {
    if (d.txState == Dsp::Tx::Idle || !d.sink) return;
    if (d.txState == Dsp::Tx::Running) {
        if (d.sink->paced()) {
            // Keep half a second queued for the card: more than its own buffer, so that when a
            // hold-up of our process has emptied that, it is refilled from here rather than with
            // a gap. An abort fades out at the card what is queued.
            while (d.txState == Dsp::Tx::Running && d.sink->queued() < kTxLead &&
                   d.sink->space() >= kTxChunk)
                generate(d, kTxChunk);
        } else {
            // The simulated band and files take transmit audio in step with the input.
            for (size_t done = 0; done < inputSamples && d.txState == Dsp::Tx::Running;
                 done += kTxChunk)
                generate(d, std::min(kTxChunk, inputSamples - done));
        }
    }
    // A character counts as sent once the card has played it.
    const uint64_t played = d.generated - std::min<uint64_t>(d.generated, d.sink->pending());
    while (!d.echoes.empty() && d.echoes.front().first <= played) {
        post(PSKCORE_MSG_CHAR, d.echoes.front().second, -1);
        d.echoes.pop_front();
    }
    if (d.txState == Dsp::Tx::Draining && d.sink->pending() == 0 && d.echoes.empty())
        finishTransmission(d);
}

void Engine::generate(Dsp& d, size_t n) {
    {
        // Hand the transmitter one character at a time, so that the rest of the queue stays
        // ours to count and clear.
        std::lock_guard<std::mutex> lock(mutex_);
        const bool tuning = d.txMode >= dsp::PskTransmitter::ModeTune;
        if (!tuning && d.tx.queuedChars() == 0 && !txQueue_.empty()) {
            d.tx.queueChar(txQueue_.front());
            txQueue_.pop_front();
            ++txInFlight_;
        }
        if (cwPending_) {
            d.tx.requestCwId();
            cwPending_ = false;
        }
        if (stopPending_ && (tuning || txQueue_.empty())) {
            d.tx.requestStop();
            stopPending_ = false;
        }
    }
    d.txBuffer.assign(n, 0.0f);
    d.events.clear();
    d.tx.process(n, d.txBuffer.data(), d.events);
    d.sink->write(d.txBuffer.data(), n);
    d.generated += n;
    for (const auto& e : d.events) {
        if (e.kind == dsp::PskTransmitter::Event::CharSent) {
            d.echoes.emplace_back(d.generated, e.ch);
            std::lock_guard<std::mutex> lock(mutex_);
            txInFlight_ = txInFlight_ > 0 ? txInFlight_ - 1 : 0;
        } else {
            d.txState = Dsp::Tx::Draining;
            d.sink->setTransmitting(false);
        }
    }
}

void Engine::finishTransmission(Dsp& d) {
    d.txState = Dsp::Tx::Idle;
    keyPtt(false);
    {
        // Whatever is still queued (typed during a tuning carrier, or after the stop) would
        // otherwise leak into the next transmission.
        std::lock_guard<std::mutex> lock(mutex_);
        stopPending_ = cwPending_ = false;
        txInFlight_ = 0;
        txQueue_.clear();
    }
    post(PSKCORE_MSG_STATUS, PSKCORE_STATUS_RX, 0);
}

void Engine::replay(Dsp& d, int seconds) {
    const size_t want = std::min(d.historyFill, size_t(seconds) * audio::kWorkingRate);
    ChannelBank& bank = *d.bank;
    for (int ch = 0; ch < bank.channels(); ++ch) {
        dsp::PskReceiver& rx = bank.receiver(ch);
        const double f = rx.frequency();
        rx.reset();
        std::lock_guard<std::mutex> lock(mutex_);
        rx.setFrequency(f, config_[ch].searchRange);
    }
    size_t pos = (d.historyPos + kHistory - want) % kHistory;
    std::vector<float> block(4096);
    for (size_t left = want; left > 0;) {
        const size_t n = std::min({left, block.size(), kHistory - pos});
        std::copy_n(d.history.begin() + long(pos), n, block.begin());
        for (auto& v : d.decoded)
            v.clear();
        bank.process(block.data(), n, d.decoded, true);
        for (int ch = 0; ch < bank.channels(); ++ch)
            for (uint8_t c : d.decoded[size_t(ch)])
                post(PSKCORE_MSG_CHAR, c, ch);
        pos = (pos + n) % kHistory;
        left -= n;
    }
}

// ---------------------------------------------------------------- receive settings

int32_t Engine::setRxFrequency(int32_t frequency, int32_t searchRange, int32_t channel) {
    if (!validChannel(channel)) return PSKCORE_ERR_BAD_ARGUMENT;
    const int f = std::clamp(frequency, 100, 3900);
    const int range = std::clamp(searchRange, 0, 500);
    std::lock_guard<std::mutex> lock(mutex_);
    config_[channel].frequency = f;
    config_[channel].searchRange = range;
    publishedFrequency_[channel] = f;
    if (running_) {
        frequencyDirty_[channel] = 1;
        commands_.push_back([channel, f, range](Dsp& d) {
            if (channel < d.bank->channels()) d.bank->receiver(channel).setFrequency(f, range);
        });
    }
    return 0;
}

int32_t Engine::rxFrequency(int32_t channel) {
    if (!validChannel(channel)) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    return publishedFrequency_[channel];
}

int32_t Engine::setRxMode(int32_t mode, int32_t channel) {
    if (!validChannel(channel) || mode < 0 || mode > 2) return PSKCORE_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(mutex_);
    config_[channel].mode = mode;
    if (running_)
        commands_.push_back([channel, mode](Dsp& d) {
            if (channel < d.bank->channels()) d.bank->receiver(channel).setMode(dsp::PskMode(mode));
        });
    return 0;
}

int32_t Engine::setAfcLimit(int32_t limit, int32_t channel) {
    if (!validChannel(channel)) return PSKCORE_ERR_BAD_ARGUMENT;
    const int l = std::clamp(limit, 0, 500);
    std::lock_guard<std::mutex> lock(mutex_);
    config_[channel].afcLimit = l;
    if (running_)
        commands_.push_back([channel, l](Dsp& d) {
            if (channel < d.bank->channels()) d.bank->receiver(channel).setAfcLimit(l);
        });
    return 0;
}

int32_t Engine::setSquelch(int32_t threshold, int32_t speed, int32_t channel) {
    if (!validChannel(channel)) return PSKCORE_ERR_BAD_ARGUMENT;
    const int t = std::clamp(threshold, 0, 99);
    // 0 fast, 1 slow, otherwise an averaging time of 10..200 symbols.
    const int s = speed <= 1 ? std::max(speed, 0) : std::clamp(speed, 10, 200);
    std::lock_guard<std::mutex> lock(mutex_);
    config_[channel].squelch = t;
    config_[channel].squelchSpeed = s;
    if (running_)
        commands_.push_back([channel, t, s](Dsp& d) {
            if (channel < d.bank->channels()) d.bank->receiver(channel).setSquelch(t, s);
        });
    return 0;
}

int32_t Engine::setFftMode(int32_t smoothing, int32_t intensity, int32_t contrast) {
    std::lock_guard<std::mutex> lock(mutex_);
    smoothing_ = std::clamp(smoothing, 1, 10);
    intensity_ = std::clamp(intensity, 64, 640);
    contrast_ = std::clamp(contrast, 1, 20);
    if (running_)
        commands_.push_back([s = smoothing_, i = intensity_, c = contrast_](Dsp& d) {
            d.bank->spectrum().setMode(s, i, c);
        });
    return 0;
}

int32_t Engine::fftData(int32_t* buffer, int32_t firstBin, int32_t lastBin) {
    if (!buffer) return 0;
    // Bin b goes to buffer[b - firstBin]; requested bins outside 0..1023 are left untouched.
    const int first = std::max(firstBin, 0);
    const int last = std::min(lastBin, 1023);
    std::lock_guard<std::mutex> lock(mutex_);
    if (first <= last)
        std::copy(publishedFft_.begin() + first, publishedFft_.begin() + last + 1,
                  buffer + (std::int64_t(first) - firstBin));
    const bool overload = overload_;
    overload_ = false;
    return overload ? 1 : 0;
}

int32_t Engine::vectorData(int32_t* buffer, int32_t channel) {
    if (!buffer || !validChannel(channel)) return PSKCORE_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(mutex_);
    std::copy_n(publishedVector_[channel], 16, buffer);
    return 0;
}

int32_t Engine::signalLevel(int32_t channel) {
    if (!validChannel(channel)) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    return publishedLevel_[channel];
}

int32_t Engine::syncData(int32_t* buffer, int32_t channel) {
    if (!buffer || !validChannel(channel)) return PSKCORE_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(mutex_);
    std::copy_n(publishedSync_[channel], 16, buffer);
    return kHaveSyncData ? 0 : PSKCORE_ERR_NO_DEVICE;
}

int32_t Engine::rawData(int32_t* buffer, int32_t channel) {
    if (!buffer || !validChannel(channel)) return PSKCORE_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(mutex_);
    std::copy_n(publishedRaw_[channel], 16, buffer);
    return kHaveRawData ? 0 : PSKCORE_ERR_NO_DEVICE;
}

int32_t Engine::closestPeak(int32_t frequency, int32_t range) {
    const int f = std::clamp(frequency, 0, 4000);
    const int r = std::clamp(range, 0, 4000);
    if (!running_ || r == 0) return f;
    auto answer = std::make_shared<std::promise<int32_t>>();
    std::future<int32_t> result = answer->get_future();
    queueCommand([answer, f, r](Dsp& d) {
        double found = f;
        if (!d.bank->peaks().strongest(f - r, f + r, found)) found = f;
        answer->set_value(int32_t(std::lround(found)));
    });
    if (result.wait_for(std::chrono::milliseconds(500)) != std::future_status::ready) return f;
    return result.get();
}

int32_t Engine::setClockCorrection(int32_t ppm) {
    const int p = std::clamp(ppm, -1000, 1000);
    std::lock_guard<std::mutex> lock(mutex_);
    clockPpm_ = p;
    if (running_)
        commands_.push_back([p](Dsp& d) {
            if (d.capture) d.capture->setClockCorrection(p);
            if (d.playback) d.playback->setClockCorrection(p);
        });
    return 0;
}

int32_t Engine::rewind(int32_t seconds) {
    // 99 (or anything out of range) means as much as is kept.
    const int s = seconds >= 1 && seconds <= 25 ? seconds : 25;
    if (!running_) return PSKCORE_ERR_NO_DEVICE;
    queueCommand([this, s](Dsp& d) { replay(d, s); });
    return 0;
}

// ---------------------------------------------------------------- transmit

int32_t Engine::startTx(int32_t mode) {
    if (mode < 0 || mode > 4) return PSKCORE_ERR_BAD_ARGUMENT;
    if (!running_) {
        // Nothing to play to: say so the way a card that is not open would.
        post(PSKCORE_MSG_STATUS, PSKCORE_STATUS_WRITE_NOT_OPEN, 0);
        return PSKCORE_ERR_NO_DEVICE;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    stopPending_ = false;
    cwPending_ = false;
    commands_.push_back([this, mode](Dsp& d) {
        if (!d.sink) {
            post(PSKCORE_MSG_STATUS, PSKCORE_STATUS_WRITE_NOT_OPEN, 0);
            return;
        }
        {
            std::lock_guard<std::mutex> l(mutex_);
            d.tx.setFrequency(txFrequency_);
            d.tx.setCwIdText(cwText_);
            d.tx.setCwIdSpeed(cwSpeed_);
            txInFlight_ = 0;
        }
        {
            std::lock_guard<std::mutex> l(pttMutex_);
            if (pttMode_ != 0 && ptt_ && !ptt_->isOpen() && !ptt_->configure(pttPort_, pttMode_))
                post(PSKCORE_MSG_STATUS, kStatusPttFailed, 0);
            if (ptt_) ptt_->setKeyed(true);
        }
        d.echoes.clear();
        d.txMode = mode;
        d.tx.start(mode);
        d.txState = Dsp::Tx::Running;
        d.sink->setTransmitting(true);
        post(PSKCORE_MSG_STATUS, mode >= 3 ? PSKCORE_STATUS_TUNE : PSKCORE_STATUS_TX, 0);
    });
    return 0;
}

int32_t Engine::stopTx() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopPending_ = true;
    return 0;
}

int32_t Engine::abortTx() {
    std::lock_guard<std::mutex> lock(mutex_);
    txQueue_.clear();
    stopPending_ = cwPending_ = false;
    if (running_)
        commands_.push_back([](Dsp& d) {
            if (d.txState == Dsp::Tx::Idle) return;
            d.tx.abort();
            d.echoes.clear(); // never reached the air
            if (!d.sink->paced()) return;
            // Half a second is queued for the card: it fades that out itself, so the
            // transmitter's own ramp down is run through but not played.
            std::vector<dsp::PskTransmitter::Event> events;
            std::vector<float> ramp(kTxChunk);
            for (int i = 0; i < 1000 && d.tx.active(); ++i)
                d.tx.process(ramp.size(), ramp.data(), events);
            d.txState = Dsp::Tx::Draining;
            d.sink->setTransmitting(false);
            d.sink->discard();
        });
    return 0;
}

int32_t Engine::setTxFrequency(int32_t frequency) {
    const int f = std::clamp(frequency, 100, 3900);
    std::lock_guard<std::mutex> lock(mutex_);
    txFrequency_ = f;
    if (running_) commands_.push_back([f](Dsp& d) { d.tx.setFrequency(f); });
    return 0;
}

int32_t Engine::sendTxChar(int32_t character, int32_t flag) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (flag == 0) {
        if (character < 0 || character > 255) return PSKCORE_ERR_BAD_ARGUMENT;
        if (txQueue_.size() >= 65536)
            return PSKCORE_ERR_BUSY; // a runaway caller; the queue is already minutes long
        txQueue_.push_back(uint8_t(character));
        return 0;
    }
    if (flag == 1 && character == 1) {
        stopPending_ = true;
        return 0;
    }
    if (flag == 1 && character == 2) {
        cwPending_ = true;
        return 0;
    }
    return PSKCORE_ERR_BAD_ARGUMENT;
}

int32_t Engine::sendTxString(const char* text) {
    if (!text) return 0;
    int32_t n = 0;
    for (const char* p = text; *p && n < 65536; ++p, ++n)
        if (sendTxChar(uint8_t(*p), 0) != 0) break;
    return n;
}

int32_t Engine::txCharsRemaining() {
    std::lock_guard<std::mutex> lock(mutex_);
    return int32_t(txQueue_.size() + txInFlight_);
}

int32_t Engine::clearTxBuffer() {
    std::lock_guard<std::mutex> lock(mutex_);
    txQueue_.clear();
    return 0;
}

int32_t Engine::setCwIdText(const char* text) {
    std::string t = text ? std::string(text).substr(0, 64) : std::string();
    std::lock_guard<std::mutex> lock(mutex_);
    cwText_ = t;
    if (running_) commands_.push_back([t](Dsp& d) { d.tx.setCwIdText(t); });
    return 0;
}

int32_t Engine::setCwIdSpeed(int32_t speed) {
    const int s = std::clamp(speed, 1, 4);
    std::lock_guard<std::mutex> lock(mutex_);
    cwSpeed_ = s;
    if (running_) commands_.push_back([s](Dsp& d) { d.tx.setCwIdSpeed(s); });
    return 0;
}

int32_t Engine::setComPort(int32_t port, int32_t mode) {
    if (mode < 0 || mode > 3 || (mode != 0 && (port < 1 || port > 8)))
        return PSKCORE_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(pttMutex_);
    pttPort_ = port;
    pttMode_ = mode;
    const bool ok = ptt_->configure(port, mode);
    pttFailed_ = !ok;
    if (!ok) {
        if (running_) post(PSKCORE_MSG_STATUS, kStatusPttFailed, 0);
        return PSKCORE_ERR_NO_DEVICE;
    }
    return 0;
}

// ---------------------------------------------------------------- test hooks

int32_t Engine::setSource(const char* source) {
    SourceSpec s;
    if (!source || !parseSourceSpec(source, s)) return PSKCORE_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> api(apiMutex_);
    source_ = s;
    return 0;
}

void Engine::setTimeScale(int32_t factor) {
    std::lock_guard<std::mutex> api(apiMutex_);
    timeScale_ = std::clamp(factor, 1, 64);
}

void Engine::setPttObserver(ObservedPttLine::Observer observer) {
    std::lock_guard<std::mutex> lock(pttMutex_);
    if (ptt_) ptt_->configure(0, 0);
    if (observer)
        ptt_ = std::make_unique<ObservedPttLine>(std::move(observer));
    else
        ptt_ = std::make_unique<SerialPttLine>();
    pttFailed_ = false;
    if (pttMode_ != 0) pttFailed_ = !ptt_->configure(pttPort_, pttMode_);
}

bool Engine::simulatedBand() {
    return running_ && simulated_;
}

} // namespace pskcore
