#pragma once
// The PSK engine as the program sees it: the engine's 29 functions as a table of pointers, so
// that tests can put a fake engine behind the same declarations.
#include <cstdint>

namespace psk {

struct PSKSpec {
    // Called by the program.
    int32_t (*fnStartSoundCard)(int32_t window, int32_t cardNumber, int32_t channels);
    int32_t (*fnStopSoundCard)();
    int32_t (*fnSetRXFrequency)(int32_t frequency, int32_t searchRange, int32_t channel);
    int32_t (*fnGetRXFrequency)(int32_t channel);
    int32_t (*fnSetRXPSKMode)(int32_t mode, int32_t channel);
    int32_t (*fnSetAFCLimit)(int32_t limit, int32_t channel);
    int32_t (*fnSetSquelchThreshold)(int32_t threshold, int32_t speed, int32_t channel);
    int32_t (*fnSetFFTMode)(int32_t smoothing, int32_t intensity, int32_t contrast);
    int32_t (*fnGetFFTData)(int32_t* buffer, int32_t firstBin, int32_t lastBin);
    int32_t (*fnGetVectorData)(int32_t* buffer, int32_t channel);
    int32_t (*fnGetSignalLevel)(int32_t channel);
    int32_t (*fnStartTX)(int32_t mode);
    int32_t (*fnStopTX)();
    int32_t (*fnAbortTX)();
    int32_t (*fnSetTXFrequency)(int32_t frequency);
    int32_t (*fnSendTXCharacter)(int32_t character, int32_t flag);
    int32_t (*fnSetCWIDString)(const char* text);
    int32_t (*fnSetCWIDSpeed)(int32_t speed);
    int32_t (*fnSetComPort)(int32_t port, int32_t mode);
    int32_t (*fnRewindInput)(int32_t seconds);
    int32_t (*fnGetDLLVersion)();
    // Declared, not called.
    int32_t (*fnGetClosestPeak)(int32_t frequency, int32_t range);
    int32_t (*fnGetSyncData)(int32_t* buffer, int32_t channel);
    int32_t (*fnGetRawData)(int32_t* buffer, int32_t channel);
    int32_t (*fnSendTXString)(const char* text);
    int32_t (*fnGetTXCharsRemaining)();
    int32_t (*fnClearTXBuffer)();
    int32_t (*fnSetClockErrorAdjustment)(int32_t ppm);
    int32_t (*fnGetErrorString)(int32_t code, char* buffer, int32_t size);
    // Not one of the engine's own functions: 1 while it runs on the built-in simulated band
    // instead of a sound card. May be null (an engine without a simulated band).
    int32_t (*usingSimulatedBand)();
};

// The engine library linked into the program.
const PSKSpec& linkedPskEngine();

// Message numbers the engine posts (WM_USER + 1000 ..).
constexpr uint32_t kMsgNewData = 2024;
constexpr uint32_t kMsgNewChar = 2025;
constexpr uint32_t kMsgNewStatus = 2026;
constexpr uint32_t kMsgNewIMD = 2027;

} // namespace psk
