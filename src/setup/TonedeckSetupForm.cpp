#include "TonedeckSetupForm.h"
#include "SoundcardRttyTab.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace setup {

namespace {
template <class W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
QString indexed(const char* base, int i) {
    return QStringLiteral("%1(%2)").arg(base).arg(i);
}

// A row of option buttons in a frame; the buttons' ids are their indexes.
template <int N>
QButtonGroup* options(QWidget* owner, QLayout* into, const char* title, const char* base,
                      QRadioButton* (&buttons)[N], const char* const (&captions)[N],
                      bool vertical = false) {
    auto* box = new QGroupBox(QString::fromLatin1(title));
    QBoxLayout* l = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box))
                             : static_cast<QBoxLayout*>(new QHBoxLayout(box));
    auto* group = new QButtonGroup(owner);
    for (int i = 0; i < N; ++i) {
        buttons[i] = named(new QRadioButton(QString::fromLatin1(captions[i])), indexed(base, i));
        group->addButton(buttons[i], i);
        l->addWidget(buttons[i]);
    }
    into->addWidget(box);
    return group;
}

// A slider with its range, design value and a label that shows the value.
QSlider* slider(QFormLayout* form, const char* caption, const char* name, int lo, int hi,
                int value) {
    auto* s = named(new QSlider(Qt::Horizontal), QString::fromLatin1(name));
    s->setRange(lo, hi);
    s->setValue(value);
    auto* shown = new QLabel(QString::number(value));
    shown->setMinimumWidth(32);
    QObject::connect(s, &QSlider::valueChanged, shown,
                     [shown](int v) { shown->setText(QString::number(v)); });
    auto* row = new QHBoxLayout;
    row->addWidget(s, 1);
    row->addWidget(shown);
    form->addRow(QString::fromLatin1(caption), row);
    return s;
}
} // namespace

