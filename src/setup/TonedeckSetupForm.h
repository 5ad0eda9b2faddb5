#pragma once
// The setup dialog's controls and their arrangement on the tabs; the behaviour lives in
// TonedeckSetup. Option groups are arrays indexed like the values they stand for.
#include <QDialog>

class QAbstractSlider;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

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

    QTabWidget* SSTab1 = nullptr;
    class SoundcardRttyTab* SoundcardRtty = nullptr; // tab 4
    QPushButton* SetupHelpCmd = nullptr;

    // 0 General.
    QLineEdit* MyCallsign = nullptr;
    QCheckBox* SlashZeroCheckbox = nullptr;
    QCheckBox* TooltipsCheckbox = nullptr;
    QPushButton* AboutCmd = nullptr;

    // 1 Display: previews of the panes' text.
    QLabel* TrialTransmit[3]{};
    QLabel* KeyboardTrialTransmit = nullptr;
    QPushButton* SpectrumTraceColorCmd = nullptr;

    // 2 PTT.
    QRadioButton* XmitPTTButton[5]{};
    QRadioButton* XmitPTTPortButton[8]{};
    QButtonGroup* XmitPTTGroup = nullptr;
    QButtonGroup* XmitPTTPortGroup = nullptr;

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
};

} // namespace setup
