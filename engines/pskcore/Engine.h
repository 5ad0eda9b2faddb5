#pragma once
// The engine behind the C interface: one instance per process. API calls (any thread, usually
// the UI's) only touch state under mutex_ and queue commands; the DSP thread owns the receivers,
// the transmitter and the audio backends, and is the only one that posts messages while running.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PttLine.h"

namespace pskcore {

// Status posted when the PTT port cannot be opened. The program logs codes above 20 as an
// unknown status change, which is all it can do with it.
constexpr int32_t kStatusPttFailed = 21;

struct SourceSpec {
    enum Kind { Auto, Device, Sim, Wav, None } kind = Auto;
    uint64_t seed = 1;
    std::string path;
    bool hearOwn = false; // the simulated band hears our own transmission
};
// "auto", "device", "sim", "sim:SEED", "sim:SEED:loopback", "wav:PATH", "none".
bool parseSourceSpec(const std::string& text, SourceSpec& source);

class Engine {
public:
    static Engine& instance();
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    int32_t start(int32_t window, int32_t card, int32_t channels);
    int32_t stop();

    int32_t setRxFrequency(int32_t frequency, int32_t searchRange, int32_t channel);
    int32_t rxFrequency(int32_t channel);
    int32_t setRxMode(int32_t mode, int32_t channel);
    int32_t setAfcLimit(int32_t limit, int32_t channel);
    int32_t setSquelch(int32_t threshold, int32_t speed, int32_t channel);
    int32_t setFftMode(int32_t smoothing, int32_t intensity, int32_t contrast);
    int32_t fftData(int32_t* buffer, int32_t firstBin, int32_t lastBin);
    int32_t vectorData(int32_t* buffer, int32_t channel);
    int32_t signalLevel(int32_t channel);
    int32_t syncData(int32_t* buffer, int32_t channel);
    int32_t rawData(int32_t* buffer, int32_t channel);
    int32_t closestPeak(int32_t frequency, int32_t range);

    int32_t startTx(int32_t mode);
    int32_t stopTx();
    int32_t abortTx();
    int32_t setTxFrequency(int32_t frequency);
    int32_t sendTxChar(int32_t character, int32_t flag);
    int32_t sendTxString(const char* text);
    int32_t txCharsRemaining();
    int32_t clearTxBuffer();
    int32_t setCwIdText(const char* text);
    int32_t setCwIdSpeed(int32_t speed);
    int32_t setComPort(int32_t port, int32_t mode);
    int32_t rewind(int32_t seconds);
    int32_t setClockCorrection(int32_t ppm);

    // Test hooks.
    int32_t setSource(const char* source);
    void setTimeScale(int32_t factor);
    void setPttObserver(ObservedPttLine::Observer observer);
    bool simulatedBand();

    static constexpr int kChannels = 3;

private:
    struct Dsp;
    struct ChannelConfig {
        int frequency = 1000;
        int searchRange = 50;
        int mode = 0;
        int afcLimit = 50;
        int squelch = 50;
        int squelchSpeed = 0;
    };
    using Command = std::function<void(Dsp&)>;

    void run();
    void applyCommands(Dsp& d);
    void receive(Dsp& d, const float* in, size_t n);
    void transmit(Dsp& d, size_t inputSamples);
    void generate(Dsp& d, size_t n);
    void finishTransmission(Dsp& d);
    void replay(Dsp& d, int seconds);
    void checkFaults(Dsp& d);
    void loseDevice(Dsp& d);
    void reopenDevice(Dsp& d);
    void post(uint32_t message, int32_t wParam, int32_t lParam);
    void queueCommand(Command c);
    void keyPtt(bool keyed);
    bool validChannel(int32_t channel) const { return channel >= 0 && channel < kChannels; }

    std::mutex apiMutex_; // start/stop/source against each other

    // Shared with the DSP thread.
    mutable std::mutex mutex_;
    std::vector<Command> commands_;
    ChannelConfig config_[kChannels];
    int smoothing_ = 4, intensity_ = 320, contrast_ = 10;
    int txFrequency_ = 1000;
    std::string cwText_;
    int cwSpeed_ = 2;
    int clockPpm_ = 0;
    std::deque<uint8_t> txQueue_;
    size_t txInFlight_ = 0; // handed to the transmitter, not yet sent
    bool stopPending_ = false;
    bool cwPending_ = false;
    int frequencyDirty_[kChannels] = {0, 0, 0};
    int publishedFrequency_[kChannels] = {1000, 1000, 1000};
    int publishedLevel_[kChannels] = {0, 0, 0};
    int32_t publishedVector_[kChannels][16] = {};
    int32_t publishedSync_[kChannels][16] = {};
    int32_t publishedRaw_[kChannels][16] = {};
    std::vector<int32_t> publishedFft_;
    bool overload_ = false;

    // PTT, used from the API and the DSP thread.
    std::mutex pttMutex_;
    std::unique_ptr<PttLine> ptt_;
    int pttPort_ = 0, pttMode_ = 0;
    bool pttFailed_ = false;

    SourceSpec source_;
    int timeScale_ = 1;

    std::atomic<bool> running_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> simulated_{false};
    std::atomic<int32_t> window_{0};
    std::unique_ptr<Dsp> dsp_;
    std::thread thread_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
};

} // namespace pskcore
