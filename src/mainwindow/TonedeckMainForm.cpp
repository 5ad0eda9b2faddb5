#include "TonedeckMainForm.h"
#include <platform/WidgetNames.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace mainwindow {

namespace {
// A frequency label is clipped, never widened past its room: a long text must not push the
// window's controls off the screen.
void boundLabelWidth(QLabel* label) {
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("99,999.999 ")));
}

using platform::indexed;
using platform::named;
QPushButton* button(const char* caption, const char* name, const char* tip = nullptr) {
    auto* b = named(new QPushButton(QString::fromLatin1(caption)), QString::fromLatin1(name));
    if (tip) b->setToolTip(QString::fromLatin1(tip));
    b->setFocusPolicy(Qt::NoFocus); // the focus belongs to the transmit pane
    return b;
}
} // namespace

TonedeckMainForm::TonedeckMainForm(QWidget* parent) : QWidget(parent) {
    setObjectName("TonedeckMain");
    resize(1000, 720);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(4);

    // QSO information row.
    static const char* const kLabels[9] = {"callsign",  "name", "QTH",        "sent", "rcvd",
                                           "xcvr freq", "band", "rx serial#", "grid"};
    auto* qso = new QGridLayout;
    for (int i = 0; i < 9; ++i) {
        QSOLabel[i] = named(new QLabel(kLabels[i]), indexed("QSOLabel", i));
        qso->addWidget(QSOLabel[i], 0, i);
    }
    Callsign = named(new QLineEdit, "Callsign");
    OperatorName = named(new QLineEdit, "OperatorName");
    QTH = named(new QLineEdit, "QTH");
    RSTsent = named(new QLineEdit, "RSTsent");
    RSTreceived = named(new QLineEdit, "RSTreceived");
    QSOFrequency = named(new QLineEdit, "QSOFrequency");
    BandCombo = named(new QComboBox, "BandCombo");
    RXSerialNumber = named(new QLineEdit, "RXSerialNumber");
    GridSquare = named(new QLineEdit, "GridSquare");
    QWidget* fields[9] = {Callsign,  OperatorName,   QTH,       RSTsent, RSTreceived, QSOFrequency,
                          BandCombo, RXSerialNumber, GridSquare};
    for (int i = 0; i < 9; ++i)
        qso->addWidget(fields[i], 1, i);
    ClearQSOInfoCmd = button("Clear", "ClearQSOInfoCmd", "click to clear all QSO info textboxes");
    qso->addWidget(ClearQSOInfoCmd, 1, 9);
    root->addLayout(qso);

    // Receive panes with their identification boxes, stacked with two splitters between them.
    PaneArea = new display::PaneArea;
    for (int i = 0; i < 3; ++i) {
        auto* row = named(new QWidget, indexed("PaneRow", i));
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        PanelID[i] = named(new QLabel(QString::number(i)), indexed("PanelID", i));
        PanelID[i]->setFixedWidth(18);
        PanelID[i]->setAlignment(Qt::AlignCenter);
        PanelID[i]->setAutoFillBackground(true);
        Display[i] = named(new QTextEdit, indexed("Display", i));
        Display[i]->setReadOnly(true);
        Display[i]->setUndoRedoEnabled(false);
        Display[i]->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                            Qt::TextSelectableByKeyboard);
        Display[i]->setToolTip(QStringLiteral("information received from channel %1").arg(i));
        h->addWidget(PanelID[i], 0, Qt::AlignTop);
        h->addWidget(Display[i], 1);
        PaneArea->setPane(i, row);
    }
    for (int i = 0; i < 2; ++i)
        Splitter[i] = PaneArea->Splitter[i];
    root->addWidget(PaneArea, 4);

    // Receive frame, phase vectors, tuning display and IMD.
    auto* tuning = new QHBoxLayout;
    ReceiveFrame = named(new QGroupBox("Receive Channel 0 (BPSK)"), "ReceiveFrame");
    auto* rf = new QGridLayout(ReceiveFrame);
    RXFreq = named(new QLabel, "RXFreq");
    RXFreq->setToolTip("receive frequency (kHz)");
    boundLabelWidth(RXFreq);
    ReceiveStatus = named(new QLabel, "ReceiveStatus");
    ReceiveStatus->setFixedSize(12, 12);
    ReceiveStatus->setAutoFillBackground(true);
    RcvAFCEnabledCheckbox = named(new QCheckBox("AFC"), "RcvAFCEnabledCheckbox");
    RcvAFCEnabledCheckbox->setFocusPolicy(Qt::NoFocus);
    SignalStrengthControl = named(new platform::PictureBox, "SignalStrengthControl");
    SignalStrengthControl->setFixedSize(100, 14);
    SignalStrengthControl->setToolTip("click to set the squelch threshold");
    RcvSquelchThresholdDisplay = named(new QLabel("50"), "RcvSquelchThresholdDisplay");
    ReplayCmd = button("Replay", "ReplayCmd", "replay the last 25 seconds");
    SimulatedBandLabel = named(new QLabel("simulated band"), "SimulatedBandLabel");
    SimulatedBandLabel->setToolTip(
        "no sound card input: the engine listens to its built-in simulated band, not the radio");
    SimulatedBandLabel->setStyleSheet("QLabel { color: #b00000; font-weight: bold; }");
    SimulatedBandLabel->hide();
    auto* idRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        XmitStatus[i] = named(new QLabel(QStringLiteral("ID %1").arg(i)), indexed("XmitStatus", i));
        idRow->addWidget(XmitStatus[i]);
    }
    rf->addWidget(RXFreq, 0, 0);
    rf->addWidget(ReceiveStatus, 0, 1);
    rf->addWidget(SignalStrengthControl, 1, 0);
    rf->addWidget(RcvSquelchThresholdDisplay, 1, 1);
    rf->addWidget(RcvAFCEnabledCheckbox, 2, 0);
    rf->addWidget(ReplayCmd, 2, 1);
    rf->addLayout(idRow, 3, 0, 1, 2);
    rf->addWidget(SimulatedBandLabel, 4, 0, 1, 2);

    VectorDisplay = named(new platform::PictureBox, "VectorDisplay");
    VectorDisplay->setFixedSize(96, 96);
    VectorDisplay->setToolTip("phase vectors of the active channel");

    // The waterfall is never wider than its 1023 units, so every column shows a bin; the scale
    // below it shares its width.
    auto* wf = new QVBoxLayout;
    wf->setSpacing(0);
    Waterfall = named(new platform::PictureBox, "Waterfall");
    Waterfall->setMinimumSize(256, 64);
    Waterfall->setMaximumWidth(1023);
    Waterfall->setToolTip("click to select channel 0's receive frequency");
    Frequency = named(new platform::PictureBox, "Frequency");
    Frequency->setMaximumWidth(1023);
    Frequency->setFixedHeight(QFontMetrics(Frequency->font()).height() + 8);
    Frequency->setBackColor(0xFFFFFF);
    Frequency->setForeColor(0);
    Frequency->setToolTip("waterfall frequency (kHz)");
    wf->addWidget(Waterfall, 1);
    wf->addWidget(Frequency);

    IMDFrame = named(new QGroupBox("IMD"), "IMDFrame");
    auto* imd = new QVBoxLayout(IMDFrame);
    RcvIMD = named(new QLabel, "RcvIMD");
    RcvIMD->setToolTip("IMD of the active channel, measured on idle reversals (dB)");
    PeakIMD = named(new QLineEdit, "PeakIMD");
    PeakIMD->setReadOnly(true);
    PeakIMD->setToolTip("worst IMD since the last reset (dB)");
    ResetIMDcmd = button("Reset IMD", "ResetIMDcmd", "click to reset the peak IMD textbox");
    OptimalOffsetCmd =
        button("Optimal offset", "OptimalOffsetCmd", "set xcvr freq for optimal audio offset");
    RTTYOptimalOffsetCmd =
        button("Optimal offset", "RTTYOptimalOffsetCmd", "set xcvr freq for optimal audio offset");
    RTTYOptimalOffsetCmd->hide();
    imd->addWidget(RcvIMD);
    imd->addWidget(PeakIMD);
    imd->addWidget(ResetIMDcmd);
    imd->addWidget(OptimalOffsetCmd);
    imd->addWidget(RTTYOptimalOffsetCmd);

    tuning->addWidget(ReceiveFrame);
    tuning->addWidget(VectorDisplay, 0, Qt::AlignVCenter);
    tuning->addLayout(wf, 1);
    tuning->addWidget(IMDFrame);
    root->addLayout(tuning, 1);

    // Transmit pane and the controls beside it.
    auto* tx = new QHBoxLayout;
    Keyboard = named(new QTextEdit, "Keyboard");
    Keyboard->setAcceptRichText(false);
    Keyboard->setUndoRedoEnabled(false);
    Keyboard->setToolTip("type here to transmit");
    TransmitFrame = named(new QGroupBox("Transmit (BPSK)"), "TransmitFrame");
    auto* tf = new QGridLayout(TransmitFrame);
    TXFreq = named(new QLabel, "TXFreq");
    TXFreq->setToolTip("transmit frequency (kHz)");
    boundLabelWidth(TXFreq);
    TXFreqLock = named(new QCheckBox("net chan 0"), "TXFreqLock");
    TXFreqLock->setFocusPolicy(Qt::NoFocus);
    SetTXFreqFromRXFreqCmd = button("TX = RX", "SetTXFreqFromRXFreqCmd");
    StartXmitCmd = button("Start", "StartXmitCmd", "start transmitting");
    StopTransmitCmd =
        button("Stop", "StopTransmitCmd", "stop transmitting when all characters have been sent");
    AbortTransmitCmd = button("Abort", "AbortTransmitCmd", "stop transmitting immediately");
    IDCmd = button("CW ID", "IDCmd", "Send a CW ID when transmission terminates");
    TuneCheckbox = named(new QCheckBox("tune"), "TuneCheckbox");
    TuneCheckbox->setFocusPolicy(Qt::NoFocus);
    tf->addWidget(TXFreq, 0, 0);
    tf->addWidget(TXFreqLock, 0, 1);
    tf->addWidget(SetTXFreqFromRXFreqCmd, 0, 2);
    tf->addWidget(StartXmitCmd, 1, 0);
    tf->addWidget(StopTransmitCmd, 1, 1);
    tf->addWidget(AbortTransmitCmd, 1, 2);
    tf->addWidget(IDCmd, 2, 0);
    tf->addWidget(TuneCheckbox, 2, 1);

    auto* side = new QVBoxLayout;
    ModeButton[0] = named(new QRadioButton("PSK"), "ModeButton(0)");
    ModeButton[1] = named(new QRadioButton("RTTY"), "ModeButton(1)");
    ModeButton[0]->setFocusPolicy(Qt::NoFocus);
    ModeButton[1]->setFocusPolicy(Qt::NoFocus);
    ClearXmitPaneCmd = button("Clear", "ClearXmitPaneCmd", "click to  clear the transmit pane");
    HelpCmd = button("Help", "HelpCmd");
    LogCmd = button("Log", "LogCmd");
    SetupCmd = button("Config", "SetupCmd");
    for (QWidget* w : {static_cast<QWidget*>(ModeButton[0]), static_cast<QWidget*>(ModeButton[1]),
                       static_cast<QWidget*>(ClearXmitPaneCmd), static_cast<QWidget*>(HelpCmd),
                       static_cast<QWidget*>(LogCmd), static_cast<QWidget*>(SetupCmd)})
        side->addWidget(w);
    tx->addWidget(Keyboard, 1, Qt::AlignTop);
    tx->addWidget(TransmitFrame);
    tx->addLayout(side);
    root->addLayout(tx);

    // Macro buttons: F5..F12, or the second bank.
    MacroBar = new display::MacroBar;
    for (int i = 0; i < 8; ++i) {
        Macro[i] = MacroBar->Macro[i];
        MacroLabel[i] = MacroBar->MacroLabel[i];
    }
    AltCheckbox = MacroBar->AltCheckbox;
    root->addWidget(MacroBar);

    popPane = named(new QMenu(this), "popPane");
    popClear = popPane->addAction("Clear receive pane");
    popClear->setObjectName("popClear");
    popSave = popPane->addAction("Save receive pane to file");
    popSave->setObjectName("popSave");
    popPaste = popPane->addAction("Paste (transmit from clipboard)");
    popPaste->setObjectName("popPaste");
    popTransmit = popPane->addAction("Transmit from file");
    popTransmit->setObjectName("popTransmit");
}

} // namespace mainwindow
