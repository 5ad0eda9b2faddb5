// What the PSK side gets from the main window: its controls, indications and the services of
// the other modules; and the keyboard navigation between the fields.
#include "TonedeckApp.h"
#include <macros/TonedeckMacroEditor.h>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <rtty/TonedeckComm.h>

namespace mainwindow {

void TonedeckMain::fillPskControls() {
    psk::PskControls& c = controls_;
    auto& s = app_.setupDialog;
    c.MyCallsign = s.MyCallsign;
    for (int i = 0; i < 5; ++i)
        c.SoundcardSelectionButton[i] = s.SoundcardSelectionButton[i];
    for (int i = 0; i < 3; ++i)
        c.RcvModeButton[i] = s.RcvModeButton[i];
    c.OptimalOffset = s.OptimalOffset;
    c.RcvIntensitySlider = s.RcvIntensitySlider;
    c.RcvClippingSlider = s.RcvClippingSlider;
    c.RcvSmoothingSlider = s.RcvSmoothingSlider;
    c.WaterfallTraceWidthSlider = s.WaterfallTraceWidthSlider;
    c.RcvAFCLimitSlider = s.RcvAFCLimitSlider;
    c.RcvSearchLimitSlider = s.RcvSearchLimitSlider;
    for (int i = 0; i < 3; ++i)
        c.RcvSquelchSpeedButton[i] = s.RcvSquelchSpeedButton[i];
    c.RcvSquelchSpeedSettingSlider = s.RcvSquelchSpeedSettingSlider;
    for (int i = 0; i < 2; ++i) {
        c.RcvDisplayButton[i] = s.RcvDisplayButton[i];
        c.WaterfallColorButton[i] = s.WaterfallColorButton[i];
    }
    c.SpectrumTraceColorCmd = s.SpectrumTraceColorCmd;
    for (int i = 0; i < 5; ++i) {
        c.XmitModeButton[i] = s.XmitModeButton[i];
        c.XmitPTTButton[i] = s.XmitPTTButton[i];
    }
    c.XmitOffset = s.XmitOffset;
    for (int i = 0; i < 4; ++i)
        c.XmitCWIDButton[i] = s.XmitCWIDButton[i];
    c.XmitCWID = s.XmitCWID;
    for (int i = 0; i < 8; ++i)
        c.XmitPTTPortButton[i] = s.XmitPTTPortButton[i];

    c.RcvAFCEnabledCheckbox = RcvAFCEnabledCheckbox;
    c.RcvSquelchThresholdDisplay = RcvSquelchThresholdDisplay;
    c.SignalStrengthControl = SignalStrengthControl;
    c.Waterfall = Waterfall;
    c.VectorDisplay = VectorDisplay;
    c.RXFreq = RXFreq;
    c.TXFreq = TXFreq;
    c.TXFreqLock = TXFreqLock;
    c.QSOFrequency = QSOFrequency;
    c.ReceiveFrame = ReceiveFrame;
    c.TransmitFrame = TransmitFrame;
    c.StartXmitCmd = StartXmitCmd;
    c.StopTransmitCmd = StopTransmitCmd;
    c.AbortTransmitCmd = AbortTransmitCmd;
    c.IDCmd = IDCmd;
    c.TuneCheckbox = TuneCheckbox;
    c.OptimalOffsetCmd = OptimalOffsetCmd;
    c.RcvIMD = RcvIMD;
    c.PeakIMD = PeakIMD;
    for (int i = 0; i < 3; ++i)
        c.XmitStatus[i] = XmitStatus[i];
}

TonedeckMain::~TonedeckMain() = default;

void TonedeckMain::showReceiveStatus(int color, const QString& tooltip) {
    QPalette p = ReceiveStatus->palette();
    p.setColor(QPalette::Window, PSKDisplay::ToQColor(color));
    ReceiveStatus->setPalette(p);
    ReceiveStatus->setToolTip(tooltip);
    ReceiveStatus->setVisible(true);
}

void TonedeckMain::hideReceiveStatus() {
    ReceiveStatus->setVisible(false);
}

bool TonedeckMain::pskModeSelected() const {
    return ModeButton[0]->isChecked();
}

void TonedeckMain::setPskControlsVisible(bool visible) {
    for (QWidget* w : {static_cast<QWidget*>(ReceiveFrame), static_cast<QWidget*>(TransmitFrame),
                       static_cast<QWidget*>(Frequency), static_cast<QWidget*>(IMDFrame),
                       static_cast<QWidget*>(Waterfall), static_cast<QWidget*>(VectorDisplay)})
        w->setVisible(visible);
}

void TonedeckMain::setSetupIgnoringChanges(bool ignoring) {
    if (ignoring)
        app_.setupDialog.IgnoreParameterChanges();
    else
        app_.setupDialog.SaveParameterChanges();
}

void TonedeckMain::setSampleTransmitTexts(const QString& text) {
    app_.setupDialog.SetSampleTransmitTexts(text);
}

void TonedeckMain::setReceivePane(int pane) {
    app_.display.SetReceivePane(pane);
}

void TonedeckMain::updatePanelID(int pane) {
    app_.display.UpdatePanelID(pane);
}

void TonedeckMain::setModeCaptions() {
    app_.display.SetModeCaptions();
}

void TonedeckMain::trimTransmittedText() {
    app_.transmitPane.TrimTransmittedText();
}

int TonedeckMain::paneColor(int channel) const {
    return app_.display.GetPaneColor(channel);
}

void TonedeckMain::updateOverloadIndicator(int overload) {
    app_.display.UpdateOverloadIndicator(overload);
}

void TonedeckMain::showSimulatedBand(bool simulated) {
    SimulatedBandLabel->setVisible(simulated);
}

void TonedeckMain::saveWindowPositions() {
    app_.display.SaveWindowPositions();
}

// The companion-program link arrives later: until then no transceiver-control program is ever
// connected, and there is no one to send "transmit" and "receive" to.
bool TonedeckMain::transceiverControlConnected() const {
    return app_.dde.Connected(dde::PSKDDEClient::kRigControl);
}

void TonedeckMain::transceiverControlCommand(const QString& command) {
    if (command == QLatin1String("transmit"))
        app_.dde.SendTransmit();
    else if (command == QLatin1String("receive"))
        app_.dde.SendReceive();
}

void TonedeckMain::transceiverControlQSY(double kHz) {
    app_.dde.SendQSY(kHz);
}

void TonedeckMain::transceiverControlFreqMode(const QString& xcvrfreq, const QString& xcvrmode) {
    app_.dde.SendXcvrFreqMode(xcvrfreq, xcvrmode);
}

void TonedeckMain::qsoFrequencyChanged() {
    app_.display.DrawFrequencyScale();
}

// A line keyed by a run that ended badly is released.
void TonedeckMain::resetPttPort(int port) {
    rtty::TonedeckComm(app_.services.settings).ResetPort(port);
}

void TonedeckMain::unloadSecondaryWindows() {
    app_.setupDialog.CloseInformationWindow();
    if (app_.macros.isVisible()) app_.macros.close();
    app_.macros.Editor()->hide();
    app_.setupDialog.close();
}

QString TonedeckMain::myCallsign() const {
    return app_.setupDialog.MyCallsign->text();
}

void TonedeckMain::Navigate(int keyAscii, bool& handled) {
    handled = false;
    common::guard(app_.common, "TonedeckMain.Navigate", [&] {
        QWidget* target = nullptr;
        switch (keyAscii) {
        case 2:
            target = BandCombo;
            break;
        case 7:
            target = GridSquare;
            break;
        case 12:
            handled = true;
            app_.minilog.LogButton();
            return;
        case 14:
            target = OperatorName;
            break;
        case 15:
            target = Callsign;
            break;
        case 17:
            target = QTH;
            break;
        case 18:
            target = RSTreceived;
            break;
        case 19:
            target = RSTsent;
            break;
        case 20:
            target = Keyboard;
            break;
        case 24:
            target = QSOFrequency;
            break;
        case 26:
            target = RXSerialNumber;
            break;
        default:
            return;
        }
        target->setFocus();
        handled = true;
    });
}

} // namespace mainwindow
