#include "PskTransmitter.h"

#include "ConvCode.h"
#include "PskMode.h"
#include "Varicode.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <deque>
#include <numbers>

namespace dsp {
namespace {

constexpr int kPreambleSymbols = 32;
// Idle reversals after the text: one second for BPSK; a second and a half for QPSK, whose
// receivers hold the last bits in their decoders' traceback until enough symbols follow.
constexpr int kPostambleBpsk = 32;
constexpr int kPostambleQpsk = 48;
constexpr double kCwWpm[4] = {37.0, 19.0, 12.0, 9.0}; // the setup dialog's speeds 1..4
constexpr double kCwEdgeSeconds = 0.004;
constexpr double kAbortSeconds = 0.008;

// Morse for the characters a CW identification needs; '.' dot, '-' dash.
const char* morse(char c) {
    switch (std::toupper(static_cast<unsigned char>(c))) {
    case 'A':
        return ".-";
    case 'B':
        return "-...";
    case 'C':
        return "-.-.";
    case 'D':
        return "-..";
    case 'E':
        return ".";
    case 'F':
        return "..-.";
    case 'G':
        return "--.";
    case 'H':
        return "....";
    case 'I':
        return "..";
    case 'J':
        return ".---";
    case 'K':
        return "-.-";
    case 'L':
        return ".-..";
    case 'M':
        return "--";
    case 'N':
        return "-.";
    case 'O':
        return "---";
    case 'P':
        return ".--.";
    case 'Q':
        return "--.-";
    case 'R':
        return ".-.";
    case 'S':
        return "...";
    case 'T':
        return "-";
    case 'U':
        return "..-";
    case 'V':
        return "...-";
    case 'W':
        return ".--";
    case 'X':
        return "-..-";
    case 'Y':
        return "-.--";
    case 'Z':
        return "--..";
    case '0':
        return "-----";
    case '1':
        return ".----";
    case '2':
        return "..---";
    case '3':
        return "...--";
    case '4':
        return "....-";
    case '5':
        return ".....";
    case '6':
        return "-....";
    case '7':
        return "--...";
    case '8':
        return "---..";
    case '9':
        return "----.";
    case '/':
        return "-..-.";
    case '?':
        return "..--..";
    case '.':
        return ".-.-.-";
    case ',':
        return "--..--";
    case '=':
        return "-...-";
    case '-':
        return "-....-";
    case '+':
        return ".-.-.";
    default:
        return nullptr;
    }
}

} // namespace

struct PskTransmitter::Impl {
    enum class State { Idle, Psk, Tune, RampDown, CwId, Abort };

    explicit Impl(double rate) : fs(std::clamp(rate, 8000.0, 192000.0)) {}

    // Configuration.
    double fs;
    double freq = 1000.0;
    std::string cwText;
    int cwSpeed = 2;

    // Transmission state.
    State state = State::Idle;
    int mode = 0;
    bool stopRequested = false;
    bool cwRequested = false;
    std::deque<uint8_t> queue;
    double carrierPhase = 0.0; // radians

    // Symbol generator: each symbol moves the baseband from 'from' to 'to' along a cosine.
    double symbolPos = 0.0; // 0..1 within the current symbol
    bool symbolLoaded = false;
    std::complex<float> from{0.0f, 0.0f};
    std::complex<float> to{0.0f, 0.0f};
    std::complex<float> phasor{1.0f, 0.0f};
    int preambleLeft = 0;
    int postambleLeft = 0;
    bool inPostamble = false;
    std::string charBits; // bits of the character being sent, gap included
    size_t charBitPos = 0;
    int charInFlight = -1; // character whose last bit is in the current symbol
    ConvEncoder encoder;

    // CW identification: on/off segments in samples; the envelope slews over kCwEdgeSeconds.
    std::vector<std::pair<bool, long>> cwSegments;
    size_t cwIndex = 0;
    long cwLeft = 0;
    double cwEnv = 0.0;

    double abortGain = 1.0;
    std::complex<float> lastBase{0.0f, 0.0f};

    void beginSymbolStream() {
        symbolPos = 0.0;
        symbolLoaded = false;
        from = to = {0.0f, 0.0f};
        phasor = {1.0f, 0.0f};
        encoder.reset();
        charBits.clear();
        charBitPos = 0;
        charInFlight = -1;
    }

    void start(int m) {
        mode = m;
        stopRequested = false;
        cwRequested = (m == ModeTuneCwId);
        abortGain = 1.0;
        lastBase = {0.0f, 0.0f};
        beginSymbolStream();
        preambleLeft = kPreambleSymbols;
        postambleLeft = 0;
        inPostamble = false;
        state = (m == ModeTune || m == ModeTuneCwId) ? State::Tune : State::Psk;
        symbolPos = 0.0;
    }

