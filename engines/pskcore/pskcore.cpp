// The C interface: each function hands over to the one engine. Setters return 0, or
// PSKCORE_ERR_BAD_ARGUMENT for a channel or mode that does not exist; out-of-range values
// (frequencies, squelch, speeds) are clamped rather than refused, as a slider would.
#include "pskcore.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Engine.h"

using pskcore::Engine;

namespace {
Engine& engine() {
    return Engine::instance();
}

const char* describe(int32_t code, bool isStatus) {
    if (!isStatus) {
        switch (code) {
        case 0:
            return "soundcard started";
        case PSKCORE_ERR_NO_DEVICE:
            return "no such soundcard";
        case PSKCORE_ERR_BUSY:
            return "soundcard is busy";
        case PSKCORE_ERR_FORMAT:
            return "soundcard doesn't support 16-bit 8000hz mono sampling";
        case PSKCORE_ERR_BAD_ARGUMENT:
            return "invalid argument";
        case PSKCORE_ERR_ALREADY_RUNNING:
            return "soundcard already started";
        }
        return nullptr;
    }
    switch (code) {
    case PSKCORE_STATUS_RX:
        return "receiving";
    case PSKCORE_STATUS_TX:
        return "transmitting";
    case PSKCORE_STATUS_CPU_TOO_SLOW:
        return "CPU too slow in responding; soundcard has been reset";
    case PSKCORE_STATUS_TUNE:
        return "tuning";
    case PSKCORE_STATUS_MEMORY:
        return "memory allocation error";
    case PSKCORE_STATUS_READ_NOT_OPEN:
        return "tried to read but soundcard is not open";
    case PSKCORE_STATUS_INPUT_OVERFLOW:
        return "input buffer overflow";
    case PSKCORE_STATUS_INPUT_TIMEOUT:
        return "input buffer timeout";
    case PSKCORE_STATUS_WRITE_NOT_OPEN:
        return "tried to write but soundcard is not open";
    case PSKCORE_STATUS_OUTPUT_UNDERFLOW:
        return "output buffer underflow";
    case PSKCORE_STATUS_OUTPUT_TIMEOUT:
        return "output buffer timeout";
    case PSKCORE_STATUS_FORMAT:
        return "soundcard doesn't support 16-bit 8000hz mono sampling";
    case PSKCORE_STATUS_BUSY:
        return "soundcard is busy";
    case PSKCORE_STATUS_HEADER:
        return "header not prepared";
    case pskcore::kStatusPttFailed:
        return "the PTT serial port cannot be opened";
    }
    return nullptr;
}
} // namespace

int32_t fnStartSoundCard(int32_t window, int32_t cardNumber, int32_t channels) {
    return engine().start(window, cardNumber, channels);
}
int32_t fnStopSoundCard(void) {
    return engine().stop();
}
int32_t fnSetRXFrequency(int32_t frequency, int32_t searchRange, int32_t channel) {
    return engine().setRxFrequency(frequency, searchRange, channel);
}
int32_t fnGetRXFrequency(int32_t channel) {
    return engine().rxFrequency(channel);
}
int32_t fnSetRXPSKMode(int32_t mode, int32_t channel) {
    return engine().setRxMode(mode, channel);
}
int32_t fnSetAFCLimit(int32_t limit, int32_t channel) {
    return engine().setAfcLimit(limit, channel);
}
int32_t fnSetSquelchThreshold(int32_t threshold, int32_t speed, int32_t channel) {
    return engine().setSquelch(threshold, speed, channel);
}
int32_t fnSetFFTMode(int32_t smoothing, int32_t intensity, int32_t contrast) {
    return engine().setFftMode(smoothing, intensity, contrast);
}
int32_t fnGetFFTData(int32_t* buffer, int32_t firstBin, int32_t lastBin) {
    return engine().fftData(buffer, firstBin, lastBin);
}
int32_t fnGetVectorData(int32_t* buffer, int32_t channel) {
    return engine().vectorData(buffer, channel);
}
int32_t fnGetSignalLevel(int32_t channel) {
    return engine().signalLevel(channel);
}
int32_t fnStartTX(int32_t mode) {
    return engine().startTx(mode);
}
int32_t fnStopTX(void) {
    return engine().stopTx();
}
int32_t fnAbortTX(void) {
    return engine().abortTx();
}
int32_t fnSetTXFrequency(int32_t frequency) {
    return engine().setTxFrequency(frequency);
}
int32_t fnSendTXCharacter(int32_t character, int32_t flag) {
    return engine().sendTxChar(character, flag);
}
int32_t fnSetCWIDString(const char* text) {
    return engine().setCwIdText(text);
}
int32_t fnSetCWIDSpeed(int32_t speed) {
    return engine().setCwIdSpeed(speed);
}
int32_t fnSetComPort(int32_t port, int32_t mode) {
    return engine().setComPort(port, mode);
}
int32_t fnRewindInput(int32_t seconds) {
    return engine().rewind(seconds);
}
int32_t fnGetDLLVersion(void) {
    return 118;
}

int32_t fnGetClosestPeak(int32_t frequency, int32_t range) {
    return engine().closestPeak(frequency, range);
}
int32_t fnGetSyncData(int32_t* buffer, int32_t channel) {
    return engine().syncData(buffer, channel);
}
int32_t fnGetRawData(int32_t* buffer, int32_t channel) {
    return engine().rawData(buffer, channel);
}
int32_t fnSendTXString(const char* text) {
    return engine().sendTxString(text);
}
int32_t fnGetTXCharsRemaining(void) {
    return engine().txCharsRemaining();
}
int32_t fnClearTXBuffer(void) {
    return engine().clearTxBuffer();
}
int32_t fnSetClockErrorAdjustment(int32_t ppm) {
    return engine().setClockCorrection(ppm);
}

int32_t fnGetErrorString(int32_t code, char* buffer, int32_t size) {
    // Codes 1..5 are fnStartSoundCard results; the rest status codes. Code 0 reads as a status.
    const bool isStatus = code < 1 || code > PSKCORE_ERR_ALREADY_RUNNING;
    const char* text = describe(code, isStatus);
    const std::string t = text ? text : "unknown status change";
    if (!buffer || size <= 0) return int32_t(t.size());
    const size_t n = std::min(t.size(), size_t(size) - 1);
    std::memcpy(buffer, t.data(), n);
    buffer[n] = '\0';
    return int32_t(t.size());
}

int32_t pskcoreSetSource(const char* source) {
    return engine().setSource(source);
}
void pskcoreSetTimeScale(int32_t factor) {
    engine().setTimeScale(factor);
}
void pskcoreSetPttObserver(pskcore_ptt_observer observer, void* context) {
    if (!observer) {
        engine().setPttObserver(nullptr);
        return;
    }
    engine().setPttObserver(
        [observer, context](int port, bool rts, bool dtr) { observer(context, port, rts, dtr); });
}
int32_t pskcoreUsingSimulatedBand(void) {
    return engine().simulatedBand() ? 1 : 0;
}
