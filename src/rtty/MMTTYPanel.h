#pragma once
// The main window's soundcard-RTTY controls that the PSK side does not have: AFC and net, the
// level bar with its squelch, the XY display, the frequency readouts and the transmit frames
// with their buttons. The main window places the panel; MMTTYModule shows, hides and feeds it.
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace platform {
class PictureBox;
}

namespace rtty {

class MMTTYPanel : public QWidget {
    Q_OBJECT
public:
    explicit MMTTYPanel(QWidget* parent = nullptr);

    QCheckBox* MMTTYAFCEnabledCheck = nullptr;
    QCheckBox* MMTTYNet = nullptr;
    platform::PictureBox* MMTTYSignalStrengthControl = nullptr;
    QLabel* MMTTYSquelchLabel = nullptr;
    QLabel* MMTTYSquelchThresholdDisplay = nullptr;
    platform::PictureBox* XYDisplay = nullptr;
    QGroupBox* RTTYReceiveFrame = nullptr;
    QGroupBox* RTTYTransmitFrame = nullptr;
    QLabel* RTTYReceiveFreq = nullptr;
    QLabel* RTTYXmitFreq = nullptr;
    QPushButton* RTTYStartCmd = nullptr;
    QPushButton* RTTYStopCmd = nullptr;
    QPushButton* RTTYAbortCmd = nullptr;
    QPushButton* RTTYIdCmd = nullptr;
};

} // namespace rtty
