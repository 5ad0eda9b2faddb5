#include "RttyEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "dsp/RttyDemod.h"
#include "dsp/RttyTransmitter.h"
#include "dsp/Spectrum.h"

namespace mmtty {

namespace {
enum { TxStart = 0, TxStop = 1, TxAbort = 2, TxChar = 3 };
constexpr int kReportEvery = audio::kWorkingRate / 10; // level, XY and spectrum: 10 per second
bool bit(uint32_t word, int b) {
    return (word >> b) & 1u;
}
} // namespace

RttyEngine::RttyEngine(std::unique_ptr<audio::SampleSource> source,
                       std::unique_ptr<audio::SampleSink> sink, audio::SampleSink* loopback,
                       SharedBlock* block, Report report, Finished finished)
    : source_(std::move(source)), sink_(std::move(sink)), loopback_(loopback), block_(block),
      report_(std::move(report)), finished_(std::move(finished)) {}

RttyEngine::~RttyEngine() {
    stop();
}

void RttyEngine::start() {
    quit_ = false;
    thread_ = std::thread([this] { run(); });
}

void RttyEngine::stop() {
    quit_ = true;
    if (thread_.joinable()) thread_.join();
}

EngineSettings RttyEngine::settings() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_;
}

#define TD_SET(field, value)                                                                       \
    do {                                                                                           \
        std::lock_guard<std::mutex> lock(mutex_);                                                  \
        settings_.field = value;                                                                   \
        changed_ = true;                                                                           \
    } while (0)

void RttyEngine::setSpeed(double baud) {
    TD_SET(baud, std::clamp(baud, 20.0, 300.0));
}
void RttyEngine::setMark(double hz) {
    TD_SET(mark, std::clamp(hz, 100.0, 3800.0));
}
void RttyEngine::setSpace(double hz) {
    TD_SET(space, std::clamp(hz, 100.0, 3900.0));
}
void RttyEngine::setSwitches(uint32_t word) {
    TD_SET(switches, word);
}
void RttyEngine::setDisplay(uint32_t word) {
    TD_SET(display, word);
}
void RttyEngine::setSquelch(int level) {
    TD_SET(squelch, std::clamp(level, 0, 1000));
}
#undef TD_SET

EngineOptions RttyEngine::options() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return options_;
}

void RttyEngine::setOptions(const EngineOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_ = sanitised(options);
    changed_ = true;
}

void RttyEngine::startTransmit() {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.emplace_back(TxStart, 0);
    transmitting_ = true;
}
void RttyEngine::stopTransmit() {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.emplace_back(TxStop, 0);
}
void RttyEngine::abortTransmit() {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.emplace_back(TxAbort, 0);
}
void RttyEngine::sendChar(char c) {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.emplace_back(TxChar, static_cast<unsigned char>(c));
}

