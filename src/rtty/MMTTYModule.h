#pragma once
// MMTTYModule: the program's side of the soundcard RTTY engine. Launches the engine process,
// installs MMTTYMsgHandler on the main window while it runs, exchanges the posted messages and
// the shared block, drains received characters into pane 0, keeps the engine's options, tones
// and speed in step with the controls and the settings, and draws the level bar, the
// waterfall/spectrum with its markers, the XY display and the frequency scale.
#include <array>
#include <cstdint>
#include <deque>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "MmttyLink.h"
#include "platform/Messages.h"

class QLineEdit;

namespace platform {
class PictureBox;
class SettingsStore;
} // namespace platform
namespace setup {
class SoundcardRttyTab;
}

namespace rtty {

class MMTTYPanel;

// What the module needs from the rest of the program.
class MMTTYHost {
public:
    virtual ~MMTTYHost() = default;
    virtual platform::MessageWindow& mainWindow() = 0;
    virtual platform::SettingsStore& settings() = 0;
    virtual void messageBox(const QString& text) = 0; // titled with the product name
    virtual QString programDirectory() const = 0;
    virtual bool startProcess(const QString& program, const QStringList& args) = 0;
    virtual bool rttyModeSelected() const = 0; // ModeButton(1)
    virtual void setRttyModeButtonEnabled(bool on) = 0;
    virtual bool modemShutdownPending() const { return false; } // RTTYModemShutdownTimer
    virtual void append(int pane, int character, int colour) = 0;
    virtual void appendNewline(int pane) = 0;
    virtual int paneColor(int pane) const = 0;
    virtual int transmittedTextColor() const = 0;
    virtual int pttMode() const = 0; // 3 = RTS and DTR, 4 = through the transceiver program
    virtual int pttPort() const = 0;
    virtual void setSinglePttModesEnabled(bool on) = 0; // XmitPTTButton(1) and (2)
    virtual QString qsoFrequency() const = 0;           // kHz, as typed
    virtual bool transceiverIsLsb() const { return true; }
    virtual void transceiverCommand(const QString& command) { (void)command; }
    virtual void tuneTransceiver(double kHz) { (void)kHz; }
    virtual void qsoFrequencyChanged() {}
    virtual void transmissionEnded() {}
    virtual void focusKeyboard() {}
    // The pane lock of pane 0 (MMTTYCharHandlerLocked): the drain waits while it is set.
    virtual bool charHandlerLocked() const { return false; }
    virtual int waterfallColor(int value) const = 0; // WaterfallColorTable
    virtual int spectrumColor() const = 0;
    virtual int soundInputCount() const = 0;
    virtual QString soundInputName(int index) const = 0;
    virtual void processEvents() {}
    // Whether the launched engine process still runs, where the host knows it.
    virtual bool engineProcessRunning() const { return true; }
    // Whether the engine's window still exists (the host may end an engine that is slow to go).
    virtual bool engineExists() const;
    // The engine went away by itself; the module has cleaned up.
    virtual void engineLost() {}
    // The engine started or stopped: the RTTY panes are laid out again.
    virtual void enginePathChanged() {}
};

class MMTTYModule : public QObject {
    Q_OBJECT
public:
    MMTTYModule(MMTTYHost& host, MMTTYPanel& panel, setup::SoundcardRttyTab& tab,
                platform::PictureBox& waterfall, platform::PictureBox& frequency,
                QObject* parent = nullptr);
    ~MMTTYModule() override;

    // Life cycle.
    void Initialize();
    void Enable();
    void Disable();
    void Terminate();
    bool Running() const { return EngineStarted; }
    bool Transmitting() const { return EngineTransmitting; }
    bool ShutdownPending() const { return MMTTYShutdownTimer.isActive(); }
    static int ReceivePane() { return 0; }
    bool EngineWindowExists() const;
    void EnabledChanged();

    // Transmitting.
    void StartTransmit();
    void StopTransmit();
    void AbortTransmit();
    void SendCharacter(int code);
    // Whether the engine takes another character now: a feed keeps at most kSendWindow
    // characters ahead of the engine's echo (more only to finish a word in word mode), so an
    // abort leaves little behind and the message queue is never flooded.
    bool HasRoom() const;
    static constexpr int kSendWindow = 64, kLongestWord = 1024;
    // How often a drain held off by the pane lock looks again.
    static constexpr int kLockRetryMs = 50;
    void ShowEngineSetup();

    // Options and tones.
    void SetSwitch(int bit, bool on);
    bool GetSwitch(int bit) const { return (SwitchWord & (1u << bit)) != 0; }
    void SetDisplay(int bit, bool on);
    void SetKeyboardMode();
    void SetShift(int shift);
    void ValidateSpeed();
    void SendPTTPort();
    void UpdateReceiveFrequency();
    void ComputeMarkerPositions();
    void SetFrequencyFromWaterfall(double x);
    void SetOptimalReceiveFrequency();
    void ComputeSquelchThreshold(double x);
    void DrawFrequencyScale();
    void DisplaySoundcardName();