    // The next data bit; false once the postamble is over.
    bool nextBit(int& bit) {
        charInFlight = -1;
        if (preambleLeft > 0) {
            --preambleLeft;
            bit = 0;
            return true;
        }
        if (!inPostamble) {
            if (charBitPos >= charBits.size()) {
                charBits.clear();
                charBitPos = 0;
                if (!queue.empty()) {
                    currentChar = queue.front();
                    queue.pop_front();
                    charBits = std::string(varicodeEncode(currentChar)) + "00";
                } else if (stopRequested) {
                    inPostamble = true;
                    postambleLeft = (mode == ModeBpsk) ? kPostambleBpsk : kPostambleQpsk;
                }
            }
            if (!inPostamble) {
                if (charBits.empty()) {
                    bit = 0; // idle
                } else {
                    bit = charBits[charBitPos++] == '1';
                    if (charBitPos == charBits.size()) charInFlight = currentChar;
                }
                return true;
            }
        }
        if (postambleLeft > 0) {
            --postambleLeft;
            bit = 0;
            return true;
        }
        return false;
    }

    // Loads the next symbol's target; false when the PSK part is over.
    bool loadPskSymbol() {
        int bit = 0;
        if (!nextBit(bit)) return false;
        std::complex<float> rot;
        if (mode == ModeBpsk) {
            rot = bit ? std::complex<float>(1.0f, 0.0f) : std::complex<float>(-1.0f, 0.0f);
        } else {
            // Phase change 180 + 90 * pair degrees; LSB mirrors it.
            const int pair = encoder.push(bit);
            static const std::complex<float> kRot[4] = {
                {-1.0f, 0.0f}, {0.0f, -1.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}};
            rot = kRot[pair];
            if (mode == ModeQpskLsb) rot = std::conj(rot);
        }
        phasor *= rot;
        from = to;
        to = phasor;
        return true;
    }

    void buildCw() {
        cwSegments.clear();
        const long unit = std::lround(fs * cwIdDotSeconds(cwSpeed));
        bool pendingLetterGap = false;
        bool pendingWordGap = false;
        for (char c : cwText) {
            if (c == ' ') {
                pendingWordGap = !cwSegments.empty();
                continue;
            }
            const char* code = morse(c);
            if (!code) continue;
            if (pendingWordGap)
                cwSegments.emplace_back(false, 7 * unit);
            else if (pendingLetterGap)
                cwSegments.emplace_back(false, 3 * unit);
            pendingWordGap = false;
            for (const char* p = code; *p; ++p) {
                if (p != code) cwSegments.emplace_back(false, unit);
                cwSegments.emplace_back(true, (*p == '-' ? 3 : 1) * unit);
            }
            pendingLetterGap = true;
        }
        if (!cwSegments.empty()) {
            // A short pause after the PSK signal, and room for the last edge to settle.
            cwSegments.insert(cwSegments.begin(), {false, 2 * unit});
            cwSegments.emplace_back(false, unit);
        }
        cwIndex = 0;
        cwLeft = cwSegments.empty() ? 0 : cwSegments[0].second;
        cwEnv = 0.0;
    }

    void finish(std::vector<Event>& events) {
        state = State::Idle;
        queue.clear();
        from = to = {0.0f, 0.0f};
        events.push_back({Event::Finished, 0});
    }

    // After the signal has ramped down: CW id if wanted, else the end.
    void afterRampDown(std::vector<Event>& events) {
        if (cwRequested) {
            cwRequested = false;
            buildCw();
            if (!cwSegments.empty()) {
                state = State::CwId;
                return;
            }
        }
        finish(events);
    }

    int currentChar = 0;

    float carrier(const std::complex<float>& base) {
        const double c = std::cos(carrierPhase);
        const double s = std::sin(carrierPhase);
        carrierPhase += 2.0 * std::numbers::pi * freq / fs;
        if (carrierPhase > 2.0 * std::numbers::pi) carrierPhase -= 2.0 * std::numbers::pi;
        return static_cast<float>(kAmplitude * (base.real() * c - base.imag() * s));
    }

    // Moves the baseband from its present value to zero over one symbol.
    void beginRampDown() {
        from = lastBase;
        to = {0.0f, 0.0f};
        symbolPos = 0.0;
        symbolLoaded = true;
        state = State::RampDown;
    }