void RttyEngine::run() {
    const double fs = audio::kWorkingRate;
    dsp::RttyDemod rx({}, fs);
    dsp::RttyTransmitter tx(fs);
    dsp::Spectrum spectrum(fs);
    EngineSettings s;
    EngineOptions o;
    std::vector<float> in(256), out(256);
    std::vector<dsp::RttyTransmitter::Event> events;
    std::vector<std::pair<int, int>> cmds;
    std::vector<int32_t> xs(kXyPoints), ys(kXyPoints), bins(kSpectrumBins);
    size_t xyPos = 0;
    double xyPeak = 1e-3;
    long sinceReport = 0;
    double reportedMark = -1, reportedSpace = -1;
    std::string text;
    bool txActive = false;
    // The transmission is over but the card is still playing it: the key stays down until the
    // last sample has been heard (on a sound server's stream, a buffer's worth).
    bool draining = false;
    bool aborted = false;
    auto drainUntil = std::chrono::steady_clock::now();
    auto keyUp = [&] {
        draining = false;
        transmitting_ = false;
        sink_->setTransmitting(false);
        rx.reset(); // what it held was our own signal
        report_(RepTransmit, 0);
        if (finished_) finished_();
    };
    auto ended = [&](bool aborted) {
        txActive = false;
        if (!sink_->paced()) return keyUp();
        if (aborted) sink_->discard();
        draining = true;
        drainUntil = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    };
    while (!quit_) {
        bool changed;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            changed = changed_;
            changed_ = false;
            s = settings_;
            o = options_;
            cmds.swap(commands_);
        }
        if (changed) {
            dsp::RttyConfig c = rx.config();
            const bool tones = std::fabs(s.mark - c.markHz) > 0.01 ||
                               std::fabs(s.space - s.mark - c.shiftHz) > 0.01 || s.baud != c.baud;
            c.reverse = bit(s.switches, kBitReverse);
            c.unshiftOnSpace = bit(s.switches, kBitUsos);
            c.afc = bit(s.switches, kBitAfc);
            c.squelch = s.squelch;
            applyOptions(o, c);
            if (tones) {
                c.markHz = s.mark;
                c.shiftHz = s.space - s.mark;
                c.baud = s.baud;
                reportedMark = s.mark;
                reportedSpace = s.space;
            }
            rx.configure(c);
            tx.setBaud(s.baud);
            tx.setUnshiftOnSpace(c.unshiftOnSpace);
            tx.setWordMode(bit(s.switches, kBitWordMode));
            applyOptions(o, tx);
        }
        for (const auto& [kind, value] : cmds) {
            switch (kind) {
            case TxStart: {
                draining = false; // (the last over's tail still playing: the key stays down)
                // Net: transmit where we receive; otherwise on the standard tones.
                const bool net = bit(s.switches, kBitNet);
                const double mark = net ? rx.markHz() : 2125.0;
                tx.setTones(mark, std::fabs(s.space - s.mark), bit(s.switches, kBitReverse));
                tx.start();
                txActive = true;
                sink_->setTransmitting(true);
                report_(RepTransmit, 1);
                break;
            }
            case TxStop:
                if (o.cwId) tx.requestCwId(); // said after the text, then the key goes up
                tx.requestStop();
                break;
            case TxAbort:
                if (txActive) tx.abort();
                aborted = txActive;
                break;
            case TxChar:
                tx.queueChar(static_cast<char>(value));
                break;
            }
        }
        cmds.clear();
        if (txActive && !tx.active()) ended(aborted); // aborted (or finished in the last block)
        aborted = false;
        if (draining && (sink_->pending() == 0 || std::chrono::steady_clock::now() >= drainUntil))
            keyUp();

        const size_t n = source_->read(in.data(), in.size());
        if (n == 0) {
            if (!source_->paced() && source_->ended()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            continue;
        }
        if (txActive) {
            events.clear();
            tx.process(n, out.data(), events);
            sink_->write(out.data(), n);
            if (loopback_) loopback_->write(out.data(), n);
            for (const auto& e : events) {
                if (e.kind == dsp::RttyTransmitter::Event::CharSent) {
                    report_(RepChar, static_cast<unsigned char>(e.ch));
                } else {
                    ended(false);
                }
            }
        }
        // The receiver keeps running while we transmit (its tracking stays warm), but what it
        // prints then is our own signal: only the echo of sent characters is reported.
        for (size_t i = 0; i < n; i += 4) {
            text.clear();
            const size_t m = std::min<size_t>(4, n - i);
            rx.process(in.data() + i, m, text);
            if (!txActive && !draining)
                for (char c : text)
                    report_(RepChar, static_cast<unsigned char>(c));
            const float x = rx.markOut(), y = rx.spaceOut();
            xyPeak = std::max(xyPeak * 0.9995, double(std::max(std::fabs(x), std::fabs(y))));
            xs[xyPos] = static_cast<int32_t>(std::lround(18000.0 * x / xyPeak));
            ys[xyPos] = static_cast<int32_t>(std::lround(18000.0 * y / xyPeak));
            xyPos = (xyPos + 1) % xs.size();
        }
        if (spectrum.process(n, in.data()) > 0 && block_ &&
            block_->readInt(kOffSpectrumReady) == 0) {
            spectrum.magnitudes(bins.data(), 0, kSpectrumBins - 1);
            for (int k = 0; k < kSpectrumBins; ++k)
                block_->writeInt(kOffSpectrum + 4 * size_t(k), bins[size_t(k)] / 4);
            block_->writeInt(kOffSpectrumReady, 1);
        }
        sinceReport += long(n);
        if (sinceReport >= kReportEvery) {
            sinceReport = 0;
            report_(RepLevel, rx.level());
            if (block_ && bit(s.display, kDisplayBitXy) && block_->readInt(kOffXyReady) == 0) {
                for (int k = 0; k < kXyPoints; ++k) {
                    const size_t j = (xyPos + size_t(k)) % xs.size();
                    block_->writeInt(kOffXyX + 4 * size_t(k), xs[j]);
                    block_->writeInt(kOffXyY + 4 * size_t(k), ys[j]);
                }
                block_->writeInt(kOffXyReady, 1);
            }
            // AFC moved the tones: tell the program (and remember them for the next change).
            const double mark = std::round(rx.markHz()), space = std::round(rx.spaceHz());
            if (mark != reportedMark || space != reportedSpace) {
                reportedMark = mark;
                reportedSpace = space;
                report_(RepMark, static_cast<int32_t>(mark));
                report_(RepSpace, static_cast<int32_t>(space));
                std::lock_guard<std::mutex> lock(mutex_);
                settings_.mark = mark;
                settings_.space = space;
            }
        }
    }
    if (txActive || draining) sink_->setTransmitting(false);
}

} // namespace mmtty
