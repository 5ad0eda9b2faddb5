#pragma once
// What the PSK side needs from the windows it runs in. The main window owns the timers and
// most controls, the setup dialog holds the settings' controls; the PSK module reads and sets
// them through PskControls and asks for everything else through PskHost, so that it does not
// depend on the windows' code.
#include <QString>
#include <QTimer>

class QAbstractButton;
class QAbstractSlider;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace platform {
class MessageWindow;
class PictureBox;
} // namespace platform

namespace psk {

// The main window's timers that the PSK side arms and sets up.
struct PskTimers {
    QTimer DataTimer;
    QTimer CharTimer[4];
    QTimer StatusTimer;
    QTimer IMDTimer;
    QTimer ReceiveStatusTimer;
    QTimer IMDBlankingTimer;
    QTimer IdentificationTimer[3];

    void stopAll() {
        for (QTimer* t :
             {&DataTimer, &StatusTimer, &IMDTimer, &ReceiveStatusTimer, &IMDBlankingTimer})
            t->stop();
        for (QTimer& t : CharTimer)
            t.stop();
        for (QTimer& t : IdentificationTimer)
            t.stop();
    }
};

// The controls the PSK side reads at the moment of use and fills when it restores a setting.
// Option groups are arrays indexed like the values they stand for.
struct PskControls {
    // Setup dialog.
    QLineEdit* MyCallsign = nullptr;
    QAbstractButton* SoundcardSelectionButton[5]{}; // auto select, soundcard #0..#3
    QAbstractButton* RcvModeButton[3]{};
    QLineEdit* OptimalOffset = nullptr;
    QAbstractSlider* RcvIntensitySlider = nullptr;
    QAbstractSlider* RcvClippingSlider = nullptr;
    QAbstractSlider* RcvSmoothingSlider = nullptr;
    QAbstractSlider* WaterfallTraceWidthSlider = nullptr;
    QAbstractSlider* RcvAFCLimitSlider = nullptr;
    QAbstractSlider* RcvSearchLimitSlider = nullptr;
    QAbstractButton* RcvSquelchSpeedButton[3]{}; // fast, slow, slider
    QAbstractSlider* RcvSquelchSpeedSettingSlider = nullptr;
    QAbstractButton* RcvDisplayButton[2]{};     // waterfall, spectrum
    QAbstractButton* WaterfallColorButton[2]{}; // mono, synthetic
    QPushButton* SpectrumTraceColorCmd = nullptr;
    QAbstractButton* XmitModeButton[5]{};
    QLineEdit* XmitOffset = nullptr;
    QAbstractButton* XmitCWIDButton[4]{}; // speed index 1..4 is button 0..3
    QLineEdit* XmitCWID = nullptr;
    QAbstractButton* XmitPTTButton[5]{};
    QAbstractButton* XmitPTTPortButton[8]{}; // com 1..com 8

    // Main window.
    QCheckBox* RcvAFCEnabledCheckbox = nullptr;
    QLabel* RcvSquelchThresholdDisplay = nullptr;
    platform::PictureBox* SignalStrengthControl = nullptr;
    platform::PictureBox* Waterfall = nullptr;
    platform::PictureBox* VectorDisplay = nullptr;
    QLabel* RXFreq = nullptr;
    QLabel* TXFreq = nullptr;
    QCheckBox* TXFreqLock = nullptr;
    QLineEdit* QSOFrequency = nullptr;
    QGroupBox* ReceiveFrame = nullptr;
    QGroupBox* TransmitFrame = nullptr;
    QPushButton* StartXmitCmd = nullptr;
    QPushButton* StopTransmitCmd = nullptr;
    QPushButton* AbortTransmitCmd = nullptr;
    QPushButton* IDCmd = nullptr;
    QCheckBox* TuneCheckbox = nullptr;
    QPushButton* OptimalOffsetCmd = nullptr;
    QLabel* RcvIMD = nullptr;
    QLineEdit* PeakIMD = nullptr;
    QLabel* XmitStatus[3]{};
};

class PskHost {
public:
    virtual ~PskHost() = default;
    virtual platform::MessageWindow& messageWindow() = 0;
    virtual PskTimers& pskTimers() = 0;
    virtual PskControls& pskControls() = 0;
    // The small receive status indicator: colour (red = 255), tooltip, visibility.
    virtual void showReceiveStatus(int color, const QString& tooltip) = 0;
    virtual void hideReceiveStatus() = 0;
    virtual bool pskModeSelected() const = 0;
    // The PSK controls shown while the PSK side is enabled.
    virtual void setPskControlsVisible(bool visible) = 0;
    // The setup dialog's change-ignoring flag, set while settings are restored.
    virtual void setSetupIgnoringChanges(bool ignoring) = 0;
    // The setup dialog's sample transmit texts ("de " and the callsign).
    virtual void setSampleTransmitTexts(const QString& text) = 0;

    // The display module.
    virtual void setReceivePane(int pane) = 0;
    virtual void updatePanelID(int pane) = 0;
    virtual void setModeCaptions() = 0;
    virtual void trimTransmittedText() = 0;
    // The squelch mark on the signal meter, from left to right in the meter's units.
    // The text colour of a channel's receive pane: its marker colour on the waterfall.
    virtual int paneColor(int channel) const = 0;
    // The soundcard overload warning on the receive frame (overload > 0), or the normal caption.
    virtual void updateOverloadIndicator(int overload) = 0;
    // Whether the engine listens to the built-in simulated band rather than the radio.
    virtual void showSimulatedBand(bool simulated) = 0;
    // At shut-down: the windows' positions and the display settings go to the store.
    virtual void saveWindowPositions() = 0;

    // The transceiver-control companion program: whether it is connected, and the "transmit"
    // and "receive" commands when it keys the transmitter.
    virtual bool transceiverControlConnected() const = 0;
    virtual void transceiverControlCommand(const QString& command) = 0;
    // Its "qsy" (dial frequency in kHz) and "xcvrfreqmode" commands.
    virtual void transceiverControlQSY(double kHz) = 0;
    virtual void transceiverControlFreqMode(const QString& xcvrfreq, const QString& xcvrmode) = 0;
    // The main window's handling of a changed QSO frequency.
    virtual void qsoFrequencyChanged() = 0;
    // Drops RTS and DTR of the PTT port left by a previous run.
    virtual void resetPttPort(int port) = 0;
    // Closes the program's secondary windows at the end of the run.
    virtual void unloadSecondaryWindows() = 0;
};

} // namespace psk
