#pragma once
// The PSK side of the program: drives the engine, buffers what it reports, keeps the receive
// and transmit settings of the three channels and the controls that show them.
//   PSKXcvr.cpp          life cycle, receive buffers, engine status
//   PSKXcvrSettings.cpp  restoring and storing the settings
//   PSKXcvrReceive.cpp   receive frequency, modulation, AFC, squelch, display parameters
//   PSKXcvrTransmit.cpp  transmission, transmit frequency, CW identification, PTT, reminders
//   PSKXcvrOptimal.cpp   the optimal-offset retuning, the dial and mode to the rig program
//   PSKXcvrDisplay.cpp   the engine poll and the tuning displays: waterfall or spectrum, phase
//                        vectors, signal meter, tuning by a click on the waterfall
#include "CharRing.h"
#include "PskHost.h"
#include "PSKSpec.h"
#include <array>
#include <cstdint>
#include <platform/Messages.h>
#include <QString>
#include <tuning/TuningDisplay.h>

namespace platform {
struct Services;
}
namespace common {
class Common;
class PSKEvent;
} // namespace common

namespace psk {

class PSKCoreMsgHandler;

// The engine's status when the PTT port cannot be opened (the transmission goes out unkeyed).
constexpr int32_t kStatusPttPortFailed = 21;

// A control's text colour (red + 256 * green + 65536 * blue); of a frame, only its caption's.
void setForeColor(QWidget* w, int color);
int foreColor(const QWidget* w);

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
    void Enable();
    void Disable();
    void Terminate();

    // Restoring the settings, in the order InitializeSettings runs them.
    void InitializeSettings();
    void InitializeCallsign();
    void InitializeSoundCard();
    void InitializeRcvModulation();
    void InitializeRcvFreq();
    void InitializeRcvIntensity();
    void InitializeRcvClipping();
    void InitializeRcvSmoothing();
    void InitializeRcvAFCLimit();
    void InitializeRcvAFCEnabled();
    void InitializeRcvSearchLimit();
    void InitializeTraceWidth();
    void InitializeRcvSquelchThreshold();
    void InitializeRcvSquelchSpeed();
    void InitializeRcvSquelchSpeedSetting();
    void InitializeRcvDisplay();
    void InitializeOptimalOffset();
    void InitializeWaterfallColor();
    void InitializeSpectrumDisplayColor();
    void InitializeXmitModulation();
    void InitializeXmitFrequency();
    void InitializeXmitLock();
    void InitializeXmitOffset();
    void InitializeXmitCWIDSpeed();
    void InitializeXmitCWIDString();
    void InitializeXmitPTTMode();
    void InitializeXmitPTTPort();

    // Receive buffers and engine reports.
    void SaveNewChar(int32_t character, int32_t channel);
    uint8_t GetNewChar(int channel);
    void SaveNewStatus(int32_t code);
    void SaveNewIMD(int32_t value, int32_t channel);
    void HandleNewStatus();
    void HandleNewIMDInfo();
    void ClearIMDInfo();
    void ResetPeakImd();
    void InitializeNewCharBuffer();

    // Receive control.
    void SetActiveChannel(int channel);
    int ActiveChannel() const { return activeChannel_; }
    void SetReceiveFrequency(double hz);
    void SetReceiveFrequencyAndSearchLimit(int channel, double hz);
    void SetReceiveSearchLimits();
    void UpdateReceiveFrequency();
    void UpdateReceiveModulation(int index);
    void SetReceiveModulation();
    static QString ReceiveModulationName(int index);
    QString ReceiveModulationName() const { return ReceiveModulationName(rcvModulation_); }
    int RcvModulation() const { return rcvModulation_; }
    void SetReceiveAFCEnabled(int value);
    void SetReceiveAFCLimit();
    void UpdateSquelchThreshold(int channel, double x);
    void SetReceiveSquelch();
    void DisplayRcvSquelchThreshold(int channel);
    void SetReceiveDisplayParameters();
    void Replay();
    // Tells the transceiver-control program the dial frequency and mode.
    void UpdateXCVRMode(const QString& mode);
    // Retunes the radio so that the active channel's station lands on the optimal offset, and
    // moves the other channels with their stations.
    void SetOptimalReceiveFrequency();
    void SetSoundCard(int index) { soundCardIndex_ = index; }
    // Setup dialog changes: apply where needed and store the control's value.
    void SoundCardChanged(int buttonIndex);
    void ReceiveDisplayParametersChanged();
    void ReceiveSearchLimitChanged();
    void ReceiveAFCLimitChanged();
    void ReceiveAFCEnabledChanged(int value);
    void ReceiveSquelchSpeedChanged();
    void TraceWidthChanged();
    void ReceiveDisplayChanged();
    void WaterfallColorChanged();
    void OptimalOffsetChanged();
    void TransmitOffsetChanged();
    void TransmitLockChanged();
    void TransmitCWIDChanged();

