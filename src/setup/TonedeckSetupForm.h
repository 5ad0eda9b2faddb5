#pragma once
// The setup dialog's controls and their arrangement on the tabs; the behaviour lives in
// TonedeckSetup. Option groups are arrays indexed like the values they stand for.
//   TonedeckSetupForm.cpp         the frame, General, PTT, Soundcard PSK and the RTTY pages
//   TonedeckSetupFormDisplay.cpp  the Display tab: fonts, colours, previews, colour selector
//   TonedeckSetupFormModem.cpp    the External RTTY Modem tab
#include <QDialog>

class QAbstractSlider;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QVBoxLayout;

namespace setup {

class TonedeckSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TonedeckSetupForm(QWidget* parent = nullptr);

    // The last option button of each group.
    static constexpr int RcvModulationMaxButtonIndex = 2;
    static constexpr int RcvSquelchSpeedMaxButtonIndex = 2;
    static constexpr int XmitModulationMaxButtonIndex = 4;
    static constexpr int XmitCWIDSpeedMaxButtonIndex = 3;
    static constexpr int XmitPTTModeMaxButtonIndex = 4;
    static constexpr int XmitPTTPortMaxButtonIndex = 7;

    // Tab indexes.
    enum Tab { General, Display, PTT, SoundcardPSK, SoundcardRTTY, RTTYModem, TabCount };

    QTabWidget* SSTab1 = nullptr;
    class SoundcardRttyTab* SoundcardRtty = nullptr; // tab 4
    QPushButton* SetupHelpCmd = nullptr;
    QPushButton* CloseCmd = nullptr;

    // 0 General.
    QLineEdit* MyCallsign = nullptr;
    QCheckBox* SlashZeroCheckbox = nullptr;
    QCheckBox* TooltipsCheckbox = nullptr;
    QLineEdit* BrowserPathname = nullptr;
    QPushButton* BrowserSelectCmd = nullptr;
    QPushButton* AboutCmd = nullptr;

    // --- General tab: log and contest fields (shared with the minilog) ---
    QLineEdit* BPSKMode = nullptr;
    QLineEdit* QPSKMode = nullptr;
    QLineEdit* TransmitPower = nullptr;
    QLineEdit* ContestID = nullptr;
    QLineEdit* TXSerialNumber = nullptr;
    QCheckBox* DXBaseCheckbox = nullptr;
    QCheckBox* ContestModeCheckbox = nullptr;
    QPushButton* ResetTXSerialNumberCmd = nullptr;
    // --- end of the shared block ---

    // 1 Display. Receive panes: one font for the three, colours per pane, a preview per pane
    // with received text (TrialReceive) and the echo of transmitted text (TrialTransmit).
    QFontComboBox* FontSelector = nullptr;
    QSlider* SizeSlider = nullptr;
    QLabel* SizeLabel = nullptr;
    QFrame* TrialPane[3]{};
    QLabel* TrialReceive[3]{};
    QLabel* TrialTransmit[3]{};
    QPushButton* FontColorCmd[3]{};
    QPushButton* BackColorCmd[3]{};
    // Transmit pane.
    QFontComboBox* KeyboardFontSelector = nullptr;
    QSlider* KeyboardSizeSlider = nullptr;
    QLabel* KeyboardSizeLabel = nullptr;
    QFrame* KeyboardTrialPane = nullptr;
    QLabel* KeyboardTrialTransmit = nullptr;
    QPushButton* KeyboardColorCmd = nullptr;
    QPushButton* KeyboardBackColorCmd = nullptr;
    // Other colours.
    QPushButton* TransmittedFontColorCmd = nullptr;
    QPushButton* SelectedChannelLabelColorCmd = nullptr;
    QPushButton* SpectrumTraceColorCmd = nullptr;
    // The colour selector: 0 red, 1 green, 2 blue.
    QSlider* ColorSlider[3]{};
    QLabel* ColorLab[3]{};
    QLabel* Swatch = nullptr;