    // Baseband value of the next sample, advancing the state machine; false once finished.
    bool nextBase(std::complex<float>& base, std::vector<Event>& events) {
        const double symStep = kPskBaud / fs;
        switch (state) {
        case State::Idle:
            return false;
        case State::Psk:
        case State::RampDown: {
            if (!symbolLoaded) {
                symbolLoaded = true;
                if (state == State::Psk && !loadPskSymbol()) {
                    state = State::RampDown;
                    from = to;
                    to = {0.0f, 0.0f};
                }
            }
            const auto w = static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * symbolPos));
            base = from + (to - from) * w;
            symbolPos += symStep;
            if (symbolPos >= 1.0) {
                symbolPos -= 1.0;
                symbolLoaded = false;
                if (charInFlight >= 0) {
                    events.push_back({Event::CharSent, static_cast<uint8_t>(charInFlight)});
                    charInFlight = -1;
                }
                if (state == State::RampDown) afterRampDown(events);
            }
            return true;
        }
        case State::Tune: {
            if (stopRequested) {
                stopRequested = false;
                beginRampDown();
                return nextBase(base, events);
            }
            const double pos = std::min(symbolPos, 1.0);
            base = {static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * pos)), 0.0f};
            symbolPos = std::min(symbolPos + symStep, 1.0);
            return true;
        }
        case State::CwId: {
            const bool key = cwIndex < cwSegments.size() && cwSegments[cwIndex].first;
            const double edge = 1.0 / (kCwEdgeSeconds * fs);
            cwEnv = std::clamp(cwEnv + (key ? edge : -edge), 0.0, 1.0);
            base = {static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * cwEnv)), 0.0f};
            if (--cwLeft <= 0) {
                if (++cwIndex >= cwSegments.size())
                    finish(events);
                else
                    cwLeft = cwSegments[cwIndex].second;
            }
            return true;
        }
        case State::Abort:
            abortGain -= 1.0 / (kAbortSeconds * fs);
            base = lastBase * static_cast<float>(std::max(abortGain, 0.0));
            if (abortGain <= 0.0) finish(events);
            return true;
        }
        return false;
    }

    void run(size_t count, float* out, std::vector<Event>& events) {
        for (size_t i = 0; i < count; ++i) {
            std::complex<float> base;
            if (!nextBase(base, events)) {
                out[i] = 0.0f;
                continue;
            }
            if (state != State::Abort) lastBase = base;
            out[i] = carrier(base);
        }
    }
};

PskTransmitter::PskTransmitter(double sampleRate) : d(std::make_unique<Impl>(sampleRate)) {}
PskTransmitter::~PskTransmitter() = default;
PskTransmitter::PskTransmitter(PskTransmitter&&) noexcept = default;
PskTransmitter& PskTransmitter::operator=(PskTransmitter&&) noexcept = default;

void PskTransmitter::setFrequency(double hz) {
    if (std::isfinite(hz)) d->freq = std::clamp(hz, 100.0, 3900.0);
}
double PskTransmitter::frequency() const {
    return d->freq;
}
void PskTransmitter::setCwIdText(const std::string& text) {
    d->cwText = text;
}
void PskTransmitter::setCwIdSpeed(int speedIndex) {
    d->cwSpeed = std::clamp(speedIndex, 1, 4);
}
double PskTransmitter::cwIdDotSeconds(int speedIndex) {
    return 1.2 / kCwWpm[std::clamp(speedIndex, 1, 4) - 1];
}
void PskTransmitter::start(int mode) {
    if (mode < ModeBpsk || mode > ModeTuneCwId) return;
    d->start(mode);
}
void PskTransmitter::queueChar(uint8_t c) {
    d->queue.push_back(c);
}
size_t PskTransmitter::queuedChars() const {
    return d->queue.size();
}
void PskTransmitter::requestStop() {
    if (d->state == Impl::State::Psk || d->state == Impl::State::Tune) d->stopRequested = true;
}
void PskTransmitter::requestCwId() {
    if (d->state != Impl::State::Idle && d->state != Impl::State::Abort) d->cwRequested = true;
}
void PskTransmitter::abort() {
    if (d->state == Impl::State::Idle || d->state == Impl::State::Abort) return;
    d->state = Impl::State::Abort;
    d->abortGain = 1.0;
    d->queue.clear();
    d->charInFlight = -1;
}
bool PskTransmitter::active() const {
    return d->state != Impl::State::Idle;
}
void PskTransmitter::process(size_t count, float* out, std::vector<Event>& events) {
    if (!out) return;
    d->run(count, out, events);
}

} // namespace dsp
