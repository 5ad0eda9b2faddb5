#include "RttyPaths.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include <common/Format.h>
#include <mainwindow/PaneArea.h>
#include <mainwindow/TonedeckApp.h>
#include <platform/Dialogs.h>
#include <setup/SoundcardRttyTab.h>

namespace app {

namespace {
constexpr int kRed = 0x0000FF; // red + 256 * green + 65536 * blue
}

class RttyPaths::EnginePath : public rtty::RTTYPath {
public:
    explicit EnginePath(SoundcardRtty& s) : s_(s) {}
    bool running() const override { return s_.MMTTYRunning(); }
    int xcvrMode() const override { return s_.engineModeIsFsk() ? 1 : 0; }
    void updateReceiveFrequency() override { s_.module()->UpdateReceiveFrequency(); }
    void startTransmit() override { s_.module()->StartTransmit(); }
    void stopTransmit() override { s_.module()->StopTransmit(); }
    void abortTransmit() override { s_.module()->AbortTransmit(); }
    void sendCharacter(int code) override { s_.module()->SendCharacter(code); }
    bool hasRoom() const override { return s_.module()->HasRoom(); }
    QString caption() const override { return QStringLiteral("soundcard"); }

private:
    SoundcardRtty& s_;
};

class RttyPaths::ModemPath : public rtty::RTTYPath {
public:
    explicit ModemPath(rtty::RTTYModemModule& m) : m_(m) {}
    bool running() const override { return m_.Enabled(); }
    int xcvrMode() const override { return m_.RTTYMode(); }
    void updateReceiveFrequency() override { m_.UpdateReceiveFrequency(); }
    void startTransmit() override { m_.StartTransmit(); }
    void stopTransmit() override { m_.StopTransmit(); }
    void abortTransmit() override { m_.AbortTransmit(); }
    void sendCharacter(int code) override { m_.SendCharacter(code); }
    bool hasRoom() const override { return m_.HasRoom(); }
    void sendIdentification() override { m_.SendIdentification(); }
    bool hasIdCommand() const override { return m_.HasIdCommand(); }
    QString caption() const override { return m_.model(); }

private:
    rtty::RTTYModemModule& m_;
};

// The rig-control companion, through which the PSK side retunes too.
class RttyPaths::CompanionLink : public rtty::TransceiverLink {
public:
    explicit CompanionLink(dde::PSKDDEClient& dde) : dde_(dde) {}
    bool connected() const override { return dde_.Connected(dde::PSKDDEClient::kRigControl); }
    void xcvrFreqMode(const QString& kHz, const QString& mode) override {
        dde_.SendXcvrFreqMode(kHz, mode);
    }

private:
    dde::PSKDDEClient& dde_;
};

RttyPaths::RttyPaths() = default;
RttyPaths::~RttyPaths() {
    selection_.reset();
    modem_.reset();
}

template <class F> void RttyPaths::quietly(F&& f) {
    const bool was = ignoring_;
    ignoring_ = true;
    f();
    ignoring_ = was;
}

void RttyPaths::Attach(mainwindow::TonedeckApp& app) {
    app_ = &app;
    soundcard_.Attach(app);
    soundcard_.setModemShutdownPending([this] { return modem_ && modem_->ShutdownPending(); });
    soundcard_.setTransceiverIsLsb([this] { return !selection_ || selection_->IsLSB(); });
    modem_ = std::make_unique<rtty::RTTYModemModule>(*this);
    enginePath_ = std::make_unique<EnginePath>(soundcard_);
    modemPath_ = std::make_unique<ModemPath>(*modem_);
    selection_ = std::make_unique<rtty::RTTYSelection>(*this, *enginePath_, *modemPath_);
    companion_ = std::make_unique<CompanionLink>(app.dde);
    link_ = companion_.get();
    soundcard_.setPanelsChanged([this] { updatePanels(); });

    rtty::MMTTYPanel& panel = *soundcard_.panel();
    QObject::connect(panel.RTTYStartCmd, &QPushButton::clicked, modem_.get(),
                     [this] { StartTransmit(); });
    QObject::connect(panel.RTTYStopCmd, &QPushButton::clicked, modem_.get(),
                     [this] { StopTransmit(); });
    // As the PSK side's Abort, it also ends a clipboard or file feed.
    QObject::connect(panel.RTTYAbortCmd, &QPushButton::clicked, modem_.get(), [this] {
        AbortTransmit();
        app_->transmitPane.EndFeed();
    });
    QObject::connect(panel.RTTYIdCmd, &QPushButton::clicked, modem_.get(),
                     [this] { selection_->SendIdentification(); });
    QObject::connect(app.main.QSOFrequency, &QLineEdit::textChanged, modem_.get(), [this] {
        if (rttyModeSelected()) selection_->UpdateMode();
    });
    connectSetup();
}

void RttyPaths::connectSetup() {
    auto& s = app_->setupDialog;
    auto* m = modem_.get();
    QObject::connect(s.RTTYModemEnabled, &QCheckBox::clicked, m, [this](bool on) {
        if (ignoring_) return;
        modem_->EnabledChanged(on);
        fillChoices();
    });
    QObject::connect(s.RTTYModemModel, &QComboBox::activated, m, [this, &s](int index) {
        if (ignoring_ || index < 0) return;
        modem_->SelectModel(s.RTTYModemModel->itemText(index));
        fillChoices();
    });
    QObject::connect(s.RTTYModemSpeedCombo, &QComboBox::activated, m, [this, &s](int index) {
        if (!ignoring_ && index >= 0) modem_->SelectSpeed(s.RTTYModemSpeedCombo->itemText(index));
    });
    QObject::connect(s.RTTYModemShiftCombo, &QComboBox::activated, m, [this, &s](int index) {
        if (!ignoring_ && index >= 0) modem_->SelectShift(s.RTTYModemShiftCombo->itemText(index));
    });
    QObject::connect(s.RTTYModemReverseRcvCheck, &QCheckBox::clicked, m,
                     [this](bool on) { modem_->SendReceiveReverse(on); });
    QObject::connect(s.RTTYModemReverseXmitCheck, &QCheckBox::clicked, m,
                     [this](bool on) { modem_->SendTransmitReverse(on); });
    QObject::connect(s.RTTYModemUSOSCheck, &QCheckBox::clicked, m,
                     [this](bool on) { modem_->SendUSOS(on); });
    QObject::connect(s.RTTYModemModeGroup, &QButtonGroup::idClicked, m, [this](int id) {
        modem_->SaveRTTYMode(id);
        if (rttyModeSelected()) selection_->UpdateMode();
    });
    rtty::RTTYComm& comm = modem_->comm();
    const std::pair<QButtonGroup*, void (rtty::RTTYComm::*)(int)> lines[] = {
        {s.ModemPortGroup, &rtty::RTTYComm::SetModemPort},
        {s.ModemSpeedGroup, &rtty::RTTYComm::SetModemSpeed},
        {s.ModemParityGroup, &rtty::RTTYComm::SetModemParity},
        {s.ModemWordlenGroup, &rtty::RTTYComm::SetModemWordLen},
        {s.ModemStopBitsGroup, &rtty::RTTYComm::SetModemStopBits}};
    for (auto [group, set] : lines)
        QObject::connect(group, &QButtonGroup::idClicked, m,
                         [&comm, set](int id) { (comm.*set)(id); });
    QObject::connect(s.ResetRttyModemCmd, &QPushButton::clicked, m, [this] {
        if (modem_->Enabled()) modem_->Enable();
    });
    for (int i = 0; i < 2; ++i)
        QObject::connect(s.SoundcardRtty->RTTYModeOffset[i], &QLineEdit::editingFinished, m,
                         [this] { selection_->SaveOffsets(); });
}

void RttyPaths::fillModels() {
    quietly([&] {
        QComboBox* box = app_->setupDialog.RTTYModemModel;
        box->clear();
        box->addItems(modem_->InitializeModemModels());
        box->setCurrentIndex(box->findText(modem_->model(), Qt::MatchExactly));
    });
}

void RttyPaths::fillChoices() {
    quietly([&] {
        const auto fill = [](QComboBox* box, const QList<rtty::ModemParameters::Choice>& choices,
                             const QString& selected) {
            box->clear();
            for (const auto& c : choices)
                box->addItem(c.label, c.position);
            box->setCurrentIndex(box->findText(selected, Qt::MatchExactly));
        };
        fill(app_->setupDialog.RTTYModemSpeedCombo, modem_->parameters().speeds(), modem_->speed());
        fill(app_->setupDialog.RTTYModemShiftCombo, modem_->parameters().shifts(), modem_->shift());
    });
}

// --- RTTYXcvr -----------------------------------------------------------------------------

void RttyPaths::Initialize() {
    selection_->Initialize();
    // The offsets of the two transceiver modes; nothing stored counts as 0.
    for (int i = 0; i < 2; ++i) {
        const QString stored =
            settings().getSetting(QStringLiteral("RTTY"), QStringLiteral("RTTYOffset%1").arg(i));
        if (!stored.trimmed().isEmpty())
            app_->setupDialog.SoundcardRtty->RTTYModeOffset[i]->setText(stored);
    }
    modem_->Initialize();
    fillModels();
    soundcard_.Initialize();
    showTransmitting(false);
}

void RttyPaths::Enable() {
    fillModels();
    modem_->Enable();
    fillChoices();
    soundcard_.Enable();
    showFrames(true);
    app_->display.UpdatePanelID(0);
    app_->display.UpdatePanelID(1);
    updatePanels();
}

void RttyPaths::Disable() {
    showFrames(false);
    modem_->Disable();
    soundcard_.Disable();
}

void RttyPaths::Shutdown() {
    modem_->Terminate();
    soundcard_.Shutdown();
}

void RttyPaths::SelectPane(int pane) {
    if (pane == 0 || pane == 1) selection_->SelectPane(pane);
}
void RttyPaths::StartTransmit() {
    selection_->StartTransmit();
}
void RttyPaths::StopTransmit() {
    selection_->StopTransmit();
}
void RttyPaths::AbortTransmit() {
    selection_->AbortTransmit();
}
void RttyPaths::SendCharacter(int code) {
    selection_->SendCharacter(code);
}
bool RttyPaths::TransmitCharacter(int code) {
    return selection_->TransmitCharacter(code);
}
bool RttyPaths::CanTransmit() const {
    return selection_ && selection_->CanTransmit();
}
bool RttyPaths::Transmitting() const {
    return modem_->Transmitting() ||
           (soundcard_.MMTTYRunning() &&
            const_cast<SoundcardRtty&>(soundcard_).module()->Transmitting());
}

// --- RTTYModemHost ------------------------------------------------------------------------

platform::SettingsStore& RttyPaths::settings() {
    return app_->services.settings;
}
void RttyPaths::messageBox(const QString& text) {
    app_->services.dialogs.messageBox(text, mainwindow::TonedeckApp::kProductName);
}
QString RttyPaths::myCallsign() const {
    return app_->display.DeSlash(app_->setupDialog.MyCallsign->text());
}
QDateTime RttyPaths::utcNow() const {
    return app_->services.clock.utcNow();
}
QString RttyPaths::modemFolder() const {
    return app_->services.programDir + "/Modems";
}
bool RttyPaths::rttyModeSelected() const {
    return app_->main.ModeButton[1]->isChecked();
}
void RttyPaths::setRttyModeButtonEnabled(bool on) {
    app_->main.ModeButton[1]->setEnabled(on);
}
bool RttyPaths::engineShutdownPending() const {
    return soundcard_.module() && soundcard_.module()->ShutdownPending();
}
void RttyPaths::setEnabledBox(bool checked) {
    quietly([&] { app_->setupDialog.RTTYModemEnabled->setChecked(checked); });
}
void RttyPaths::setEnabledBoxEnabled(bool on) {
    app_->setupDialog.RTTYModemEnabled->setEnabled(on);
}
void RttyPaths::append(int pane, int c, int colour) {
    app_->display.Append(pane, c, true, colour);
}
void RttyPaths::appendNewline(int pane) {
    app_->display.AppendNewline(pane);
}
int RttyPaths::paneColor(int pane) const {
    return app_->display.GetPaneColor(pane);
}
int RttyPaths::transmittedTextColor() const {
    return app_->display.TransmittedTextColor();
}

void RttyPaths::showTransmitting(bool on) {
    rtty::MMTTYPanel& p = *soundcard_.panel();
    const QString red = QStringLiteral("QGroupBox::title { color: %1; }")
                            .arg(mainwindow::PSKDisplay::ToQColor(kRed).name());
    p.RTTYTransmitFrame->setStyleSheet(on ? red : QString());
    p.RTTYReceiveFrame->setStyleSheet(QString());
    p.RTTYStartCmd->setEnabled(!on);
    for (QPushButton* b : {p.RTTYIdCmd, p.RTTYStopCmd, p.RTTYAbortCmd})
        b->setEnabled(on);
}

void RttyPaths::transmissionEnded() {
    app_->transmitPane.TrimTransmittedText();
}

void RttyPaths::updatePanels() {
    // The engine's own start and stop call back in here through the soundcard side.
    if (!selection_) return;
    app_->setupDialog.ResetRttyModemCmd->setEnabled(modem_->Enabled());
    if (updating_ || !rttyModeSelected()) return;
    updating_ = true;
    selection_->UpdatePanels();
    updating_ = false;
}

bool RttyPaths::charHandlerLocked() const {
    return app_->main.RTTYModemCharHandlerLockedProperty();
}
QString RttyPaths::qsoFrequency() const {
    return app_->main.QSOFrequency->text();
}
void RttyPaths::showFrequencies(const QString& receive, const QString& transmit) {
    soundcard_.panel()->RTTYReceiveFreq->setText(receive);
    soundcard_.panel()->RTTYXmitFreq->setText(transmit);
}

// --- RTTYSelectionHost --------------------------------------------------------------------

double RttyPaths::paneShare(int pane) const {
    return app_->main.PaneArea->fractions().rtty[size_t(pane)];
}
void RttyPaths::setPaneShares(double pane0, double pane1) {
    display::PanePercentage f = app_->main.PaneArea->fractions();
    f.rtty = {float(pane0), float(pane1), 0.0f};
    app_->main.PaneArea->setFractions(f);
}
void RttyPaths::selectReceivePane(int pane) {
    app_->display.SetReceivePane(pane);
}
void RttyPaths::showFrames(bool on) {
    soundcard_.panel()->RTTYTransmitFrame->setVisible(on);
    soundcard_.panel()->RTTYReceiveFrame->setVisible(on);
    if (on && rttyModeSelected()) soundcard_.panel()->show();
}
void RttyPaths::setTransmitCaption(const QString& caption) {
    soundcard_.panel()->RTTYTransmitFrame->setTitle(caption);
}
void RttyPaths::setIdVisible(bool on) {
    soundcard_.panel()->RTTYIdCmd->setVisible(on);
}
void RttyPaths::relayout() {
    app_->display.AdjustWindowControls();
    if (soundcard_.module()) soundcard_.module()->DrawFrequencyScale();
}
QString RttyPaths::offsetText(int mode) const {
    return app_->setupDialog.SoundcardRtty->RTTYModeOffset[mode == 1 ? 1 : 0]->text();
}
void RttyPaths::saveOffset(int mode, const QString& text) {
    app_->services.settings.saveSetting(QStringLiteral("RTTY"),
                                        QStringLiteral("RTTYOffset%1").arg(mode), text);
}
int RttyPaths::activeChannel() const {
    return app_->xcvr.ActiveChannel();
}
void RttyPaths::transceiverModeAndFrequency(const QString& mode, const QString& kHz) {
    if (transceiverLinked()) link_->xcvrFreqMode(kHz, mode);
}
void RttyPaths::setOptimalOffsetEnabled(bool on) {
    app_->main.RTTYOptimalOffsetCmd->setEnabled(on);
}

} // namespace app