    // 2 PTT, and the devices behind "com 1".."com 8".
    QRadioButton* XmitPTTButton[5]{};
    QRadioButton* XmitPTTPortButton[8]{};
    QButtonGroup* XmitPTTGroup = nullptr;
    QButtonGroup* XmitPTTPortGroup = nullptr;
    QComboBox* SerialPortDevice[8]{};

    // 3 Soundcard PSK.
    QRadioButton* SoundcardSelectionButton[5]{};
    QButtonGroup* SoundcardSelectionGroup = nullptr;
    QLineEdit* OptimalOffset = nullptr;
    QSlider* RcvSearchLimitSlider = nullptr;
    QSlider* RcvAFCLimitSlider = nullptr;
    QSlider* RcvIntensitySlider = nullptr;
    QSlider* RcvClippingSlider = nullptr;
    QSlider* RcvSmoothingSlider = nullptr;
    QSlider* WaterfallTraceWidthSlider = nullptr;
    QRadioButton* RcvDisplayButton[2]{};
    QRadioButton* WaterfallColorButton[2]{};
    QRadioButton* RcvModeButton[3]{};
    QRadioButton* RcvSquelchSpeedButton[3]{};
    QSlider* RcvSquelchSpeedSettingSlider = nullptr;
    QButtonGroup* RcvDisplayGroup = nullptr;
    QButtonGroup* WaterfallColorGroup = nullptr;
    QButtonGroup* RcvModeGroup = nullptr;
    QButtonGroup* RcvSquelchSpeedGroup = nullptr;
    QLineEdit* XmitOffset = nullptr;
    QLineEdit* XmitCWID = nullptr;
    QRadioButton* XmitModeButton[5]{};
    QRadioButton* XmitCWIDButton[4]{};
    QButtonGroup* XmitModeGroup = nullptr;
    QButtonGroup* XmitCWIDGroup = nullptr;

    // 4 Soundcard RTTY: the page, filled by the RTTY side's form.
    QWidget* SoundcardRTTYPage = nullptr;

    // 5 External RTTY Modem. The serial option groups are indexed from 1 like their settings.
    QWidget* RTTYModemPage = nullptr;
    QCheckBox* RTTYModemEnabled = nullptr;
    QComboBox* RTTYModemModel = nullptr;
    QComboBox* RTTYModemSpeedCombo = nullptr;
    QComboBox* RTTYModemShiftCombo = nullptr;
    QCheckBox* RTTYModemReverseRcvCheck = nullptr;
    QCheckBox* RTTYModemReverseXmitCheck = nullptr;
    QCheckBox* RTTYModemUSOSCheck = nullptr;
    QCheckBox* TransmitPaneControlChars = nullptr;
    QRadioButton* RTTYModemModeButton[2]{};
    QButtonGroup* RTTYModemModeGroup = nullptr;
    QRadioButton* ModemPortButton[9]{};
    QRadioButton* ModemSpeedButton[8]{};
    QRadioButton* ModemParityButton[6]{};
    QRadioButton* ModemWordlenButton[4]{};
    QRadioButton* ModemStopBitsButton[4]{};
    QButtonGroup* ModemPortGroup = nullptr;
    QButtonGroup* ModemSpeedGroup = nullptr;
    QButtonGroup* ModemParityGroup = nullptr;
    QButtonGroup* ModemWordlenGroup = nullptr;
    QButtonGroup* ModemStopBitsGroup = nullptr;
    // Sends the modem's set-up commands again; enabled once the modem's module is attached.
    QPushButton* ResetRttyModemCmd = nullptr;

private:
    QWidget* buildGeneral();
    void buildLogAndContest(QVBoxLayout* into);
    QWidget* buildDisplay();
    QWidget* buildPTT();
    QWidget* buildSoundcardPSK();
    QWidget* buildRTTYModem();
};

} // namespace setup
