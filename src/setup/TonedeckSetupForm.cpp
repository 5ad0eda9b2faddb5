#include "TonedeckSetupForm.h"
#include "FormParts.h"
#include "KeyFilter.h"
#include "SoundcardRttyTab.h"
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace setup {

using form::indexed;
using form::named;

TonedeckSetupForm::TonedeckSetupForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TonedeckSetup");
    setWindowTitle("Tonedeck Configuration");
    auto* root = new QVBoxLayout(this);
    SSTab1 = named(new QTabWidget, "SSTab1");
    root->addWidget(SSTab1);

    SetupHelpCmd = named(new QPushButton("&Help"), "SetupHelpCmd");
    SetupHelpCmd->setToolTip("open the help page of this tab");
    SetupHelpCmd->setAutoDefault(false);
    CloseCmd = named(new QPushButton("&Close"), "CloseCmd");
    CloseCmd->setToolTip("hide this window; every change is already in effect");
    CloseCmd->setAutoDefault(false);
    connect(CloseCmd, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SetupHelpCmd);
    buttons->addWidget(CloseCmd);
    root->addLayout(buttons);

    SSTab1->addTab(buildGeneral(), "General");
    SSTab1->addTab(buildDisplay(), "Display");
    SSTab1->addTab(buildPTT(), "PTT");
    SSTab1->addTab(buildSoundcardPSK(), "Soundcard PSK");
    SoundcardRtty = named(new SoundcardRttyTab, "SoundcardRTTYPage");
    SoundcardRTTYPage = SoundcardRtty;
    SSTab1->addTab(SoundcardRTTYPage, "Soundcard RTTY");
    RTTYModemPage = buildRTTYModem();
    SSTab1->addTab(RTTYModemPage, "External RTTY Modem");

    // Design values: the defaults of the settings these controls hold.
    SoundcardSelectionButton[0]->setChecked(true);
    RcvDisplayButton[0]->setChecked(true);
    WaterfallColorButton[0]->setChecked(true);
    RcvModeButton[0]->setChecked(true);
    RcvSquelchSpeedButton[0]->setChecked(true);
    XmitModeButton[0]->setChecked(true);
    XmitCWIDButton[1]->setChecked(true);
    XmitPTTButton[0]->setChecked(true);
}

QWidget* TonedeckSetupForm::buildGeneral() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);

    auto* station = new QGroupBox("station");
    auto* s = new QFormLayout(station);
    MyCallsign = named(new QLineEdit, "MyCallsign");
    MyCallsign->setToolTip("your callsign, sent in identifications and macros");
    MyCallsign->setMaxLength(20);
    s->addRow("my callsign", MyCallsign);
    SlashZeroCheckbox = named(new QCheckBox("show zero slashed"), "SlashZeroCheckbox");
    SlashZeroCheckbox->setToolTip("show a received zero as \u00d8 so that it differs from O");
    TooltipsCheckbox = named(new QCheckBox("show tooltips"), "TooltipsCheckbox");
    TooltipsCheckbox->setToolTip("show these hints on every window");
    TooltipsCheckbox->setChecked(true);
    s->addRow(SlashZeroCheckbox);
    s->addRow(TooltipsCheckbox);
    v->addWidget(station);

    auto* help = new QGroupBox("help browser");
    auto* h = new QHBoxLayout(help);
    BrowserPathname = named(new QLineEdit, "BrowserPathname");
    BrowserPathname->setPlaceholderText("the desktop's default browser");
    BrowserPathname->setToolTip("program that shows the help pages; empty for the desktop's own");
    BrowserSelectCmd = named(new QPushButton("Browse..."), "BrowserSelectCmd");
    BrowserSelectCmd->setToolTip("choose the program that shows the help pages");
    BrowserSelectCmd->setAutoDefault(false);
    h->addWidget(BrowserPathname, 1);
    h->addWidget(BrowserSelectCmd);
    v->addWidget(help);

    buildLogAndContest(v);

    AboutCmd = named(new QPushButton("About..."), "AboutCmd");
    AboutCmd->setToolTip("versions of the program and its engines");
    AboutCmd->setAutoDefault(false);
    v->addStretch();
    v->addLayout(form::leftAligned({AboutCmd}));
    return page;
}

