#pragma once
// The PSK31 soundcard engine's C interface. Every argument and result is a 32-bit integer, or a
// pointer where a buffer is passed. The engine reports to the window registered by
// fnStartSoundCard by posting four messages:
//   PSKCORE_MSG_DATA   (WM_USER + 1000) a new spectrum frame is ready
//   PSKCORE_MSG_CHAR   (WM_USER + 1001) wParam character 0..255, lParam channel 0..2 or -1 (echo)
//   PSKCORE_MSG_STATUS (WM_USER + 1002) wParam status code
//   PSKCORE_MSG_IMD    (WM_USER + 1003) wParam IMD in dB, lParam channel
#include <stdint.h>

#ifdef __cplusplus
#define PSKCORE_EXTERN extern "C"
#else
#define PSKCORE_EXTERN
#endif
#define PSKCORE_API PSKCORE_EXTERN __attribute__((visibility("default")))

enum {
    PSKCORE_MSG_DATA = 2024,
    PSKCORE_MSG_CHAR = 2025,
    PSKCORE_MSG_STATUS = 2026,
    PSKCORE_MSG_IMD = 2027
};

// Status codes posted with PSKCORE_MSG_STATUS.
enum {
    PSKCORE_STATUS_RX = 0,
    PSKCORE_STATUS_TX = 1,
    PSKCORE_STATUS_CPU_TOO_SLOW = 2,
    PSKCORE_STATUS_TUNE = 3,
    PSKCORE_STATUS_MEMORY = 10,
    PSKCORE_STATUS_READ_NOT_OPEN = 11,
    PSKCORE_STATUS_INPUT_OVERFLOW = 12,
    PSKCORE_STATUS_INPUT_TIMEOUT = 13,
    PSKCORE_STATUS_WRITE_NOT_OPEN = 14,
    PSKCORE_STATUS_OUTPUT_UNDERFLOW = 15,
    PSKCORE_STATUS_OUTPUT_TIMEOUT = 16,
    PSKCORE_STATUS_FORMAT = 17,
    PSKCORE_STATUS_BUSY = 18,
    PSKCORE_STATUS_HEADER = 19
};

// fnStartSoundCard results other than 0.
enum {
    PSKCORE_ERR_NO_DEVICE = 1,
    PSKCORE_ERR_BUSY = 2,
    PSKCORE_ERR_FORMAT = 3,
    PSKCORE_ERR_BAD_ARGUMENT = 4,
    PSKCORE_ERR_ALREADY_RUNNING = 5
};

// The program calls these.
PSKCORE_API int32_t fnStartSoundCard(int32_t window, int32_t cardNumber, int32_t channels);
PSKCORE_API int32_t fnStopSoundCard(void);
PSKCORE_API int32_t fnSetRXFrequency(int32_t frequency, int32_t searchRange, int32_t channel);
PSKCORE_API int32_t fnGetRXFrequency(int32_t channel);
PSKCORE_API int32_t fnSetRXPSKMode(int32_t mode, int32_t channel);
PSKCORE_API int32_t fnSetAFCLimit(int32_t limit, int32_t channel);
PSKCORE_API int32_t fnSetSquelchThreshold(int32_t threshold, int32_t speed, int32_t channel);
PSKCORE_API int32_t fnSetFFTMode(int32_t smoothing, int32_t intensity, int32_t contrast);
PSKCORE_API int32_t fnGetFFTData(int32_t* buffer, int32_t firstBin, int32_t lastBin);
PSKCORE_API int32_t fnGetVectorData(int32_t* buffer, int32_t channel);
PSKCORE_API int32_t fnGetSignalLevel(int32_t channel);
PSKCORE_API int32_t fnStartTX(int32_t mode);
PSKCORE_API int32_t fnStopTX(void);
PSKCORE_API int32_t fnAbortTX(void);
PSKCORE_API int32_t fnSetTXFrequency(int32_t frequency);
PSKCORE_API int32_t fnSendTXCharacter(int32_t character, int32_t flag);
PSKCORE_API int32_t fnSetCWIDString(const char* text);
PSKCORE_API int32_t fnSetCWIDSpeed(int32_t speed);
PSKCORE_API int32_t fnSetComPort(int32_t port, int32_t mode);
PSKCORE_API int32_t fnRewindInput(int32_t seconds);
PSKCORE_API int32_t fnGetDLLVersion(void);

// Declared for other clients; the program does not call them.
// Frequency (Hz) of the strongest signal within range Hz of frequency, or frequency itself.
PSKCORE_API int32_t fnGetClosestPeak(int32_t frequency, int32_t range);
// 16 entries: the channel's last 16 symbol-timing errors, scaled to +/-1000.
PSKCORE_API int32_t fnGetSyncData(int32_t* buffer, int32_t channel);
// 16 entries: the channel's last 8 baseband samples (x, y), unscaled to +/-32767.
PSKCORE_API int32_t fnGetRawData(int32_t* buffer, int32_t channel);
// Queues a zero-terminated string; returns the number of characters queued.
PSKCORE_API int32_t fnSendTXString(const char* text);
PSKCORE_API int32_t fnGetTXCharsRemaining(void);
PSKCORE_API int32_t fnClearTXBuffer(void);
// Sound card clock correction in parts per million, -1000..1000.
PSKCORE_API int32_t fnSetClockErrorAdjustment(int32_t ppm);
// Copies the text of an fnStartSoundCard result or status code into buffer (zero-terminated,
// at most size bytes); returns the text's full length, so a result >= size means it was cut short.
PSKCORE_API int32_t fnGetErrorString(int32_t code, char* buffer, int32_t size);

// ------------------------------------------------------------------------------------------------
// Test hooks and diagnostics. Not part of the program's interface: the program never calls
// them; tests use them to choose what the engine listens to and to watch the PTT line.

// Where the next fnStartSoundCard takes its input from:
//   "auto"      a capture device if PortAudio has one, else the simulated band (the default)
//   "device"    a PortAudio capture device only
//   "sim", "sim:SEED"   the simulated band (soundcard #0 and the default), seed 1 if not given;
//                       muted while we transmit, like a radio; "sim:SEED:loopback" hears our
//                       own transmission instead
//   "wav:PATH"  a WAV file (soundcard #0 and the default), then silence
//   "none"      no capture device at all
// The simulated band and files run at real time unless pskcoreSetTimeScale says otherwise.
// Returns 0, or PSKCORE_ERR_BAD_ARGUMENT for anything else.
PSKCORE_API int32_t pskcoreSetSource(const char* source);

// Runs the simulated band or a WAV file factor (1..64) times faster than real time from the
// next fnStartSoundCard on.
PSKCORE_API void pskcoreSetTimeScale(int32_t factor);

// Replaces the serial PTT line with one that reports each change of its lines (rts, dtr: 0 or
// 1) for the port given to fnSetComPort; a null observer puts the serial line back.
typedef void (*pskcore_ptt_observer)(void* context, int32_t port, int32_t rts, int32_t dtr);
PSKCORE_API void pskcoreSetPttObserver(pskcore_ptt_observer observer, void* context);

// 1 while the engine is running on the simulated band, else 0.
PSKCORE_API int32_t pskcoreUsingSimulatedBand(void);
