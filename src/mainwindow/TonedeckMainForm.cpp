#include "TonedeckMainForm.h"
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTextEdit>
#include <QVBoxLayout>

namespace mainwindow {

namespace {
template <class W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
QString indexed(const char* base, int i) { return QStringLiteral("%1(%2)").arg(base).arg(i); }
} // namespace

TonedeckMainForm::TonedeckMainForm(QWidget* parent) : QWidget(parent) {
    setObjectName("TonedeckMain");
    resize(900, 640);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(4);

    // QSO information row.
    static const char* const kLabels[9] = {"Call",  "Name", "QTH",    "RST sent", "RST rcvd",
                                           "Freq", "Band", "Ser rcvd", "Grid"};
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
    QWidget* fields[9] = {Callsign,     OperatorName, QTH,           RSTsent,   RSTreceived,
                          QSOFrequency, BandCombo,    RXSerialNumber, GridSquare};
    for (int i = 0; i < 9; ++i) qso->addWidget(fields[i], 1, i);
    root->addLayout(qso);

    // Receive panes with their identification boxes.
    auto* panes = named(new QSplitter(Qt::Vertical), "PaneSplitter");
    for (int i = 0; i < 3; ++i) {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        PanelID[i] = named(new QLabel(QString::number(i)), indexed("PanelID", i));
        PanelID[i]->setFixedWidth(18);
        PanelID[i]->setAlignment(Qt::AlignCenter);
        PanelID[i]->setAutoFillBackground(true);
        Display[i] = named(new QTextEdit, indexed("Display", i));
        Display[i]->setReadOnly(true);
        h->addWidget(PanelID[i]);
        h->addWidget(Display[i], 1);
        panes->addWidget(row);
    }
    root->addWidget(panes, 3);

    // Tuning display and the PSK frames.
    auto* tuning = new QHBoxLayout;
    ReceiveFrame = named(new QFrame, "ReceiveFrame");
    ReceiveFrame->setFrameShape(QFrame::StyledPanel);
    auto* rf = new QVBoxLayout(ReceiveFrame);
    ReceiveStatus = named(new QLabel, "ReceiveStatus");
    ReceiveStatus->setFixedSize(12, 12);
    ReceiveStatus->setAutoFillBackground(true);
    ReplayCmd = named(new QPushButton("Replay"), "ReplayCmd");
    ReplayCmd->setToolTip("replay the last 25 seconds");
    auto* idRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        XmitStatus[i] = named(new QLabel(QString("ID %1").arg(i)), indexed("XmitStatus", i));
        idRow->addWidget(XmitStatus[i]);
    }
    rf->addWidget(ReceiveStatus);
    rf->addLayout(idRow);
    rf->addWidget(ReplayCmd);

    auto* wf = new QVBoxLayout;
    Waterfall = named(new QWidget, "Waterfall");
    Waterfall->setMinimumHeight(96);
    Waterfall->setAutoFillBackground(true);
    Frequency = named(new QWidget, "Frequency");
    Frequency->setFixedHeight(16);
    wf->addWidget(Waterfall, 1);
    wf->addWidget(Frequency);

    IMDFrame = named(new QFrame, "IMDFrame");
    IMDFrame->setFrameShape(QFrame::StyledPanel);
    auto* imd = new QVBoxLayout(IMDFrame);
    ResetIMDcmd = named(new QPushButton("Reset IMD"), "ResetIMDcmd");
    OptimalOffsetCmd = named(new QPushButton("Optimal offset"), "OptimalOffsetCmd");
    OptimalOffsetCmd->setToolTip("set xcvr freq for optimal audio offset");
    RTTYOptimalOffsetCmd = named(new QPushButton("Optimal offset"), "RTTYOptimalOffsetCmd");
    RTTYOptimalOffsetCmd->setToolTip("set xcvr freq for optimal audio offset");
    RTTYOptimalOffsetCmd->hide();
    imd->addWidget(ResetIMDcmd);
    imd->addWidget(OptimalOffsetCmd);
    imd->addWidget(RTTYOptimalOffsetCmd);

    tuning->addWidget(ReceiveFrame);
    tuning->addLayout(wf, 1);
    tuning->addWidget(IMDFrame);
    root->addLayout(tuning, 1);

    // Transmit pane and the controls beside it.
    auto* tx = new QHBoxLayout;
    Keyboard = named(new QTextEdit, "Keyboard");
    Keyboard->setAcceptRichText(false);
    TransmitFrame = named(new QFrame, "TransmitFrame");
    TransmitFrame->setFrameShape(QFrame::StyledPanel);
    auto* tf = new QVBoxLayout(TransmitFrame);
    TransmitIndicator = named(new QLabel("RX"), "TransmitIndicator");
    TuneCheckbox = named(new QCheckBox("Tune"), "TuneCheckbox");
    tf->addWidget(TransmitIndicator);
    tf->addWidget(TuneCheckbox);
    auto* side = new QVBoxLayout;
    ModeButton[0] = named(new QRadioButton("PSK"), "ModeButton(0)");
    ModeButton[1] = named(new QRadioButton("RTTY"), "ModeButton(1)");
    HelpCmd = named(new QPushButton("Help"), "HelpCmd");
    LogCmd = named(new QPushButton("Log"), "LogCmd");
    SetupCmd = named(new QPushButton("Config"), "SetupCmd");
    for (QWidget* w : {static_cast<QWidget*>(ModeButton[0]), static_cast<QWidget*>(ModeButton[1]),
                       static_cast<QWidget*>(HelpCmd), static_cast<QWidget*>(LogCmd),
                       static_cast<QWidget*>(SetupCmd)})
        side->addWidget(w);
    tx->addWidget(Keyboard, 1);
    tx->addWidget(TransmitFrame);
    tx->addLayout(side);
    root->addLayout(tx, 1);
}

} // namespace mainwindow
