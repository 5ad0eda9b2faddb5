// The External RTTY Modem tab: the modem model and its speed and shift, the switches sent to
// the modem, and the serial line it is on.
#include "FormParts.h"
#include "TonedeckSetupForm.h"
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace setup {

using form::indexed;
using form::named;

namespace {
// Option buttons numbered from 1, as their settings are.
template <int N>
QButtonGroup* numberedOptions(QWidget* owner, QLayout* into, const char* title, const char* base,
                              QRadioButton* (&buttons)[N],
                              std::initializer_list<const char*> captions, int columns) {
    auto* box = new QGroupBox(QString::fromLatin1(title));
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(owner);
    int i = 1;
    for (const char* caption : captions) {
        buttons[i] = named(new QRadioButton(QString::fromLatin1(caption)), indexed(base, i));
        group->addButton(buttons[i], i);
        grid->addWidget(buttons[i], (i - 1) / columns, (i - 1) % columns);
        ++i;
    }
    grid->setColumnStretch(columns, 1);
    into->addWidget(box);
    return group;
}

QComboBox* combo(const char* name, const char* tip) {
    auto* c = named(new QComboBox, QString::fromLatin1(name));
    c->setToolTip(QString::fromLatin1(tip));
    c->setMinimumContentsLength(10);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return c;
}

QCheckBox* check(const char* caption, const char* name, const char* tip) {
    auto* c = named(new QCheckBox(QString::fromLatin1(caption)), QString::fromLatin1(name));
    c->setToolTip(QString::fromLatin1(tip));
    return c;
}
} // namespace

QWidget* TonedeckSetupForm::buildRTTYModem() {
    auto* page = named(new QWidget, "RTTYModemPage");
    auto* v = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;

    auto* modem = new QGroupBox("modem");
    auto* m = new QFormLayout(modem);
    RTTYModemEnabled = check("enable the external modem", "RTTYModemEnabled",
                             "open the modem's serial port and set the modem up");
    RTTYModemModel = combo("RTTYModemModel", "the modem's parameter file in the Modems folder");
    RTTYModemSpeedCombo = combo("RTTYModemSpeedCombo", "RTTY speed, as the modem offers it");
    RTTYModemShiftCombo = combo("RTTYModemShiftCombo", "RTTY shift, as the modem offers it");
    ResetRttyModemCmd = named(new QPushButton("Reset modem"), "ResetRttyModemCmd");
    ResetRttyModemCmd->setToolTip("send the modem's set-up commands again");
    ResetRttyModemCmd->setAutoDefault(false);
    ResetRttyModemCmd->setEnabled(false);
    m->addRow(RTTYModemEnabled);
    m->addRow("model", RTTYModemModel);
    m->addRow("speed", RTTYModemSpeedCombo);
    m->addRow("shift", RTTYModemShiftCombo);
    m->addRow(form::leftAligned({ResetRttyModemCmd}));
    top->addWidget(modem, 1);

    auto* sw = new QGroupBox("switches");
    auto* s = new QVBoxLayout(sw);
    RTTYModemReverseRcvCheck = check("reverse receive", "RTTYModemReverseRcvCheck",
                                     "exchange mark and space when receiving");
    RTTYModemReverseXmitCheck = check("reverse transmit", "RTTYModemReverseXmitCheck",
                                      "exchange mark and space when transmitting");
    RTTYModemUSOSCheck =
        check("unshift on space", "RTTYModemUSOSCheck", "return to letters after each space");
    TransmitPaneControlChars =
        check("send control characters", "TransmitPaneControlChars",
              "send control characters typed in the transmit pane to the modem");
    for (QCheckBox* c : {RTTYModemReverseRcvCheck, RTTYModemReverseXmitCheck, RTTYModemUSOSCheck,
                         TransmitPaneControlChars})
        s->addWidget(c);
    static const char* const kMode[2] = {"AFSK (LSB)", "FSK (RTTY)"};
    RTTYModemModeGroup =
        form::options(this, s, "radio mode", "RTTYModemModeButton", RTTYModemModeButton, kMode);
    RTTYModemModeButton[0]->setToolTip("transmit and receive via Audio Frequency Shift Keying");
    RTTYModemModeButton[1]->setToolTip("transmit and receive via Frequency Shift Keying");
    s->addStretch();
    top->addWidget(sw, 1);
    v->addLayout(top);

    auto* line = new QGroupBox("serial port");
    auto* l = new QHBoxLayout(line);
    ModemPortGroup = numberedOptions(
        this, l, "port", "ModemPortButton", ModemPortButton,
        {"com 1", "com 2", "com 3", "com 4", "com 5", "com 6", "com 7", "com 8"}, 2);
    ModemSpeedGroup = numberedOptions(this, l, "baud", "ModemSpeedButton", ModemSpeedButton,
                                      {"19200", "9600", "4800", "2400", "1200", "600", "300"}, 2);
    ModemParityGroup = numberedOptions(this, l, "parity", "ModemParityButton", ModemParityButton,
                                       {"none", "odd", "even", "mark", "space"}, 1);
    ModemWordlenGroup = numberedOptions(this, l, "bits", "ModemWordlenButton", ModemWordlenButton,
                                        {"8", "7", "6"}, 1);
    ModemStopBitsGroup = numberedOptions(this, l, "stop bits", "ModemStopBitsButton",
                                         ModemStopBitsButton, {"1", "1.5", "2"}, 1);
    v->addWidget(line);
    v->addStretch();

    // Design values: the defaults of the settings (9600 baud, no parity, 8 bits, 1 stop bit).
    ModemSpeedButton[2]->setChecked(true);
    ModemParityButton[1]->setChecked(true);
    ModemWordlenButton[1]->setChecked(true);
    ModemStopBitsButton[1]->setChecked(true);
    RTTYModemModeButton[0]->setChecked(true);
    return page;
}

} // namespace setup
