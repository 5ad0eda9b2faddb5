#pragma once
// The main window's controls and their arrangement; the behaviour lives in TonedeckMain,
// PSKDisplay and TransmitPane.
#include "MacroBar.h"
#include "PaneArea.h"
#include <platform/PictureBox.h>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace mainwindow {

class TonedeckMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TonedeckMainForm(QWidget* parent = nullptr);

    // Receive panes, their identification boxes and the transmit pane. Each pane and its box
    // sit in a row of the pane area, with Splitter(0) and Splitter(1) between the rows.
    QTextEdit* Display[3]{};
    QLabel* PanelID[3]{};
    display::PaneArea* PaneArea = nullptr;
    QFrame* Splitter[2]{};
    QTextEdit* Keyboard = nullptr;

    // Mode selector: 0 "PSK", 1 "RTTY".
    QRadioButton* ModeButton[2]{};

    // PSK receive controls.
    QGroupBox* ReceiveFrame = nullptr;
    QLabel* ReceiveStatus = nullptr;
    QLabel* XmitStatus[3]{};
    QLabel* RXFreq = nullptr;
    QCheckBox* RcvAFCEnabledCheckbox = nullptr;
    platform::PictureBox* SignalStrengthControl = nullptr;
    // Shown while the engine listens to its simulated band instead of the radio.
    QLabel* SimulatedBandLabel = nullptr;
    QLabel* RcvSquelchThresholdDisplay = nullptr;
    QPushButton* ReplayCmd = nullptr;

    // Tuning displays: waterfall or spectrum, its frequency scale, the phase vectors.
    platform::PictureBox* Waterfall = nullptr;
    platform::PictureBox* Frequency = nullptr;
    platform::PictureBox* VectorDisplay = nullptr;

    // IMD and optimal offset.
    QGroupBox* IMDFrame = nullptr;
    QPushButton* ResetIMDcmd = nullptr;
    QPushButton* OptimalOffsetCmd = nullptr;
    QLabel* RcvIMD = nullptr;
    QLineEdit* PeakIMD = nullptr;
    QPushButton* RTTYOptimalOffsetCmd = nullptr;

    // PSK transmit controls.
    QGroupBox* TransmitFrame = nullptr;
    QLabel* TXFreq = nullptr;
    QCheckBox* TXFreqLock = nullptr;
    QPushButton* SetTXFreqFromRXFreqCmd = nullptr;
    QPushButton* StartXmitCmd = nullptr;
    QPushButton* StopTransmitCmd = nullptr;
    QPushButton* AbortTransmitCmd = nullptr;
    QPushButton* IDCmd = nullptr;
    QCheckBox* TuneCheckbox = nullptr;

    // Beside the transmit pane.
    QPushButton* ClearXmitPaneCmd = nullptr;
    QPushButton* HelpCmd = nullptr;
    QPushButton* LogCmd = nullptr;
    QPushButton* SetupCmd = nullptr;

    // Macro buttons (F5..F12) with their key labels, and the second bank's indicator; all
    // belong to the macro bar.
    display::MacroBar* MacroBar = nullptr;
    QPushButton* Macro[8]{};
    QLabel* MacroLabel[8]{};
    QCheckBox* AltCheckbox = nullptr;

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
    QPushButton* ClearQSOInfoCmd = nullptr;

    // The pane menu, shared by the receive panes and the transmit pane.
    QMenu* popPane = nullptr;
    QAction* popClear = nullptr;
    QAction* popSave = nullptr;
    QAction* popPaste = nullptr;
    QAction* popTransmit = nullptr;
};

} // namespace mainwindow
