// The External RTTY Modem tab's settings, section "RTTYModem": read at start-up into the
// controls, stored at once on every change. Talking to the modem is the modem module's.
#include "TonedeckSetup.h"
#include <common/Errors.h>
#include <common/Trap.h>
#include <platform/SettingsStore.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>

namespace setup {

namespace {
const QString kSection = QStringLiteral("RTTYModem");

struct Switch {
    QCheckBox* TonedeckSetupForm::*box;
    const char* key;
};
constexpr Switch kSwitches[] = {
    {&TonedeckSetupForm::RTTYModemEnabled, "RTTYModemEnabled"},
    {&TonedeckSetupForm::RTTYModemUSOSCheck, "RTTYModemUSOS"},
    {&TonedeckSetupForm::RTTYModemReverseXmitCheck, "RTTYModemTransmitReverse"},
    {&TonedeckSetupForm::RTTYModemReverseRcvCheck, "RTTYModemReceiveReverse"},
    {&TonedeckSetupForm::TransmitPaneControlChars, "RTTYModemControlChars"},
};

struct Choice {
    QButtonGroup* TonedeckSetupForm::*group;
    const char* key;
    int defaultIndex, lower, upper;
};
// Port 0 is no port; "RTTYMode" is stored empty until first chosen, which reads as 0.
constexpr Choice kChoices[] = {
    {&TonedeckSetupForm::ModemPortGroup, "RTTYModemPort", 0, 0, 8},
    {&TonedeckSetupForm::ModemSpeedGroup, "RTTYModemSpeed", 2, 1, 7},
    {&TonedeckSetupForm::ModemParityGroup, "RTTYModemParity", 1, 1, 5},
    {&TonedeckSetupForm::ModemWordlenGroup, "RTTYModemWordLen", 1, 1, 3},
    {&TonedeckSetupForm::ModemStopBitsGroup, "RTTYModemStopBits", 1, 1, 3},
    {&TonedeckSetupForm::RTTYModemModeGroup, "RTTYMode", 0, 0, 1},
};

void select(QButtonGroup* group, int id) {
    if (QAbstractButton* b = group->button(id)) {
        b->setChecked(true);
        return;
    }
    // No button of that number (no port): none selected.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}
} // namespace

void TonedeckSetup::InitializeRTTYModemFields() {
    if (!common_) return;
    const bool was = ignoring_;
    ignoring_ = true;
    auto& store = *settings_;
    common::guard(*common_, "TonedeckSetup.InitializeRTTYModemFields", [&] {
        RTTYModemModel->clear();
        const QStringList files =
            QDir(programDir_ + QStringLiteral("/Modems"))
                .entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
        for (QString name : files)
            RTTYModemModel->addItem(name.chopped(4));
        const QString model = store.getSetting(kSection, "RTTYModemModel");
        RTTYModemModel->setCurrentIndex(RTTYModemModel->findText(model, Qt::MatchExactly));
        store.saveSetting(kSection, "RTTYModemModel", model);

        for (const Switch& s : kSwitches) {
            const bool on = store.getSetting(kSection, s.key, "0").trimmed() == "1";
            (this->*s.box)->setChecked(on);
            store.saveSetting(kSection, s.key, on ? "1" : "0");
        }
        // A stored index that is no number, or out of range, is reported and replaced.
        for (const Choice& c : kChoices) {
            const QString text = store.getSetting(kSection, c.key).trimmed();
            bool number = false;
            int index = text.toInt(&number);
            if (text.isEmpty()) {
                index = c.defaultIndex;
            } else if (!number || index < c.lower || index > c.upper) {
                common_->ReportError(number ? common::err::InvalidPropertyValue
                                            : common::err::TypeMismatch,
                                     QStringLiteral("TonedeckSetup.InitializeRTTYModemFields"));
                index = c.defaultIndex;
            }
            select(this->*c.group, index);
            if (!text.isEmpty() || QLatin1String(c.key) != QLatin1String("RTTYMode"))
                store.saveSetting(kSection, c.key, QString::number(index));
        }
    });
    ignoring_ = was;
}

void TonedeckSetup::connectRTTYModem() {
    for (const Switch& s : kSwitches)
        connect(this->*s.box, &QCheckBox::toggled, this, [this, key = s.key](bool on) {
            handle("RTTYModemSwitch_Click",
                   [&] { settings_->saveSetting(kSection, key, on ? "1" : "0"); });
        });
    for (const Choice& c : kChoices)
        connect(this->*c.group, &QButtonGroup::idToggled, this,
                [this, key = c.key](int id, bool on) {
                    if (on)
                        handle("RTTYModemOption_Click",
                               [&] { settings_->saveSetting(kSection, key, QString::number(id)); });
                });
    // The combo boxes are refilled by the modem module; a cleared box is not a choice.
    const std::pair<QComboBox*, const char*> combos[] = {{RTTYModemModel, "RTTYModemModel"},
                                                         {RTTYModemSpeedCombo, "RTTYModemBaud"},
                                                         {RTTYModemShiftCombo, "RTTYModemShift"}};
    for (auto [box, key] : combos)
        connect(box, &QComboBox::currentTextChanged, this, [this, key](const QString& text) {
            if (!text.isEmpty())
                handle("RTTYModemCombo_Click",
                       [&] { settings_->saveSetting(kSection, key, text); });
        });
}

} // namespace setup
