#pragma once
// The setup dialog's "Soundcard RTTY" tab: the RTTY engine's options. The controls only hold
// values; MMTTYModule reads them, reacts to their changes and stores them.
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace setup {

class SoundcardRttyTab : public QWidget {
    Q_OBJECT
public:
    explicit SoundcardRttyTab(QWidget* parent = nullptr);

    QCheckBox* MMTTYEnabled = nullptr;
    QRadioButton* MMTTYModeButton[2]{}; // 0 "AFSK (LSB)", 1 "FSK (RTTY)"
    QLineEdit* MMTTYShift = nullptr;
    QLineEdit* MMTTYSpeed = nullptr;
    QCheckBox* MMTTYReverseRcvCheck = nullptr;
    QCheckBox* MMTTYReverseXmitCheck = nullptr;
    QCheckBox* MMTTYUSOSCheck = nullptr;
    QRadioButton* MMTTYKeyboardButton[2]{}; // 0 "character", 1 "word"
    QCheckBox* MMTTYXYDisplayEnabled = nullptr;
    QRadioButton* MMTTYRcvDisplayButton[2]{}; // 0 "waterfall", 1 "spectrum"
    QSlider* MMTTYRcvIntensitySlider = nullptr;
    QLabel* MMTTYRcvIntensityDisplay = nullptr;
    QSlider* MMTTYWaterfallTraceWidthSlider = nullptr;
    QPushButton* MMTTYConfigCmd = nullptr;
    QLineEdit* RTTYModeOffset[2]{}; // 0 LSB, 1 FSK
    QLabel* SoundCard = nullptr;
};

} // namespace setup
