#include "SoundcardRtty.h"
#include <QFileInfo>

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include "PortAudioDevice.h"
#include <mainwindow/TonedeckApp.h>
#include <platform/Dialogs.h>
#include <setup/SoundcardRttyTab.h>

namespace app {

namespace {
// The box layout that holds w, searched from root down.
QBoxLayout* layoutHolding(QLayout* root, QWidget* w) {
    if (!root) return nullptr;
    for (int i = 0; i < root->count(); ++i) {
        QLayoutItem* item = root->itemAt(i);
        if (item->widget() == w) return qobject_cast<QBoxLayout*>(root);
        if (QBoxLayout* found = layoutHolding(item->layout(), w)) return found;
    }
    return nullptr;
}
} // namespace

SoundcardRtty::~SoundcardRtty() {
    module_.reset();
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(1000);
    }
}

void SoundcardRtty::Attach(mainwindow::TonedeckApp& app) {
    app_ = &app;
    panel_ = std::make_unique<rtty::MMTTYPanel>();
    auto& main = app.main;
    if (QBoxLayout* row = layoutHolding(main.layout(), main.ReceiveFrame))
        row->insertWidget(row->indexOf(main.ReceiveFrame) + 1, panel_.get());
    panel_->hide();
    module_ = std::make_unique<rtty::MMTTYModule>(*this, *panel_, *app.setupDialog.SoundcardRtty,
                                                  *main.Waterfall, *main.Frequency);
    auto* m = module_.get();
    QObject::connect(main.RTTYOptimalOffsetCmd, &QPushButton::clicked, m,
                     &rtty::MMTTYModule::SetOptimalReceiveFrequency);
    QObject::connect(main.Waterfall, &platform::PictureBox::mousePressed, m,
                     [this, m](double x, double, Qt::MouseButton b, Qt::KeyboardModifiers) {
                         if (b == Qt::LeftButton && !app_->main.ModeButton[0]->isChecked() &&
                             app_->setupDialog.SoundcardRtty->MMTTYEnabled->isChecked() &&
                             m->Running())
                             m->SetFrequencyFromWaterfall(x);
                     });
    // RTTYStartCmd, RTTYStopCmd and RTTYAbortCmd go through the RTTY path selection.
    QObject::connect(main.QSOFrequency, &QLineEdit::textChanged, m, [m] {
        m->UpdateReceiveFrequency();
        m->DrawFrequencyScale();
    });
}

void SoundcardRtty::Initialize() {
    if (module_) module_->Initialize();
}

void SoundcardRtty::Enable() {
    if (!module_) return;
    panel_->setVisible(rttyModeSelected());
    app_->main.RTTYOptimalOffsetCmd->setVisible(rttyModeSelected());
    module_->Enable();
}

void SoundcardRtty::Disable() {
    if (!module_) return;
    if (module_->Running()) closing_.start();
    module_->Disable();
    panel_->hide();
}

void SoundcardRtty::Shutdown() {
    if (!module_) return;
    if (module_->Running()) closing_.start();
    module_->Terminate();
}

bool SoundcardRtty::MMTTYWindowExists() const {
    if (!process_ || process_->state() == QProcess::NotRunning) return false;
    if (closing_.isValid() && closing_.elapsed() > kCloseGraceMs) {
        // It had its chance to close: end it rather than keep the program waiting.
        process_->kill();
        process_->waitForFinished(1000);
        return false;
    }
    return true;
}

platform::MessageWindow& SoundcardRtty::mainWindow() {
    return app_->main.Hwnd();
}
platform::SettingsStore& SoundcardRtty::settings() {
    return app_->services.settings;
}

void SoundcardRtty::messageBox(const QString& text) {
    app_->services.dialogs.messageBox(text, mainwindow::TonedeckApp::kProductName);
}

// The engine sits in the program's directory in a build or a portable copy; an installed
// program keeps its data elsewhere and the engine beside its executable.
QString SoundcardRtty::programDirectory() const {
    const QString dir = app_->services.programDir;
    if (QFileInfo(dir + QStringLiteral("/mmtty")).isExecutable()) return dir;
    return QCoreApplication::applicationDirPath();
}

bool SoundcardRtty::startProcess(const QString& program, const QStringList& args) {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill(); // an engine from before that never went
        process_->waitForFinished(1000);
    }
    closing_.invalidate();
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(program, args);
    return process_->waitForStarted(5000);
}

bool SoundcardRtty::rttyModeSelected() const {
    return app_->main.ModeButton[1]->isChecked();
}
void SoundcardRtty::setRttyModeButtonEnabled(bool on) {
    app_->main.ModeButton[1]->setEnabled(on);
}
void SoundcardRtty::append(int pane, int c, int colour) {
    app_->display.Append(pane, c, true, colour);
}
void SoundcardRtty::appendNewline(int pane) {
    app_->display.AppendNewline(pane);
}
int SoundcardRtty::paneColor(int pane) const {
    return app_->display.GetPaneColor(pane);
}
int SoundcardRtty::transmittedTextColor() const {
    return app_->display.TransmittedTextColor();
}
int SoundcardRtty::pttMode() const {
    return app_->xcvr.GetPTTMode();
}
int SoundcardRtty::pttPort() const {
    return app_->xcvr.GetPTTPort();
}
void SoundcardRtty::setSinglePttModesEnabled(bool on) {
    app_->setupDialog.XmitPTTButton[1]->setEnabled(on);
    app_->setupDialog.XmitPTTButton[2]->setEnabled(on);
}
QString SoundcardRtty::qsoFrequency() const {
    return app_->main.QSOFrequency->text();
}
bool SoundcardRtty::transceiverIsLsb() const {
    // The transceiver follows the path in use, which may be the external modem.
    return transceiverIsLsb_ ? transceiverIsLsb_() : !engineModeIsFsk();
}
bool SoundcardRtty::engineModeIsFsk() const {
    return app_->setupDialog.SoundcardRtty->MMTTYModeButton[1]->isChecked();
}
void SoundcardRtty::focusKeyboard() {
    app_->main.Keyboard->setFocus();
}
bool SoundcardRtty::charHandlerLocked() const {
    return app_->main.MMTTYCharHandlerLocked();
}
void SoundcardRtty::transceiverCommand(const QString& command) {
    if (command == QLatin1String("transmit"))
        app_->dde.SendTransmit();
    else if (command == QLatin1String("receive"))
        app_->dde.SendReceive();
}
void SoundcardRtty::tuneTransceiver(double kHz) {
    app_->dde.SendQSY(kHz);
}
void SoundcardRtty::qsoFrequencyChanged() {
    module_->DrawFrequencyScale();
}
void SoundcardRtty::transmissionEnded() {
    app_->transmitPane.TrimTransmittedText();
}
int SoundcardRtty::waterfallColor(int v) const {
    return app_->xcvr.Tuning().waterfallColor(v);
}
int SoundcardRtty::spectrumColor() const {
    return app_->xcvr.GetSpectrumDisplayColor();
}
int SoundcardRtty::soundInputCount() const {
    return int(audio::captureDevices().size());
}
QString SoundcardRtty::soundInputName(int index) const {
    const auto devices = audio::captureDevices();
    return index >= 0 && index < int(devices.size())
               ? QString::fromStdString(devices[size_t(index)].name)
               : QString();
}
void SoundcardRtty::processEvents() {
    QCoreApplication::processEvents();
}

void SoundcardRtty::engineLost() {
    app_->event.LogEvent("MMTTY engine stopped unexpectedly");
    messageBox("The MMTTY engine has stopped. Select RTTY again to restart it.");
    panel_->hide();
}

} // namespace app
