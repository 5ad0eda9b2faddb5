#include "TonedeckSetup.h"
#include <common/TonedeckInfo.h>
#include <common/Trap.h>
#include <common/WindowPositions.h>
#include <platform/SettingsStore.h>
#include <psk/PSKXcvr.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

namespace setup {

TonedeckSetup::TonedeckSetup(QWidget* parent) : TonedeckSetupForm(parent) {
    // Visibility follows the option at once, also while settings are being restored.
    connect(RcvSquelchSpeedGroup, &QButtonGroup::idToggled, this,
            [this](int, bool) { DisplayAppropriateSquelchControls(); });
    DisplayAppropriateSquelchControls();
}

TonedeckSetup::~TonedeckSetup() = default;

void TonedeckSetup::ShowAtStoredPosition() {
    struct Show {
        TonedeckSetup* w;
        ~Show() {
            w->show();
            w->raise();
            w->activateWindow();
        }
    } showEvenIfTheStoreIsGarbled{this};
    if (!isVisible() && settings_)
        common::RestoreWindowPosition(*settings_, *this, QString::fromLatin1(kPositionPrefix),
                                      common::WindowKeys::Position);
}

void TonedeckSetup::hideEvent(QHideEvent* event) {
    // Closed by its frame it only hides; where it was is kept for the next time.
    if (!event->spontaneous() && settings_ && common_)
        common::guard(*common_, "TonedeckSetup.Form_Unload", [&] {
            common::SaveWindowPosition(*settings_, *this, QString::fromLatin1(kPositionPrefix),
                                       common::WindowKeys::Position);
        });
    TonedeckSetupForm::hideEvent(event);
}

void TonedeckSetup::AboutCmd_Click() {
    if (!common_ || !settings_ || !xcvr_) return;
    common::guard(*common_, "TonedeckSetup.AboutCmd_Click", [&] {
        if (!info_) info_ = std::make_unique<common::TonedeckInfo>(*settings_);
        info_->Form_Load(xcvr_->engine().fnGetDLLVersion());
        info_->ShowAtStoredPosition();
    });
}

void TonedeckSetup::CloseInformationWindow() {
    if (info_) info_->close();
}

template <class F> void TonedeckSetup::handle(const char* name, F&& body) {
    if (ignoring_ || !xcvr_) return;
    common::guard(*common_, QStringLiteral("TonedeckSetup.") + QString::fromLatin1(name),
                  std::forward<F>(body));
}

void TonedeckSetup::Attach(psk::PSKXcvr& xcvr, common::Common& common,
                           platform::SettingsStore& settings) {
    xcvr_ = &xcvr;
    common_ = &common;
    settings_ = &settings;
    psk::PSKXcvr* x = &xcvr;

    connect(MyCallsign, &QLineEdit::textChanged, this, [this](const QString& call) {
        handle("MyCallsign_Change", [&] {
            settings_->saveSetting("General", "Callsign", call);
            SetSampleTransmitTexts(QStringLiteral("de ") + call);
        });
    });
    connect(SlashZeroCheckbox, &QCheckBox::toggled, this, [this](bool on) {
        handle("SlashZeroCheckbox_Click", [&] {
            settings_->saveSetting("Display", "ShowSlashedZero", on ? "1" : "0");
            emit slashedZeroChanged(on);
        });
    });
    connect(TooltipsCheckbox, &QCheckBox::toggled, this, [this](bool on) {
        handle("TooltipsCheckbox_Click", [&] {
            settings_->saveSetting("Display", "ShowTooltips", on ? "1" : "0");
            emit tooltipsChanged(on);
        });
    });
    connect(AboutCmd, &QPushButton::clicked, this, [this] { AboutCmd_Click(); });
    connect(SetupHelpCmd, &QPushButton::clicked, this, [this] {
        common::guard(*common_, "TonedeckSetup.SetupHelpCmd_Click",
                      [&] { common_->InvokeHelp(HelpPage(SSTab1->currentIndex())); });
    });

    // A soundcard choice restarts the engine; only the operator's click counts.
    connect(SoundcardSelectionGroup, &QButtonGroup::idClicked, this, [this, x](int id) {
        handle("SoundcardSelectionButton_Click", [&] { x->SoundCardChanged(id); });
    });

    auto onSelect = [this](QButtonGroup* group, const char* name, auto action) {
        connect(group, &QButtonGroup::idToggled, this, [this, name, action](int id, bool on) {
            if (on) handle(name, [&] { action(id); });
        });
    };
    onSelect(RcvModeGroup, "RcvModeButton_Click", [x](int id) {
        x->UpdateReceiveModulation(id);
        x->SetReceiveModulation();
    });
    onSelect(RcvSquelchSpeedGroup, "RcvSquelchSpeedButton_Click",
             [x](int) { x->ReceiveSquelchSpeedChanged(); });
    onSelect(RcvDisplayGroup, "RcvDisplayButton_Click", [x](int) { x->ReceiveDisplayChanged(); });
    onSelect(WaterfallColorGroup, "WaterfallColorButton_Click",
             [x](int) { x->WaterfallColorChanged(); });
    onSelect(XmitModeGroup, "XmitModeButton_Click",
             [x](int id) { x->UpdateTransmitModulation(id); });
    onSelect(XmitCWIDGroup, "XmitCWIDButton_Click", [x](int id) {
        x->UpdateTransmitCWIDSpeed(id + 1);
        x->SetTransmitCWIDSpeed();
    });
    onSelect(XmitPTTGroup, "XmitPTTButton_Click", [x](int id) {
        x->UpdateTransmitPTTMode(id);
        x->SetTransmitPTTPortMode();
    });
    onSelect(XmitPTTPortGroup, "XmitPTTPortButton_Click", [x](int id) {
        x->UpdateTransmitPTTPort(id + 1);
        x->SetTransmitPTTPortMode();
    });

    auto onSlide = [this](QSlider* s, const char* name, void (psk::PSKXcvr::*action)()) {
        connect(s, &QSlider::valueChanged, this, [this, x = xcvr_, name, action](int) {
            handle(name, [x, action] { (x->*action)(); });
        });
    };
    onSlide(RcvIntensitySlider, "RcvIntensitySlider_Change",
            &psk::PSKXcvr::ReceiveDisplayParametersChanged);
    onSlide(RcvClippingSlider, "RcvClippingSlider_Change",
            &psk::PSKXcvr::ReceiveDisplayParametersChanged);
    onSlide(RcvSmoothingSlider, "RcvSmoothingSlider_Change",
            &psk::PSKXcvr::ReceiveDisplayParametersChanged);
    onSlide(RcvSearchLimitSlider, "RcvSearchLimitSlider_Change",
            &psk::PSKXcvr::ReceiveSearchLimitChanged);
    onSlide(RcvAFCLimitSlider, "RcvAFCLimitSlider_Change", &psk::PSKXcvr::ReceiveAFCLimitChanged);
    onSlide(WaterfallTraceWidthSlider, "WaterfallTraceWidthSlider_Change",
            &psk::PSKXcvr::TraceWidthChanged);
    onSlide(RcvSquelchSpeedSettingSlider, "RcvSquelchSpeedSettingSlider_Change",
            &psk::PSKXcvr::ReceiveSquelchSpeedChanged);

    auto onEdit = [this](QLineEdit* e, const char* name, void (psk::PSKXcvr::*action)()) {
        connect(e, &QLineEdit::textChanged, this, [this, x = xcvr_, name, action](const QString&) {
            handle(name, [x, action] { (x->*action)(); });
        });
    };
    onEdit(OptimalOffset, "OptimalOffset_Change", &psk::PSKXcvr::OptimalOffsetChanged);
    onEdit(XmitOffset, "XmitOffset_Change", &psk::PSKXcvr::TransmitOffsetChanged);
    onEdit(XmitCWID, "XmitCWID_Change", &psk::PSKXcvr::TransmitCWIDChanged);
}

int TonedeckSetup::GetReceiveSquelchSpeed() const {
    for (int i = 0; i <= RcvSquelchSpeedMaxButtonIndex; ++i)
        if (RcvSquelchSpeedButton[i]->isChecked()) return i;
    return 0;
}

void TonedeckSetup::DisplayAppropriateSquelchControls() {
    const bool slider = GetReceiveSquelchSpeed() == 2;
    RcvSquelchSpeedSettingSlider->parentWidget()->setVisible(slider);
}

void TonedeckSetup::SetSampleTransmitTexts(const QString& text) {
    for (QLabel* l : TrialTransmit)
        l->setText(text);
    KeyboardTrialTransmit->setText(text);
}

QString TonedeckSetup::HelpPage(int tab) {
    static const char* const kPages[6] = {"GeneralSettings.htm",       "DisplaySettings.htm",
                                          "PTTSettings.htm",           "SoundcardPSKSettings.htm",
                                          "SoundcardRTTYSettings.htm", "RTTYModemSettings.htm"};
    return tab >= 0 && tab < 6 ? QString::fromLatin1(kPages[tab]) : QStringLiteral("Index.htm");
}

bool TonedeckSetup::ContestMode() const {
    return ContestModeCheckbox->isChecked();
}

void TonedeckSetup::SetContestMode(bool on) {
    ContestModeCheckbox->setChecked(on);
}

} // namespace setup
