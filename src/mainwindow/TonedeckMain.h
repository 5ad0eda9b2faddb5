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
    void IgnoreParameterChanges() { ignoringParameterChanges_ = true; }
    void SaveParameterChanges() { ignoringParameterChanges_ = false; }
    bool IgnoringParameterChanges() const { return ignoringParameterChanges_; }
    bool RTTYModemCharHandlerLockedProperty() const { return rttyModemCharHandlerLocked_; }
    bool MMTTYCharHandlerLocked() const { return mmttyCharHandlerLocked_; }
    // Holds a pane still (its characters wait in their buffer) while the operator selects in
    // it or has suspended it; unlocking shows what waited.
    void LockPane(int pane);
    void UnlockPane(int pane);
    // The per-source drain locks of the PSK side: 0..2 the receive channels, 3 the echo. A
    // drain runs only if LockCharHandler gets the lock; a locked pane holds it too.
    bool CharHandlerLocked(int source) const;
    bool LockCharHandler(int source);
    void UnlockCharHandler(int source);
    void TransmitCWID();
    // Keyboard navigation between the fields by Ctrl+letter codes; handled is set when the key
    // was one of them.
    void Navigate(int keyAscii, bool& handled);
    void SetCaptionSuffix(const QString& text);
    QString Caption() const;
    QString myCallsign() const;

    // Window state.
    // Set once unload begins: from then on companion links closing are expected.
    bool ShuttingDown() const { return shuttingDown_; }
    void MarkShuttingDown() { shuttingDown_ = true; }
    // The window state (0 normal, 1 minimized, 2 maximized) at the last resize.
    int LastWindowState() const { return lastWindowState_; }
    // A layout that resizes the window itself: its resize event is not the operator's.
    void SuppressNextResize() { resizeSuppressed_ = true; }
    bool ResizeSuppressed() const { return resizeSuppressed_; }

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
    // Start-up selects the stored mode; clicks before that are not switches.
    void RestoreMode(int index);
    // A press on the waterfall at x (its scale units).
    void Waterfall_MouseDown(double x, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool shuttingDown_ = false;
    void connectControls();
    void fillPskControls();
    void installEventFilters();
    int windowStateCode() const;
    void stopTimers();

    TonedeckApp& app_;
    platform::MessageWindow hwnd_;
    psk::PskControls controls_;
    bool charHandlerLocked_[4]{};
    bool mmttyCharHandlerLocked_ = false;
    bool rttyModemCharHandlerLocked_ = false;
    bool ignoringParameterChanges_ = false;
    bool blinkState_ = false;
    QString captionSuffix_;
    bool modeRestored_ = false;
    int lastWindowState_ = 0;
    bool resizeSuppressed_ = false;
    // A release that ends a double click on a receive pane is not a click.
    bool releaseEndsDoubleClick_[3]{};
    bool loaded_ = false;
    bool releaseInFlight_ = false;
    bool unloaded_ = false;
    // The mode whose side is enabled (-1 before start-up has enabled one).
    int enabledMode_ = -1;
};

} // namespace mainwindow