// --- General tab: log and contest fields (shared with the minilog) ---
void TonedeckSetupForm::buildLogAndContest(QVBoxLayout* into) {
    auto* row = new QHBoxLayout;
    auto* log = new QGroupBox("log");
    auto* l = new QFormLayout(log);
    BPSKMode = named(new QLineEdit("PSK"), "BPSKMode");
    BPSKMode->setToolTip("mode logged for a BPSK contact");
    QPSKMode = named(new QLineEdit("PSK"), "QPSKMode");
    QPSKMode->setToolTip("mode logged for a QPSK contact");
    TransmitPower = named(new QLineEdit, "TransmitPower");
    TransmitPower->setToolTip("transmit power logged with each contact");
    DXBaseCheckbox = named(new QCheckBox("DXBase frequency format"), "DXBaseCheckbox");
    DXBaseCheckbox->setToolTip("log the frequency in the form the DXBase program imports");
    l->addRow("BPSK mode", BPSKMode);
    l->addRow("QPSK mode", QPSKMode);
    l->addRow("transmit power", TransmitPower);
    l->addRow(DXBaseCheckbox);
    row->addWidget(log);

    auto* contest = new QGroupBox("contest");
    auto* c = new QFormLayout(contest);
    ContestModeCheckbox = named(new QCheckBox("contest mode"), "ContestModeCheckbox");
    ContestModeCheckbox->setToolTip("log and send serial numbers and the contest identifier");
    ContestID = named(new QLineEdit, "ContestID");
    ContestID->setToolTip("identifier of the contest, logged with each contact");
    TXSerialNumber = named(new QLineEdit("1"), "TXSerialNumber");
    TXSerialNumber->setToolTip("serial number sent in the next contest exchange");
    AcceptOnly(TXSerialNumber, keys::Digits);
    ResetTXSerialNumberCmd = named(new QPushButton("Reset"), "ResetTXSerialNumberCmd");
    ResetTXSerialNumberCmd->setToolTip("start the serial numbers again at 1");
    ResetTXSerialNumberCmd->setAutoDefault(false);
    auto* serial = new QHBoxLayout;
    serial->addWidget(TXSerialNumber, 1);
    serial->addWidget(ResetTXSerialNumberCmd);
    c->addRow(ContestModeCheckbox);
    c->addRow("contest ID", ContestID);
    c->addRow("serial number", serial);
    row->addWidget(contest);
    into->addLayout(row);
}
// --- end of the shared block ---

