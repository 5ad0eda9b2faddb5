#pragma once
// The main window: start-up and shut-down in their fixed order, the timers that drive the
// program, the caption clock and the blink cycle.
#include "TonedeckMainForm.h"
#include <QTimer>
#include <platform/Messages.h>
#include <psk/PskHost.h>

namespace mainwindow {

class TonedeckApp;

class TonedeckMain : public TonedeckMainForm, public psk::PskHost {
    Q_OBJECT
public:
    explicit TonedeckMain(TonedeckApp& app);
    ~TonedeckMain() override;

    // Window events.
    void Form_Load();
    void Form_Unload(int& cancel);
    void Form_Resize();

    // Public operations.
    void IgnoreParameterChanges() { IgnoringParameterChanges = true; }
    void SaveParameterChanges() { IgnoringParameterChanges = false; }
    bool RTTYModemCharHandlerLockedProperty() const { return RTTYModemCharHandlerLocked; }
    void LockPane(int pane);
    void UnlockPane(int pane);
    void TransmitCWID();
    void SetCaptionSuffix(const QString& text);
    QString Caption() const;

    // Window state.
    bool ShuttingDown = false;
    int LastWindowState = 0;
    bool CharHandlerLocked[4]{};
    bool MMTTYCharHandlerLocked = false;
    bool RTTYModemCharHandlerLocked = false;
    bool SplitterDragging[2]{};
    int PopupPane = 0;
    bool PopupActive = false;
    bool AltSelectToQTH = false;
    int TuneState = 0;
    bool BlinkState = false;
    bool IgnoringParameterChanges = false;
    bool PaneSuspended[3]{};
    bool FieldNeedsAttention[9]{};
    QString CaptionSuffix;
    bool ResizeSuppressed = false;

    // Timers.
    psk::PskTimers PskTimers;
    QTimer ClockTimer;
    QTimer BlinkTimer;
    QTimer ServerRetryTimer;
    QTimer MMTTYCharTimer;
    QTimer MMTTYLevelTimer;
    QTimer MMTTYInitTimer;
    QTimer MMTTYKickoffTimer;
    QTimer MMTTYShutdownTimer;
    QTimer MMTTYEndTimer;
    QTimer RTTYModemShutdownTimer;

    platform::MessageWindow& Hwnd() { return hwnd_; }
    bool Unloaded() const { return unloaded_; }

    // PskHost.
    platform::MessageWindow& messageWindow() override { return hwnd_; }
    psk::PskTimers& pskTimers() override { return PskTimers; }
    void showReceiveStatus(int color, const QString& tooltip) override;
    void hideReceiveStatus() override;
    bool pskModeSelected() const override;
    void setPskControlsVisible(bool visible) override;
    void setIdentificationLabelsVisible(bool visible) override;
    void showTransmitState(bool transmitting) override;
    QString myCallsign() const override;
    void setMyCallsign(const QString& call) override;

    // Timer ticks.
    void ClockTimer_Timer();
    void BlinkTimer_Timer();
    void DataTimer_Timer();
    void CharTimer_Timer(int index);
    void StatusTimer_Timer();
    void IMDTimer_Timer();
    void ReceiveStatusTimer_Timer();
    void MMTTYEndTimer_Timer();

    void ModeButton_Click(int index);
    // Whether the mode has been restored at start-up; clicks before that are not switches.
    bool ModeRestored = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void connectControls();
    int windowStateCode() const;

    TonedeckApp& app_;
    platform::MessageWindow hwnd_;
    bool loaded_ = false;
    bool unloaded_ = false;
};

} // namespace mainwindow
