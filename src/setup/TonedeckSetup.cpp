#include "TonedeckSetup.h"
#include <common/Convert.h>
#include <common/Errors.h>
#include <common/TonedeckInfo.h>
#include <common/Trap.h>
#include <common/WindowPositions.h>
#include <platform/Dialogs.h>
#include <platform/Services.h>
#include <platform/SettingsStore.h>
#include <psk/PSKXcvr.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
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
    // The selectors only show values; they act through the colour buttons.
    for (QSlider* s : ColorSlider)
        connect(s, &QSlider::valueChanged, this, [this] { DisplayColor(); });
    connect(SizeSlider, &QSlider::valueChanged, this, [this] { DisplayColor(); });
    DisplayColor();
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

void TonedeckSetup::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && common_)
        common::guard(*common_, "TonedeckSetup.Form_Activate", [&] {
            LoadDisplayPreviews();
            LoadSerialDevices();
        });
    TonedeckSetupForm::showEvent(event);
}

void TonedeckSetup::hideEvent(QHideEvent* event) {
    // Closed by its frame, Escape or Close it only hides; where it was is kept for next time.
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

void TonedeckSetup::handle(const char* name, const std::function<void()>& body) {
    if (ignoring_ || !xcvr_) return;
    common::guard(
        *common_, [name] { return QStringLiteral("TonedeckSetup.") + QLatin1String(name); }, body);
}

void TonedeckSetup::Attach(psk::PSKXcvr& xcvr, common::Common& common,
                           platform::Services& services) {
    xcvr_ = &xcvr;
    common_ = &common;
    settings_ = &services.settings;
    dialogs_ = &services.dialogs;
    programDir_ = services.programDir;
    connectGeneral();
    connectReceiveAndTransmit();
    connectSerialDevices();
    connectRTTYModem();
}

void TonedeckSetup::connectGeneral() {
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
    connect(BrowserSelectCmd, &QPushButton::clicked, this, [this] { BrowserSelectCmd_Click(); });
    // Typed or cleared by hand; an empty path goes back to the desktop's own browser.
    connect(BrowserPathname, &QLineEdit::textChanged, this, [this](const QString& path) {
        handle("BrowserPathname_Change", [&] { common_->SetHelpBrowser(path.trimmed()); });
    });
    connect(ContestModeCheckbox, &QCheckBox::toggled, this,
            [this](bool on) { handle("ContestModeCheckbox_Click", [&] { SetContestMode(on); }); });
    connect(ResetTXSerialNumberCmd, &QPushButton::clicked, this,
            [this] { ResetTXSerialNumberCmd_Click(); });
    connect(AboutCmd, &QPushButton::clicked, this, [this] { AboutCmd_Click(); });
    connect(SetupHelpCmd, &QPushButton::clicked, this, [this] {
        common::guard(*common_, "TonedeckSetup.SetupHelpCmd_Click",
                      [&] { common_->InvokeHelp(HelpPage(SSTab1->currentIndex())); });
    });
}

void TonedeckSetup::SetContestMode(bool on) {
    contestMode_ = on;
    if (ContestModeCheckbox->isChecked() != on) ContestModeCheckbox->setChecked(on);
}

void TonedeckSetup::ResetTXSerialNumberCmd_Click() {
    handle("ResetTXSerialNumberCmd_Click", [&] {
        TXSerialNumber->setText(QStringLiteral("1"));
        TXSerialNumber->setFocus();
    });
}

void TonedeckSetup::BrowserSelectCmd_Click() {
    handle("BrowserSelectCmd_Click", [&] {
        const QString current = BrowserPathname->text().trimmed();
        const QString folder =
            current.isEmpty() ? QStringLiteral("/usr/bin") : QFileInfo(current).absolutePath();
        // Programs here have no extension, so the filter lists every file.
        const QString chosen =
            dialogs_->openFileName(QStringLiteral("Select the program that shows help pages"),
                                   folder, QStringLiteral("Application (*)|*"));
        if (chosen.isEmpty()) return;
        BrowserPathname->setText(chosen);
        common_->SetHelpBrowser(chosen);
    });
}

void TonedeckSetup::InitializeSetupFields() {
    if (!common_) return;
    common::guard(*common_, "TonedeckSetup.InitializeSetupFields", [&] {
        auto& store = *settings_;
        const bool was = ignoring_;
        ignoring_ = true;
        struct Restore {
            bool& flag;
            bool value;
            ~Restore() { flag = value; }
        } restore{ignoring_, was};

        const QString browser = store.getSetting("General", "HelpBrowser");
        BrowserPathname->setText(browser);
        common_->SetHelpBrowser(browser);
        TransmitPower->setText(store.getSetting("Display", "TransmitPower"));
        const bool contest = store.getSetting("Contest", "Mode", "0").trimmed() == "1";
        SetContestMode(contest);
        ContestID->setText(store.getSetting("Contest", "ID"));
        // A serial number that is not a whole number keeps the field's value, reported.
        const QString serial = store.getSetting("Contest", "TransmitSerialNumber", "1").trimmed();
        bool whole = !serial.isEmpty();
        for (QChar ch : serial)
            whole = whole && ch.isDigit() && ch.unicode() < 128;
        if (whole)
            TXSerialNumber->setText(serial);
        else
            common_->ReportError(common::err::TypeMismatch,
                                 QStringLiteral("TonedeckSetup.InitializeSetupFields"));
        SaveSetupFields();
        LoadDisplayPreviews();
        InitializeRTTYModemFields();
    });
}

void TonedeckSetup::SaveSetupFields() {
    if (!common_) return;
    common::guard(*common_, "TonedeckSetup.SaveSetupFields", [&] {
        auto& store = *settings_;
        store.saveSetting("General", "HelpBrowser", BrowserPathname->text().trimmed());
        store.saveSetting("Display", "TransmitPower", TransmitPower->text());
        store.saveSetting("Contest", "Mode", contestMode_ ? "1" : "0");
        store.saveSetting("Contest", "ID", ContestID->text());
        store.saveSetting("Contest", "TransmitSerialNumber", TXSerialNumber->text());
    });
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
    static const char* const kPages[TabCount] = {
        "GeneralSettings.htm",      "DisplaySettings.htm",       "PTTSettings.htm",
        "SoundcardPSKSettings.htm", "SoundcardRTTYSettings.htm", "RTTYModemSettings.htm"};
    return tab >= 0 && tab < TabCount ? QString::fromLatin1(kPages[tab])
                                      : QStringLiteral("Index.htm");
}

} // namespace setup
