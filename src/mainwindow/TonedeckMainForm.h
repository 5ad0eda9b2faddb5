#pragma once
// The main window's controls and their arrangement; the behaviour lives in TonedeckMain.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace mainwindow {

class TonedeckMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TonedeckMainForm(QWidget* parent = nullptr);

    // Receive panes, their identification boxes and the transmit pane.
    QTextEdit* Display[3]{};
    QLabel* PanelID[3]{};
    QTextEdit* Keyboard = nullptr;

    // Mode selector: 0 "PSK", 1 "RTTY".
    QRadioButton* ModeButton[2]{};

    // PSK receive and transmit frames and the tuning display.
    QFrame* ReceiveFrame = nullptr;
    QFrame* TransmitFrame = nullptr;
    QFrame* IMDFrame = nullptr;
    QWidget* Waterfall = nullptr;
    QWidget* Frequency = nullptr;
    QLabel* ReceiveStatus = nullptr;
    QLabel* XmitStatus[3]{};
    QLabel* TransmitIndicator = nullptr;
    QCheckBox* TuneCheckbox = nullptr;

    QPushButton* ReplayCmd = nullptr;
    QPushButton* OptimalOffsetCmd = nullptr;
    QPushButton* RTTYOptimalOffsetCmd = nullptr;
    QPushButton* ResetIMDcmd = nullptr;
    QPushButton* HelpCmd = nullptr;
    QPushButton* LogCmd = nullptr;
    QPushButton* SetupCmd = nullptr;

    // QSO information.
    QLabel* QSOLabel[9]{};
    QLineEdit* Callsign = nullptr;
    QLineEdit* OperatorName = nullptr;
    QLineEdit* QTH = nullptr;
    QLineEdit* RSTsent = nullptr;
    QLineEdit* RSTreceived = nullptr;
    QLineEdit* QSOFrequency = nullptr;
    QComboBox* BandCombo = nullptr;
    QLineEdit* RXSerialNumber = nullptr;
    QLineEdit* GridSquare = nullptr;
};

} // namespace mainwindow
