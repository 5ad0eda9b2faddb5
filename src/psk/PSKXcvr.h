#pragma once
// The PSK side of the program: drives the engine, buffers what it reports, keeps the receive
// and transmit settings of the three channels.
#include "CharRing.h"
#include "PSKSpec.h"
#include "PskHost.h"
#include <QString>
#include <array>
#include <cstdint>
#include <platform/Messages.h>

namespace platform {
struct Services;
}
namespace common {
class Common;
class PSKEvent;
} // namespace common

namespace psk {

class PSKCoreMsgHandler;

class PSKXcvr {
public:
    PSKXcvr(const PSKSpec& engine, PskHost& host, platform::Services& services,
            common::Common& common, common::PSKEvent& event);
    ~PSKXcvr();
    PSKXcvr(const PSKXcvr&) = delete;
    PSKXcvr& operator=(const PSKXcvr&) = delete;

    const PSKSpec& engine() const { return engine_; }
    PskTimers& Timers() { return host_.pskTimers(); }

    // Life cycle.
    void Initialize();
    void InitializeTimers();
    void InitializeSettings();
    void InitializeCallsign();
    void InitializeSoundCard();
    void Enable();
    void Disable();
    void Terminate();

    // Receive buffers and engine reports.
    void SaveNewChar(int32_t character, int32_t channel);
    uint8_t GetNewChar(int channel);
    void SaveNewStatus(int32_t code);
    void SaveNewIMD(int32_t value, int32_t channel);
    void HandleNewStatus();
    void HandleNewIMDInfo();
    void InitializeNewCharBuffer();

    // Receive/transmit state.
    void SetActiveChannel(int channel);
    int ActiveChannel() const { return activeChannel_; }
    void SetTransmit();
    void SetReceive();
    bool Transmitting() const { return transmitting_; }
    void Replay();
    // The active channel's signal level as last read from the engine (0..99).
    void UpdateSignalStrength(int level) { signalLevel_ = level; }
    int SignalLevel() const { return signalLevel_; }

    bool PSKEnabled() const { return pskEnabled_; }
    bool InterceptionStarted() const { return interceptionStarted_; }
    int SoundCardIndex() const { return soundCardIndex_; }
    void SetSoundCard(int index) { soundCardIndex_ = index; }
    int32_t LastStatus() const { return lastStatus_; }
    int32_t IMDValue() const { return imdValue_; }
    int32_t IMDChannel() const { return imdChannel_; }

    // The procedure the message handler replaced; unhandled messages go there.
    const platform::WindowProc& PreviousWindowProc() const { return previousWindowProc_; }

    // The status texts the engine's codes are logged with (empty for codes that are not logged).
    static QString StatusText(int32_t code);

private:
    template <class F> void trap(const char* where, F&& body);
    QString whereWithFlag(const char* procedure) const;

    const PSKSpec& engine_;
    PskHost& host_;
    platform::Services& services_;
    common::Common& common_;
    common::PSKEvent& event_;

    std::array<CharRing, 4> rings_;
    int activeChannel_ = 0;
    bool pskEnabled_ = false;
    bool interceptionStarted_ = false;
    bool transmitting_ = false;
    int soundCardIndex_ = -1;
    int signalLevel_ = 0;
    int32_t lastStatus_ = 0;
    int32_t imdValue_ = 0;
    int32_t imdChannel_ = 0;
    platform::WindowProc previousWindowProc_;
};

} // namespace psk