QWidget* TonedeckSetupForm::buildPTT() {
    auto* page = new QWidget;
    auto* p = new QVBoxLayout(page);
    static const char* const kPtt[5] = {"none", "RTS", "DTR", "RTS + DTR", "Xcvr Ctrl SW"};
    static const char* const kPorts[8] = {"com 1", "com 2", "com 3", "com 4",
                                          "com 5", "com 6", "com 7", "com 8"};
    XmitPTTGroup = form::options(this, p, "PTT mode", "XmitPTTButton", XmitPTTButton, kPtt);
    XmitPTTPortGroup =
        form::options(this, p, "PTT port", "XmitPTTPortButton", XmitPTTPortButton, kPorts, 4);

    auto* devices = new QGroupBox("serial port devices");
    auto* grid = new QGridLayout(devices);
    for (int i = 0; i < 8; ++i) {
        auto* box = named(new QComboBox, indexed("SerialPortDevice", i));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(14);
        box->setToolTip(QStringLiteral("device used as com %1").arg(i + 1));
        SerialPortDevice[i] = box;
        auto* label = new QLabel(QStringLiteral("com %1").arg(i + 1));
        label->setBuddy(box);
        grid->addWidget(label, i % 4, (i / 4) * 2);
        grid->addWidget(box, i % 4, (i / 4) * 2 + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    p->addWidget(devices);
    p->addStretch();
    return page;
}

QWidget* TonedeckSetupForm::buildSoundcardPSK() {
    auto* page = new QWidget;
    auto* k = new QVBoxLayout(page);
    static const char* const kCards[5] = {"auto select", "soundcard #0", "soundcard #1",
                                          "soundcard #2", "soundcard #3"};
    SoundcardSelectionGroup = form::options(this, k, "soundcard", "SoundcardSelectionButton",
                                            SoundcardSelectionButton, kCards);

    auto* columns = new QHBoxLayout;
    auto* rx = new QGroupBox("receiver");
    auto* rxl = new QVBoxLayout(rx);
    auto* rxf = new QFormLayout;
    OptimalOffset = named(new QLineEdit("1500"), "OptimalOffset");
    OptimalOffset->setToolTip("audio frequency the radio is retuned to put a signal on");
    AcceptOnly(OptimalOffset, keys::Decimal);
    rxf->addRow("optimal offset (Hz)", OptimalOffset);
    RcvSearchLimitSlider =
        form::slider(rxf, "search range (Hz)", "RcvSearchLimitSlider", 0, 50, 50);
    RcvAFCLimitSlider = form::slider(rxf, "AFC limit (Hz)", "RcvAFCLimitSlider", 0, 1000, 50);
    RcvIntensitySlider = form::slider(rxf, "intensity", "RcvIntensitySlider", 1, 10, 5);
    RcvClippingSlider = form::slider(rxf, "contrast", "RcvClippingSlider", 0, 9, 0);
    RcvSmoothingSlider = form::slider(rxf, "smoothing", "RcvSmoothingSlider", 1, 10, 1);
    WaterfallTraceWidthSlider =
        form::slider(rxf, "marker width", "WaterfallTraceWidthSlider", 1, 8, 1);
    rxl->addLayout(rxf);
    static const char* const kDisplay[2] = {"waterfall", "spectrum"};
    static const char* const kColor[2] = {"mono", "synthetic"};
    static const char* const kRcvMode[3] = {"BPSK", "QPSK USB", "QPSK LSB"};
    static const char* const kSquelch[3] = {"fast", "slow", "slider"};
    auto* pair = new QHBoxLayout;
    RcvDisplayGroup =
        form::options(this, pair, "display", "RcvDisplayButton", RcvDisplayButton, kDisplay);
    WaterfallColorGroup = form::options(this, pair, "waterfall", "WaterfallColorButton",
                                        WaterfallColorButton, kColor);
    rxl->addLayout(pair);
    RcvModeGroup = form::options(this, rxl, "mode", "RcvModeButton", RcvModeButton, kRcvMode);
    RcvSquelchSpeedGroup = form::options(this, rxl, "squelch speed", "RcvSquelchSpeedButton",
                                         RcvSquelchSpeedButton, kSquelch);
    // Its own box, so that the whole row hides with the slider.
    auto* sqBox = new QWidget;
    auto* sq = new QFormLayout(sqBox);
    sq->setContentsMargins(0, 0, 0, 0);
    RcvSquelchSpeedSettingSlider =
        form::slider(sq, "squelch speed", "RcvSquelchSpeedSettingSlider", 10, 200, 10);
    rxl->addWidget(sqBox);
    rxl->addStretch();
    columns->addWidget(rx, 3);

    auto* tx = new QGroupBox("transmitter");
    auto* txl = new QVBoxLayout(tx);
    auto* txf = new QFormLayout;
    XmitOffset = named(new QLineEdit("0"), "XmitOffset");
    XmitOffset->setToolTip("added to the receive frequency when transmitting (Hz)");
    AcceptOnly(XmitOffset, keys::SignedDecimal);
    XmitCWID = named(new QLineEdit, "XmitCWID");
    XmitCWID->setToolTip("text sent in Morse by the CW ID button; empty for \"de\" and the "
                         "callsign");
    txf->addRow("offset (Hz)", XmitOffset);
    txf->addRow("CW ID", XmitCWID);
    txl->addLayout(txf);
    static const char* const kXmitMode[5] = {"BPSK", "QPSK USB", "QPSK LSB", "Tune", "Tune/ID"};
    static const char* const kCwid[4] = {"37 wpm", "19 wpm", "12 wpm", "  9 wpm"};
    XmitModeGroup =
        form::options(this, txl, "mode", "XmitModeButton", XmitModeButton, kXmitMode, 1);
    XmitCWIDGroup =
        form::options(this, txl, "CW ID speed", "XmitCWIDButton", XmitCWIDButton, kCwid, 2);
    txl->addStretch();
    columns->addWidget(tx, 2);
    k->addLayout(columns);
    return page;
}

} // namespace setup