    // The main window's procedure while the engine runs (MMTTYMsgHandler.WindowProc).
    int32_t WindowProc(platform::WindowHandle w, uint32_t msg, int32_t wParam, int32_t lParam);

    // Ticks (public for the main window's and tests' sake).
    void StartEngine();
    void Kickoff();
    void CheckShutdown();
    void HandleNewChar();
    void UpdateSignalStrength();
    void CheckAlive();

    // Inspection.
    uint32_t switchWord() const { return SwitchWord; }
    uint32_t displayWord() const { return DisplayWord; }
    double markFrequency() const { return MarkFrequency; }
    double spaceFrequency() const { return SpaceFrequency; }
    double speed() const { return Speed; }
    int squelchThreshold() const { return SquelchThreshold; }
    std::array<int, 4> markerColumns() const { return markers_; }
    double hzPerPixel() const { return HzPerPixel; }
    platform::WindowHandle engineWindow() const { return MMTTYWindow; }
    QTimer& kickoffTimer() { return MMTTYKickoffTimer; }
    QTimer& shutdownTimer() { return MMTTYShutdownTimer; }
    mmtty::SharedBlock& sharedBlock() { return block_; }
    // The launch command: the program and its arguments.
    static QStringList CommandLine(const QString& programDir, uint32_t handle);

    // The ring of received characters.
    void InitializeNewCharBuffer();
    void SaveNewChar(int32_t code);
    int GetNewChar();

private:
    void post(int32_t code, int32_t value);
    void ExchangeHandles(platform::WindowHandle engine);
    void SetTransmit();
    void SetReceive();
    void echoed(int code);
    // The engine stopped or is stopping while it transmitted: receive again, rig included.
    void endTransmission();
    void ShowControls(bool visible);
    void SaveEnabled();
    void SaveMMTTYParameters();
    void InitializeMMTTYParameters();
    void InitializeMarkSpace();
    void SendMarkSpace();
    void SaveMarkSpace();
    void SendSpeed();
    void SendSwitch();
    void SendDisplay();
    void SendSquelchThreshold();
    void UpdateSquelchThreshold();
    void DisplayRcvSquelchThreshold();
    void UpdateWaterfallDisplay();
    void UpdateXYDisplay();
    void DrawMarker(int column, int colour, int w);
    void InitializeRcvIntensity();
    void InitializeRcvDisplay();
    void InitializeRTTYXcvrMode();
    void ConnectControls();
    QString setting(const char* key, const QString& def) const;
    void save(const char* key, const QString& value);
    double offsetHz() const;
    template <class F> void ignoring(F&& f);

    MMTTYHost& host_;
    MMTTYPanel& panel_;
    setup::SoundcardRttyTab& tab_;
    platform::PictureBox& waterfall_;
    platform::PictureBox& frequency_;
    mmtty::SharedBlock block_;

    uint32_t MMTTYMessage = 0;
    platform::WindowHandle MMTTYWindow = 0;
    platform::WindowProc PreviousWindowProc;
    bool WindowSubclassed = false;
    bool EngineStarted = false;
    bool IgnoringMMTTYChanges = false;
    bool EngineTransmitting = false;
    bool LastTransmitting = false;
    int PendingLineEnd = 0;
    // Each character keeps the transmit state it arrived in: the engine's last echo and its
    // switch to receive come together, before the drain runs.
    struct Entry {
        uint8_t ch = 0;
        bool valid = false;
        bool transmitting = false;
    };
    bool readTransmitting_ = false; // of the character GetNewChar returned last
    std::array<Entry, 4096> NewCharBuffer{};
    uint16_t writeIndex_ = 0, readIndex_ = 0;
    int32_t SignalLevel = 0;
    bool switchesInitialised_ = false;
    bool switchesRequested_ = false;

    uint32_t SwitchWord = 0;
    uint32_t DisplayWord = 0;
    double Speed = 45.45;
    double MarkFrequency = 2125, SpaceFrequency = 2295;
    double TransmitMarkFrequency = 2125, TransmitSpaceFrequency = 2295;
    int ShiftHz = 170;
    int SquelchThreshold = 500;
    double HzPerPixel = 4000.0 / 1023.0;
    std::array<int, 4> markers_{}; // receive mark, receive space, transmit mark, transmit space

    QTimer MMTTYInitTimer, MMTTYCharTimer, MMTTYLevelTimer, MMTTYKickoffTimer, MMTTYShutdownTimer;
    QTimer MMTTYAliveTimer; // notices an engine that died without being asked to
    QTimer MMTTYLockRetryTimer;
    bool draining_ = false;
    // Characters posted to the engine and not yet echoed back as sent, oldest first.
    std::deque<char> unechoed_;
};

} // namespace rtty
