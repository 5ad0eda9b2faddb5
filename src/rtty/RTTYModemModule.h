#pragma once
// The external RTTY modem: a terminal node controller on a serial port, driven by the command
// strings of its parameter file. Everything it sends back (received text and the echo of what
// was written) goes to receive pane 1; the switch back to receive after a transmission waits
// until the echo of every character written has come back.
#include "ModemParameters.h"
#include "RTTYComm.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace platform {
class SettingsStore;
}

namespace rtty {

// What the modem needs of the program around it: the main window's panes and buttons, the
// setup tab's enable box, and the RTTY selection.
class RTTYModemHost : public ModemParametersHost {
public:
    virtual platform::SettingsStore& settings() = 0;
    virtual QString modemFolder() const = 0;
    virtual bool rttyModeSelected() const = 0;                   // ModeButton(1)
    virtual void setRttyModeButtonEnabled(bool on) = 0;          // ModeButton(1)
    virtual bool engineShutdownPending() const { return false; } // MMTTYShutdownTimer
    // RTTYModemEnabled: its check mark (set without a click) and whether it can be used.
    virtual void setEnabledBox(bool checked) = 0;
    virtual void setEnabledBoxEnabled(bool on) = 0;
    virtual void append(int pane, int character, int colour) = 0;
    virtual void appendNewline(int pane) = 0;
    virtual int paneColor(int pane) const = 0;
    virtual int transmittedTextColor() const = 0;
    // Frame captions and RTTYStartCmd/IdCmd/StopCmd/AbortCmd for a transmission or reception.
    virtual void showTransmitting(bool on) = 0;
    virtual void transmissionEnded() {}
    virtual void updatePanels() {}
    virtual bool charHandlerLocked() const { return false; } // RTTYModemCharHandlerLocked
    virtual QString qsoFrequency() const { return {}; }
    virtual void showFrequencies(const QString& receive, const QString& transmit) {
        (void)receive, (void)transmit;
    }
};

class RTTYModemModule : public QObject {
    Q_OBJECT
public:
    static constexpr int kShutdownDelayMs = 100;
    static constexpr int kDrainTimeoutMs = 3000;
    // Characters shown per turn of the event loop, so that a flood keeps the window alive.
    static constexpr int kReadChunk = 256;
    // Characters a feed keeps ahead of the modem (unechoed while transmitting, unwritten
    // otherwise): an abort leaves little in the modem's buffer, and a modem that never echoes
    // holds the feed rather than the program's memory.
    static constexpr int kSendWindow = 64;
    // How often input held back by the pane lock is looked at again.
    static constexpr int kLockRetryMs = 50;

    explicit RTTYModemModule(RTTYModemHost& host, QObject* parent = nullptr);
    ~RTTYModemModule() override;

    void Initialize();
    void Enable();
    void Disable();
    void CheckShutdown();
    void Terminate();
    bool Enabled() const { return ModemEnabled; }
    bool Transmitting() const { return ModemTransmitting; }
    static int ReceivePane() { return 1; }
    int RTTYMode() const { return Mode; }
    bool ShutdownPending() const { return ShutdownTimer.isActive(); }
    int echoCount() const { return EchoCount; }

    // The model list and choices of the setup tab.
    QStringList InitializeModemModels();
    const QString& model() const { return Model; }
    void SelectModel(const QString& model);
    bool ReadParameterFile();
    const ModemParameters& parameters() const { return Params; }
    bool HasIdCommand() const { return Params.HasIdCommand(); }
    const QString& speed() const { return SpeedLabel; }
    const QString& shift() const { return ShiftLabel; }
    void SelectSpeed(const QString& label);
    void SelectShift(const QString& label);
    void SendSpeed();
    void SendShift();
    void SendReceiveReverse(bool on);
    void SendTransmitReverse(bool on);
    void SendUSOS(bool on);
    void SaveRTTYMode(int mode);
    void EnabledChanged(bool checked);
    void UpdateReceiveFrequency();

    void HandleModemInput();
    void StartTransmit();
    void StopTransmit();
    void AbortTransmit();
    void SendIdentification();
    void SendCharacter(int code);
    bool HasRoom() const;

    RTTYComm& comm() { return Comm; }

private:
    bool setting(const char* key) const;
    void save(const char* key, bool on);
    void write(ModemParameters::Command c);
    void sendSwitch(const char* key, bool on, ModemParameters::Command onCmd,
                    ModemParameters::Command offCmd);
    void sendChoice(const QString& label, const QList<ModemParameters::Choice>& choices);
    void SetTransmit(int count);
    void SetReceive();
    void StopRequest();
    void showChar(int c);
    void portLost(const QString& reason);

    RTTYModemHost& host_;
    RTTYComm Comm;
    ModemParameters Params;
    QTimer ShutdownTimer, MoreInputTimer, LockRetryTimer;
    QString Model, SpeedLabel, ShiftLabel;
    bool ModemEnabled = false, ModemTransmitting = false, StopPending = false;
    bool LastTransmitting = false, EnableAfterShutdown = false;
    int EchoCount = 0, PendingLineEnd = 0, Mode = 0;
};

} // namespace rtty