TonedeckSetupForm::TonedeckSetupForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TonedeckSetup");
    setWindowTitle("Tonedeck Configuration");
    auto* root = new QVBoxLayout(this);
    SSTab1 = named(new QTabWidget, "SSTab1");
    root->addWidget(SSTab1);
    SetupHelpCmd = named(new QPushButton("Help"), "SetupHelpCmd");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SetupHelpCmd);
    root->addLayout(buttons);

    // 0 General.
    auto* general = new QWidget;
    auto* g = new QFormLayout(general);
    MyCallsign = named(new QLineEdit, "MyCallsign");
    SlashZeroCheckbox = named(new QCheckBox("show zero slashed"), "SlashZeroCheckbox");
    TooltipsCheckbox = named(new QCheckBox("show tooltips"), "TooltipsCheckbox");
    TooltipsCheckbox->setChecked(true);
    g->addRow("my callsign", MyCallsign);
    g->addRow(SlashZeroCheckbox);
    g->addRow(TooltipsCheckbox);
    AboutCmd = named(new QPushButton("About"), "AboutCmd");
    AboutCmd->setToolTip("versions of the program and its engines");
    g->addRow(AboutCmd);
    SSTab1->addTab(general, "General");

    // 1 Display.
    auto* display = new QWidget;
    auto* d = new QFormLayout(display);
    for (int i = 0; i < 3; ++i) {
        TrialTransmit[i] = named(new QLabel("de"), indexed("TrialTransmit", i));
        d->addRow(QStringLiteral("receive pane %1").arg(i), TrialTransmit[i]);
    }
    KeyboardTrialTransmit = named(new QLabel("de"), "KeyboardTrialTransmit");
    d->addRow("transmit pane", KeyboardTrialTransmit);
    SpectrumTraceColorCmd = named(new QPushButton("spectrum trace"), "SpectrumTraceColorCmd");
    d->addRow("spectrum trace colour", SpectrumTraceColorCmd);
    SSTab1->addTab(display, "Display");

    // 2 PTT.
    auto* ptt = new QWidget;
    auto* p = new QVBoxLayout(ptt);
    static const char* const kPtt[5] = {"none", "RTS", "DTR", "RTS + DTR", "Xcvr Ctrl SW"};
    static const char* const kPorts[8] = {"com 1", "com 2", "com 3", "com 4",
                                          "com 5", "com 6", "com 7", "com 8"};
    XmitPTTGroup = options(this, p, "PTT mode", "XmitPTTButton", XmitPTTButton, kPtt);
    XmitPTTPortGroup = options(this, p, "PTT port", "XmitPTTPortButton", XmitPTTPortButton, kPorts);
    p->addStretch();
    SSTab1->addTab(ptt, "PTT");

    // 3 Soundcard PSK.
    auto* psk = new QWidget;
    auto* k = new QVBoxLayout(psk);
    static const char* const kCards[5] = {"auto select", "soundcard #0", "soundcard #1",
                                          "soundcard #2", "soundcard #3"};
    SoundcardSelectionGroup =
        options(this, k, "soundcard", "SoundcardSelectionButton", SoundcardSelectionButton, kCards);

    auto* columns = new QHBoxLayout;
    auto* rx = new QGroupBox("receiver");
    auto* rxl = new QVBoxLayout(rx);
    auto* rxf = new QFormLayout;
    OptimalOffset = named(new QLineEdit("1500"), "OptimalOffset");
    OptimalOffset->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9.]*"), OptimalOffset));
    rxf->addRow("optimal offset (Hz)", OptimalOffset);
    RcvSearchLimitSlider = slider(rxf, "search range (Hz)", "RcvSearchLimitSlider", 0, 50, 50);
    RcvAFCLimitSlider = slider(rxf, "AFC limit (Hz)", "RcvAFCLimitSlider", 0, 1000, 50);
    RcvIntensitySlider = slider(rxf, "intensity", "RcvIntensitySlider", 1, 10, 5);
    RcvClippingSlider = slider(rxf, "contrast", "RcvClippingSlider", 0, 9, 0);
    RcvSmoothingSlider = slider(rxf, "smoothing", "RcvSmoothingSlider", 1, 10, 1);
    WaterfallTraceWidthSlider = slider(rxf, "trace width", "WaterfallTraceWidthSlider", 1, 8, 1);
    rxl->addLayout(rxf);
    static const char* const kDisplay[2] = {"waterfall", "spectrum"};
    static const char* const kColor[2] = {"mono", "synthetic"};
    static const char* const kRcvMode[3] = {"BPSK", "QPSK USB", "QPSK LSB"};
    static const char* const kSquelch[3] = {"fast", "slow", "slider"};
    RcvDisplayGroup = options(this, rxl, "display", "RcvDisplayButton", RcvDisplayButton, kDisplay);
    WaterfallColorGroup =
        options(this, rxl, "waterfall", "WaterfallColorButton", WaterfallColorButton, kColor);
    RcvModeGroup = options(this, rxl, "mode", "RcvModeButton", RcvModeButton, kRcvMode);
    RcvSquelchSpeedGroup = options(this, rxl, "squelch speed", "RcvSquelchSpeedButton",
                                   RcvSquelchSpeedButton, kSquelch);
    // Its own box, so that the whole row hides with the slider.
    auto* sqBox = new QWidget;
    auto* sq = new QFormLayout(sqBox);
    sq->setContentsMargins(0, 0, 0, 0);
    RcvSquelchSpeedSettingSlider =
        slider(sq, "squelch speed", "RcvSquelchSpeedSettingSlider", 10, 200, 10);
    rxl->addWidget(sqBox);
    columns->addWidget(rx);

    auto* tx = new QGroupBox("transmitter");
    auto* txl = new QVBoxLayout(tx);
    auto* txf = new QFormLayout;
    XmitOffset = named(new QLineEdit("0"), "XmitOffset");
    XmitOffset->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9.\\-]*"), XmitOffset));
    XmitCWID = named(new QLineEdit, "XmitCWID");
    txf->addRow("offset (Hz)", XmitOffset);
    txf->addRow("CW ID", XmitCWID);
    txl->addLayout(txf);
    static const char* const kXmitMode[5] = {"BPSK", "QPSK USB", "QPSK LSB", "Tune", "Tune/ID"};
    static const char* const kCwid[4] = {"37 wpm", "19 wpm", "12 wpm", "  9 wpm"};
    XmitModeGroup = options(this, txl, "mode", "XmitModeButton", XmitModeButton, kXmitMode, true);
    XmitCWIDGroup = options(this, txl, "CW ID speed", "XmitCWIDButton", XmitCWIDButton, kCwid);
    txl->addStretch();
    columns->addWidget(tx);
    k->addLayout(columns);
    SSTab1->addTab(psk, "Soundcard PSK");
    SoundcardRtty = new SoundcardRttyTab;
    SSTab1->addTab(SoundcardRtty, "Soundcard RTTY");

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

} // namespace setup
