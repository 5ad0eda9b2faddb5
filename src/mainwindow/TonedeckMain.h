#pragma once
// The main window: start-up and shut-down in their fixed order, the timers that drive the
// program, the caption clock and the blink cycle.
#include "TonedeckMainForm.h"
#include <functional>
#include <platform/Messages.h>
#include <psk/PskHost.h>
#include <QTimer>

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
    // Keyboard navigation between the fields by Ctrl+letter codes; handled is set when the key
    // was one of them.
    void Navigate(int keyAscii, bool& handled);
    void SetCaptionSuffix(const QString& text);
    QString Caption() const;
    QString myCallsign() const;

    // Window state.
    bool ShuttingDown = false;
    int LastWindowState = 0;
    bool CharHandlerLocked[4]{};
    bool MMTTYCharHandlerLocked = false;
    bool RTTYModemCharHandlerLocked = false;
    int ClickPosition[3]{};
    int ClickColor[3]{};
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
    // The RTTY paths keep their own timers; this one ends the program once the engine is gone.
    QTimer MMTTYEndTimer;

    // Shows a popup menu and returns when it has closed (tests replace it).
    std::function<void(QMenu&)> ShowPopupMenu;

    platform::MessageWindow& Hwnd() { return hwnd_; }
    bool Unloaded() const { return unloaded_; }

    // PskHost.
    platform::MessageWindow& messageWindow() override { return hwnd_; }
    psk::PskTimers& pskTimers() override { return PskTimers; }
    psk::PskControls& pskControls() override { return controls_; }
    void showReceiveStatus(int color, const QString& tooltip) override;
    void hideReceiveStatus() override;
    bool pskModeSelected() const override;
    void setPskControlsVisible(bool visible) override;
    void setSetupIgnoringChanges(bool ignoring) override;
    void setSampleTransmitTexts(const QString& text) override;
    void setReceivePane(int pane) override;
    void updatePanelID(int pane) override;
    void setModeCaptions() override;
    void trimTransmittedText() override;
    int paneColor(int channel) const override;
    void updateOverloadIndicator(int overload) override;
    void showSimulatedBand(bool simulated) override;
    void saveWindowPositions() override;
    bool transceiverControlConnected() const override;
    void transceiverControlCommand(const QString& command) override;
    void transceiverControlQSY(double kHz) override;
    void transceiverControlFreqMode(const QString& xcvrfreq, const QString& xcvrmode) override;
    void qsoFrequencyChanged() override;
    void resetPttPort(int port) override;
    void unloadSecondaryWindows() override;

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
    // A press on the waterfall at x (its scale units).
    void Waterfall_MouseDown(double x, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // Whether the mode has been restored at start-up; clicks before that are not switches.
    bool ModeRestored = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void connectControls();
    void fillPskControls();
    void installEventFilters();
    int windowStateCode() const;
    void stopTimers();

    TonedeckApp& app_;
    platform::MessageWindow hwnd_;
    psk::PskControls controls_;
    bool loaded_ = false;
    bool releaseInFlight_ = false;
    bool unloaded_ = false;
    // The mode whose side is enabled (-1 before start-up has enabled one).
    int enabledMode_ = -1;
};

} // namespace mainwindow