    // The engine poll after each spectrum message: overload warning, the channels' frequencies
    // (every channel follows the engine, so AFC drift is kept), a locked transmit frequency,
    // then the waterfall or spectrum and the phase vectors.
    void Update();
    void UpdateWaterfallDisplay();
    void UpdateVectorDisplay();
    void ClearReceiveDisplay();
    // The 1023 x 64 unit scale of the waterfall, after each change of its size or kind.
    void InitializeWaterfallSpectrum();
    // 0 grey, otherwise black-blue-cyan-yellow-white.
    void InitializeWaterfallColorTable(int choice);
    void InitializeVectorDisplay();
    void SetSpectrumDisplayColor(int colour);
    int GetSpectrumDisplayColor() const { return spectrumDisplayColor_; }
    // A press on the waterfall at x (its scale units): channel 0..2 becomes the active channel
    // first, -1 tunes the active one.
    void SetReceiveFrequencyFromWaterfall(double x, int channel);
    // The active channel's signal level (0..99) on the meter, with its squelch threshold.
    void UpdateSignalStrength(int level);
    int SignalLevel() const { return signalLevel_; }
    // Whether the engine runs on the simulated band (false for an engine that cannot say).
    bool UsingSimulatedBand() const;
    const TuningDisplay& Tuning() const { return tuning_; }

    // Transmit control.
    void StartTransmit();
    void StopTransmit();
    void AbortTransmit();
    void TransmitAutoStop();
    // False when the engine refused the character (its queue is full): nothing was sent.
    bool TransmitCharacter(int code);
    void SetTransmit();
    void SetReceive();
    bool Transmitting() const { return transmitting_; }
    void SetTransmitFrequency();
    void UpdateTransmitToReceiveFrequency();
    void UpdateTransmitModulation(int index);
    int GetTransmitModulation() const { return xmitModulation_; }
    static QString TransmitModulationName(int index);
    QString TransmitModulationName() const { return TransmitModulationName(xmitModulation_); }
    void UpdateTransmitPanelCaption();
    // index is the speed's number, 1 (37 wpm) .. 4 (9 wpm).
    void UpdateTransmitCWIDSpeed(int index);
    void SetTransmitCWIDSpeed();
    void SetTransmitCWID();
    void UpdateTransmitPTTMode(int index);
    // 1..8 for com 1..com 8.
    void UpdateTransmitPTTPort(int index);
    void SetTransmitPTTPortMode();
    int GetPTTMode() const { return pttMode_; }
    int GetPTTPort() const { return pttPort_; }
    void IdentificationTick(int channel);
    void ResetIdentificationReminder(int channel);

    // State.
    bool PSKEnabled() const { return pskEnabled_; }
    bool InterceptionStarted() const { return interceptionStarted_; }
    int SoundCardIndex() const { return soundCardIndex_; }
    int32_t LastStatus() const { return lastStatus_; }
    int32_t IMDValue() const { return imdValue_; }
    int32_t IMDChannel() const { return imdChannel_; }
    double RcvFreq(int channel) const;
    int32_t RcvFreqBin(int channel) const;
    float HzPerBin() const { return hzPerBin_; }
    void SetHzPerBin(float hz) { hzPerBin_ = hz; }
    int AFCEnabled(int channel) const;
    int SquelchThreshold(int channel) const;
    double XmitFreq() const { return xmitFreq_; }
    int XmitCWIDSpeed() const { return xmitCWIDSpeed_; }
    QString SentCharacters() const { return sentCharacters_; }
    int IdentificationCount(int channel) const;
    int PeakIMD() const { return peakImd_; }
    int SpectrumDisplayColor() const { return spectrumDisplayColor_; }

    // The procedure the message handler replaced; unhandled messages go there.
    const platform::WindowProc& PreviousWindowProc() const { return previousWindowProc_; }

    // The status texts the engine's codes are logged with (empty for codes that are not logged).
    static QString StatusText(int32_t code);

private:
    template <class F> void trap(const char* where, F&& body);
    QString whereWithFlag(const char* procedure) const;
    PskControls& c() { return host_.pskControls(); }
    void save(const char* section, const QString& key, const QString& value);
    void save(const char* section, const QString& key, double value);
    // A stored whole number in lower..upper. A value that is not a number, or lies outside the
    // range, is reported under where (13, or rangeError) and the default is used instead.
    int storedInt(const char* section, const QString& key, int defaultValue, int lower, int upper,
                  int rangeError, const char* where);
    double storedDouble(const char* section, const QString& key, double defaultValue, double lower,
                        double upper, const char* where);
    // A number typed into a text field; the default when the stored text is not a number.
    QString storedNumberText(const char* section, const QString& key, const QString& defaultValue,
                             const char* where);
    // The dial frequency in kHz from the QSO frequency field (0 when it is not a number).
    double dialKHz();
    void setTransmitIndications(bool transmitting);

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

    int rcvModulation_ = 0;
    double rcvFreq_[3] = {1500, 1500, 1500};
    int32_t rcvFreqBin_[3]{};
    float hzPerBin_ = 4000.0f / 1023.0f;
    int afcEnabled_[3] = {1, 1, 1};
    int squelchThreshold_[3] = {50, 50, 50};
    int peakImd_ = -999;
    int spectrumDisplayColor_ = 16777215;
    TuningDisplay tuning_;
    int waterfallWidth_ = -1; // pixel width the waterfall's rows were drawn at
    std::array<int32_t, TuningDisplay::kBins> fftData_{};
    std::array<int32_t, 16> vectorData_{};

    int xmitModulation_ = 0;
    double xmitFreq_ = 1500;
    int xmitCWIDSpeed_ = 2;
    int pttMode_ = 0;
    int pttPort_ = 0;
    // Whether the operator has been told that the PTT port cannot be opened (until it changes).
    bool pttFailureReported_ = false;
    QString sentCharacters_;
    int identificationCount_[3]{};
};

} // namespace psk
