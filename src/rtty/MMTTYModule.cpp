#include "MMTTYModule.h"

#include <algorithm>
#include <cmath>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QThread>

#include "common/Convert.h"
#include "common/Format.h"
#include "MMTTYPanel.h"
#include "platform/MsgInterceptor.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "setup/SoundcardRttyTab.h"

namespace rtty {

namespace {

constexpr const char* kSection = "MMTTY";
constexpr int kRed = 0x0000FF, kYellow = 0x00FFFF, kBlue = 0xFF0000, kBlack = 0;

int roundi(double v) {
    return static_cast<int>(common::roundHalfEven(v));
}

// A number as typed, 0 when it is not one.
double numberOr0(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

void setTextColour(QLineEdit* e, int colour) {
    QPalette p = e->palette();
    p.setColor(QPalette::Text, platform::PictureBox::toRgb(colour));
    e->setPalette(p);
}

} // namespace

MMTTYModule::MMTTYModule(MMTTYHost& host, MMTTYPanel& panel, setup::SoundcardRttyTab& tab,
                         platform::PictureBox& waterfall, platform::PictureBox& frequency,
                         QObject* parent)
    : QObject(parent), host_(host), panel_(panel), tab_(tab), waterfall_(waterfall),
      frequency_(frequency) {
    for (QTimer* t : {&MMTTYInitTimer, &MMTTYCharTimer, &MMTTYLevelTimer}) {
        t->setInterval(1);
        t->setSingleShot(true);
    }
    for (QTimer* t : {&MMTTYKickoffTimer, &MMTTYShutdownTimer})
        t->setInterval(100);
    connect(&MMTTYInitTimer, &QTimer::timeout, this, &MMTTYModule::StartEngine);
    connect(&MMTTYCharTimer, &QTimer::timeout, this, &MMTTYModule::HandleNewChar);
    connect(&MMTTYLevelTimer, &QTimer::timeout, this, &MMTTYModule::UpdateSignalStrength);
    connect(&MMTTYKickoffTimer, &QTimer::timeout, this, &MMTTYModule::Kickoff);
    connect(&MMTTYShutdownTimer, &QTimer::timeout, this, &MMTTYModule::CheckShutdown);
    MMTTYLockRetryTimer.setInterval(kLockRetryMs);
    MMTTYLockRetryTimer.setSingleShot(true);
    connect(&MMTTYLockRetryTimer, &QTimer::timeout, this, &MMTTYModule::HandleNewChar);
    MMTTYAliveTimer.setInterval(1000);
    connect(&MMTTYAliveTimer, &QTimer::timeout, this, &MMTTYModule::CheckAlive);
    ConnectControls();
}

MMTTYModule::~MMTTYModule() {
    if (WindowSubclassed) platform::MsgInterceptor::Remove(host_.mainWindow(), PreviousWindowProc);
}

template <class F> void MMTTYModule::ignoring(F&& f) {
    const bool was = IgnoringMMTTYChanges;
    IgnoringMMTTYChanges = true;
    f();
    host_.processEvents();
    IgnoringMMTTYChanges = was;
}

QString MMTTYModule::setting(const char* key, const QString& def) const {
    return host_.settings().getSetting(kSection, key, def);
}

void MMTTYModule::save(const char* key, const QString& value) {
    host_.settings().saveSetting(kSection, key, value);
}

void MMTTYModule::post(int32_t code, int32_t value) {
    if (MMTTYWindow) platform::postMessage(MMTTYWindow, MMTTYMessage, code, value);
}

QStringList MMTTYModule::CommandLine(const QString& programDir, uint32_t handle) {
    const QString args = QString::fromStdString(mmtty::handleArgument(handle));
    return QStringList{programDir + "/mmtty"} + args.split(' ');
}

// --- life cycle -------------------------------------------------------------------------

void MMTTYModule::Initialize() {
    WindowSubclassed = EngineTransmitting = LastTransmitting = false;
    TransmitMarkFrequency = 2125;
    MMTTYMessage = platform::registerWindowMessage(mmtty::kMessageName);
    InitializeNewCharBuffer();
    PendingLineEnd = 0;
    DisplaySoundcardName();
    ignoring([&] { tab_.MMTTYEnabled->setChecked(setting("MMTTYEnabled", "1").toInt() != 0); });
    SaveEnabled();
    SignalLevel = 0;
    InitializeRcvIntensity();
    InitializeRcvDisplay();
    InitializeRTTYXcvrMode();
    waterfall_.setScale(1023, 64);
    ComputeMarkerPositions();
    switchesInitialised_ = false;
    panel_.RTTYStartCmd->setEnabled(true);
    for (QPushButton* b : {panel_.RTTYIdCmd, panel_.RTTYStopCmd, panel_.RTTYAbortCmd})
        b->setEnabled(false);
    ShowControls(false);
}

void MMTTYModule::Enable() {
    if (host_.rttyModeSelected() && tab_.MMTTYEnabled->isChecked()) {
        if (!WindowSubclassed) {
            PreviousWindowProc = platform::MsgInterceptor::Install(
                host_.mainWindow(), [this](platform::WindowHandle w, uint32_t m, int32_t a,
                                           int32_t b) { return WindowProc(w, m, a, b); });
            WindowSubclassed = true;
        }
        // The engine is launched from the timer tick, outside any message handler.
        platform::postMessage(host_.mainWindow().handle(), platform::kUserMessage, 0,
                              host_.mainWindow().handle());
        return;
    }
    ShowControls(EngineStarted);
}

void MMTTYModule::StartEngine() {
    auto fail = [&](const QString& text) {
        if (!text.isEmpty()) host_.messageBox(text);
        block_.close();
        EngineStarted = false;
        ignoring([&] { tab_.MMTTYEnabled->setChecked(false); });
        SaveEnabled();
        if (WindowSubclassed) {
            platform::MsgInterceptor::Remove(host_.mainWindow(), PreviousWindowProc);
            WindowSubclassed = false;
        }
        ShowControls(false);
    };
    if (EngineStarted) return;
    // The engine posts to the main window from its own process.
    platform::MessageWindow& w = host_.mainWindow();
    if (!w.isListening() && !w.listen()) return fail("CreateFileMapping failed");
    if (!block_.create()) return fail("CreateFileMapping failed");
    block_.writeString(mmtty::kOffTitle, mmtty::kTitleSize, mmtty::kEngineTitle);
    block_.writeString(mmtty::kOffPttPort, mmtty::kPttPortSize, "NONE");
    block_.writeString(mmtty::kOffSecondName, 8, "NONE");
    block_.writeInt(mmtty::kOffOne, 1);
    block_.writeInt(mmtty::kOffSpectrumReady, 0);
    block_.writeInt(mmtty::kOffXyReady, 0);
    const QStringList cmd =
        CommandLine(host_.programDirectory(), uint32_t(host_.mainWindow().handle()));
    if (!host_.startProcess(cmd.front(), cmd.mid(1)))
        return fail(QStringLiteral("Unable to start ") + "MMTTY" + " engine");
    EngineStarted = true;
    MMTTYWindow = 0;
    switchesInitialised_ = switchesRequested_ = false;
    SignalLevel = 0;
    SquelchThreshold = std::clamp(setting("SquelchThreshold", "500").toInt(), 0, 1000);
    UpdateSquelchThreshold();
    InitializeMarkSpace();
    MMTTYKickoffTimer.start();
    MMTTYAliveTimer.start();
    ShowControls(true);
}

void MMTTYModule::Kickoff() {
    const platform::WindowHandle found = platform::findWindow(mmtty::kEngineTitle);
    if (found) ExchangeHandles(found);
}

// The engine is reachable (found by its title, or it reported its handle first): tell it where
// to post and send what was set before it listened (posted earlier, it would have been lost);
// the switch report is asked for last, so that it reflects the tones just sent.
void MMTTYModule::ExchangeHandles(platform::WindowHandle engine) {
    MMTTYWindow = engine;
    MMTTYKickoffTimer.stop();
    post(mmtty::CmdSetWindow, host_.mainWindow().handle());
    SendMarkSpace();
    SendSquelchThreshold();
    SendPTTPort();
    if (!switchesRequested_) post(mmtty::CmdRequestSwitches, 0);
    switchesRequested_ = true;
}

// An engine that went away by itself (crashed or killed): clean up as a stop would, say so,
// and leave MMTTYEnabled as it is, so that switching to RTTY again starts a new one.
void MMTTYModule::CheckAlive() {
    if (!EngineStarted) {
        MMTTYAliveTimer.stop();
        return;
    }
    // Before the kick-off has found the window only the process itself can be asked.
    const bool searching = MMTTYKickoffTimer.isActive();
    if (host_.engineProcessRunning() && (searching || platform::findWindow(mmtty::kEngineTitle))) {
        if (!searching) DrawFrequencyScale(); // the PSK side may have drawn its own scale
        return;
    }
    MMTTYAliveTimer.stop();
    MMTTYKickoffTimer.stop();
    if (WindowSubclassed) {
        platform::MsgInterceptor::Remove(host_.mainWindow(), PreviousWindowProc);
        WindowSubclassed = false;
    }
    block_.close();
    endTransmission();
    EngineStarted = false;
    MMTTYWindow = 0;
    ShowControls(false);
    host_.engineLost();
}

void MMTTYModule::Disable() {
    if (EngineStarted) {
        MMTTYKickoffTimer.stop();
        MMTTYAliveTimer.stop();
        post(mmtty::CmdClose, 0);
        if (WindowSubclassed) {
            platform::MsgInterceptor::Remove(host_.mainWindow(), PreviousWindowProc);
            WindowSubclassed = false;
        }
        block_.close();
        host_.setRttyModeButtonEnabled(false);
        tab_.MMTTYEnabled->setEnabled(false);
        MMTTYShutdownTimer.start();
        EngineStarted = false;
        endTransmission();
    }
    ShowControls(false);
}

void MMTTYModule::Terminate() {
    if (!EngineStarted) return;
    MMTTYKickoffTimer.stop();
    MMTTYAliveTimer.stop();
    post(mmtty::CmdClose, 0);
    if (WindowSubclassed) {
        platform::MsgInterceptor::Remove(host_.mainWindow(), PreviousWindowProc);
        WindowSubclassed = false;
    }
    block_.close();
    EngineStarted = false;
    endTransmission();
}

void MMTTYModule::endTransmission() {
    unechoed_.clear();
    if (EngineTransmitting) SetReceive();
}

bool MMTTYModule::EngineWindowExists() const {
    return platform::findWindow(mmtty::kEngineTitle) != 0;
}

bool MMTTYHost::engineExists() const {
    return platform::findWindow(mmtty::kEngineTitle) != 0;
}

void MMTTYModule::CheckShutdown() {
    if (host_.engineExists()) return;
    MMTTYWindow = 0;
    MMTTYShutdownTimer.stop();
    if (!host_.modemShutdownPending()) host_.setRttyModeButtonEnabled(true);
    tab_.MMTTYEnabled->setEnabled(true);
}

void MMTTYModule::EnabledChanged() {
    if (IgnoringMMTTYChanges) return;
    if (host_.rttyModeSelected() && tab_.MMTTYEnabled->isChecked())
        Enable();
    else
        Disable();
    SaveEnabled();
}

void MMTTYModule::SaveEnabled() {
    save("MMTTYEnabled", tab_.MMTTYEnabled->isChecked() ? "1" : "0");
}

void MMTTYModule::ShowControls(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             panel_.MMTTYAFCEnabledCheck, panel_.MMTTYNet, panel_.MMTTYSignalStrengthControl,
             panel_.MMTTYSquelchLabel, panel_.MMTTYSquelchThresholdDisplay, &waterfall_,
             &frequency_, panel_.XYDisplay})
        w->setVisible(visible);
    host_.setSinglePttModesEnabled(!visible);
    tab_.MMTTYConfigCmd->setEnabled(visible);
    if (visible) panel_.XYDisplay->setVisible(((DisplayWord >> mmtty::kDisplayBitXy) & 1u) != 0);
    host_.enginePathChanged();
}

// --- messages ----------------------------------------------------------------------------

int32_t MMTTYModule::WindowProc(platform::WindowHandle w, uint32_t msg, int32_t wParam,
                                int32_t lParam) {
    if (msg == MMTTYMessage) {
        switch (wParam) {
        case mmtty::RepHandle:
            if (lParam > 0 && EngineStarted) ExchangeHandles(lParam);
            break;
        case mmtty::RepChar:
            if (EngineTransmitting) echoed(lParam);
            SaveNewChar(lParam);
            MMTTYCharTimer.start();
            break;
        case mmtty::RepTransmit:
            if (lParam == 1)
                SetTransmit();
            else if (lParam == 0)
                SetReceive();
            break;
        case mmtty::RepSpeed:
            if (lParam < 1000 || lParam > 30000) break; // not a teleprinter speed
            Speed = lParam / 100.0;
            ignoring([&] {
                setTextColour(tab_.MMTTYSpeed, kBlack);
                tab_.MMTTYSpeed->setText(QString::number(Speed));
            });
            break;
        case mmtty::RepMark:
            if (lParam < 1 || lParam > 4000) break;
            MarkFrequency = lParam;
            ComputeMarkerPositions();
            UpdateReceiveFrequency();
            break;
        case mmtty::RepSpace:
            if (lParam < 1 || lParam > 4000) break;
            SpaceFrequency = lParam;
            ComputeMarkerPositions();
            break;
        case mmtty::RepSwitches:
            SwitchWord = static_cast<uint32_t>(lParam);
            if (!switchesInitialised_) {
                InitializeMMTTYParameters();
                switchesInitialised_ = true;
            } else {
                ignoring([&] {
                    panel_.MMTTYAFCEnabledCheck->setChecked(GetSwitch(mmtty::kBitAfc));
                    panel_.MMTTYNet->setChecked(GetSwitch(mmtty::kBitNet));
                    tab_.MMTTYReverseRcvCheck->setChecked(GetSwitch(mmtty::kBitReverse));
                    tab_.MMTTYReverseXmitCheck->setChecked(GetSwitch(mmtty::kBitReverse));
                    tab_.MMTTYUSOSCheck->setChecked(GetSwitch(mmtty::kBitUsos));
                });
                SaveMMTTYParameters();
            }
            break;
        case mmtty::RepLevel:
            SignalLevel = lParam;
            MMTTYLevelTimer.start();
            break;
        default:
            break;
        }
        return 0;
    }
    if (msg == platform::kUserMessage) {
        if (wParam == 0) MMTTYInitTimer.start();
        return 0;
    }
    return platform::callWindowProc(PreviousWindowProc, w, msg, wParam, lParam);
}

void MMTTYModule::SetTransmit() {
    if (host_.pttMode() == 4) host_.transceiverCommand("transmit");
    EngineTransmitting = true;
    panel_.RTTYTransmitFrame->setStyleSheet("QGroupBox { color: red; }");
    panel_.RTTYReceiveFrame->setStyleSheet("QGroupBox { color: black; }");
    panel_.RTTYStartCmd->setEnabled(false);
    panel_.RTTYIdCmd->setEnabled(false);
    panel_.RTTYStopCmd->setEnabled(true);
    panel_.RTTYAbortCmd->setEnabled(true);
}

void MMTTYModule::SetReceive() {
    if (host_.pttMode() == 4) host_.transceiverCommand("receive");
    EngineTransmitting = false;
    unechoed_.clear(); // what the engine had not sent is gone with the transmission
    panel_.RTTYTransmitFrame->setStyleSheet("QGroupBox { color: black; }");
    panel_.RTTYReceiveFrame->setStyleSheet("QGroupBox { color: black; }");
    panel_.RTTYStartCmd->setEnabled(true);
    panel_.RTTYIdCmd->setEnabled(false);
    panel_.RTTYStopCmd->setEnabled(false);
    panel_.RTTYAbortCmd->setEnabled(false);
    host_.transmissionEnded();
}

// --- received characters ------------------------------------------------------------------

void MMTTYModule::InitializeNewCharBuffer() {
    for (Entry& e : NewCharBuffer)
        e.valid = false;
    writeIndex_ = readIndex_ = 0;
}

void MMTTYModule::SaveNewChar(int32_t code) {
    if (code < 0 || code > 255) return;
    Entry& e = NewCharBuffer[writeIndex_];
    if (e.valid) return; // full: dropped until the drain frees entries
    e.ch = static_cast<uint8_t>(code);
    e.valid = true;
    e.transmitting = EngineTransmitting;
    writeIndex_ = (writeIndex_ + 1) % 4096;
}

int MMTTYModule::GetNewChar() {
    Entry& e = NewCharBuffer[readIndex_];
    if (!e.valid) return 0;
    e.valid = false;
    readTransmitting_ = e.transmitting;
    readIndex_ = (readIndex_ + 1) % 4096;
    return e.ch;
}

void MMTTYModule::HandleNewChar() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // The operator holds pane 0 (or a pane operation serves events inside a drain): the
    // characters wait in the ring.
    if (draining_) return;
    if (host_.charHandlerLocked()) {
        MMTTYLockRetryTimer.start();
        return;
    }
    draining_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{draining_};
    while (const int c = GetNewChar()) {
        if (readTransmitting_ != LastTransmitting) {
            host_.appendNewline(0);
            LastTransmitting = readTransmitting_;
            PendingLineEnd = 0;
        }
        if (c == 10 || c == 13) {
            const int other = c == 10 ? 13 : 10;
            if (PendingLineEnd == c) {
                host_.appendNewline(0);
            } else if (PendingLineEnd != other) {
                PendingLineEnd = c;
            } else {
                host_.appendNewline(0);
                PendingLineEnd = 0;
            }
        } else if (c == 8 && PendingLineEnd != 0) {
            PendingLineEnd = 0;
        } else if (c < 32 && c != 8) {
            PendingLineEnd = 0;
        } else {
            if (PendingLineEnd != 0) {
                host_.appendNewline(0);
                PendingLineEnd = 0;
            }
            host_.append(0, c,
                         readTransmitting_ ? host_.transmittedTextColor() : host_.paneColor(0));
        }
    }
}

// --- transmitting -------------------------------------------------------------------------

void MMTTYModule::SetKeyboardMode() {
    SwitchWord |= 1u << mmtty::kBitKeyboard;
    SwitchWord &= ~(1u << mmtty::kBitKeyboard18);
    if (tab_.MMTTYKeyboardButton[0]->isChecked())
        SwitchWord &= ~(1u << mmtty::kBitWordMode);
    else
        SwitchWord |= 1u << mmtty::kBitWordMode;
    SendSwitch();
}

void MMTTYModule::StartTransmit() {
    SetKeyboardMode();
    post(mmtty::CmdTransmit, 2);
}
void MMTTYModule::StopTransmit() {
    post(mmtty::CmdTransmit, 1);
}
void MMTTYModule::AbortTransmit() {
    post(mmtty::CmdTransmit, 0);
    unechoed_.clear(); // the engine drops its queue
}
void MMTTYModule::SendCharacter(int code) {
    if (code <= 0 || code > 255) return;
    post(mmtty::CmdChar, code);
    if (EngineStarted) unechoed_.push_back(static_cast<char>(code));
}

bool MMTTYModule::HasRoom() const {
    if (!EngineStarted) return false;
    if (unechoed_.size() < size_t(kSendWindow)) return true;
    // In word mode the engine holds a word until its end arrives: let the end through.
    const bool wordEnd = std::any_of(unechoed_.begin(), unechoed_.end(),
                                     [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
    return GetSwitch(mmtty::kBitWordMode) && !wordEnd && unechoed_.size() < size_t(kLongestWord);
}

// Echoes come back in the order the characters were posted; characters the engine cannot
// send (outside the teleprinter's alphabet) never do, and are passed over.
void MMTTYModule::echoed(int code) {
    const auto at = std::find(unechoed_.begin(), unechoed_.end(), static_cast<char>(code));
    if (at != unechoed_.end()) unechoed_.erase(unechoed_.begin(), at + 1);
}
void MMTTYModule::ShowEngineSetup() {
    post(mmtty::CmdSetup, 0);
}

// --- options and tones --------------------------------------------------------------------

void MMTTYModule::SetSwitch(int bit, bool on) {
    if (on)
        SwitchWord |= 1u << bit;
    else
        SwitchWord &= ~(1u << bit);
    SendSwitch();
}

void MMTTYModule::SetDisplay(int bit, bool on) {
    if (on)
        DisplayWord |= 1u << bit;
    else
        DisplayWord &= ~(1u << bit);
    SendDisplay();
    if (bit == mmtty::kDisplayBitXy) panel_.XYDisplay->setVisible(on && EngineStarted);
}

void MMTTYModule::SendSwitch() {
    post(mmtty::CmdSwitches, static_cast<int32_t>(SwitchWord));
}
void MMTTYModule::SendDisplay() {
    post(mmtty::CmdDisplay, static_cast<int32_t>(DisplayWord));
}
void MMTTYModule::SendSpeed() {
    post(mmtty::CmdSpeed, roundi(Speed * 100));
}
void MMTTYModule::SendSquelchThreshold() {
    post(mmtty::CmdSquelch, SquelchThreshold);
}

void MMTTYModule::SendMarkSpace() {
    post(mmtty::CmdMark, roundi(MarkFrequency));
    post(mmtty::CmdSpace, roundi(SpaceFrequency));
}

void MMTTYModule::SaveMarkSpace() {
    save("Mark", QString::number(MarkFrequency));
    save("Space", QString::number(SpaceFrequency));
}

void MMTTYModule::InitializeMMTTYParameters() {
    ignoring([&] {
        auto flag = [&](const char* key, const char* def) {
            return setting(key, def).toInt() != 0;
        };
        panel_.MMTTYAFCEnabledCheck->setChecked(flag("AFC", "1"));
        SetSwitch(mmtty::kBitAfc, panel_.MMTTYAFCEnabledCheck->isChecked());
        panel_.MMTTYNet->setChecked(flag("Net", "0"));
        SetSwitch(mmtty::kBitNet, panel_.MMTTYNet->isChecked());
        tab_.MMTTYReverseRcvCheck->setChecked(flag("ReverseRcv", "0"));
        tab_.MMTTYReverseXmitCheck->setChecked(flag("ReverseXmit", "0"));
        SetSwitch(mmtty::kBitReverse, tab_.MMTTYReverseRcvCheck->isChecked());
        tab_.MMTTYUSOSCheck->setChecked(flag("USOS", "1"));
        SetSwitch(mmtty::kBitUsos, tab_.MMTTYUSOSCheck->isChecked());
        SetSwitch(mmtty::kBitAlways, true);
        setTextColour(tab_.MMTTYSpeed, kBlack);
        Speed = 45.45;
        bool ok = false;
        const double stored = setting("MMTTYSpeed", "45.45").toDouble(&ok);
        if (ok && stored >= 10 && stored <= 300) Speed = stored;
        tab_.MMTTYSpeed->setText(QString::number(Speed));
        SendSpeed();
        const int mode = setting("KeyboardMode", "0").toInt() == 1 ? 1 : 0;
        tab_.MMTTYKeyboardButton[mode]->setChecked(true);
        DisplayWord = 0;
        tab_.MMTTYXYDisplayEnabled->setChecked(flag("XYDisplay", "1"));
        SetDisplay(mmtty::kDisplayBitXy, tab_.MMTTYXYDisplayEnabled->isChecked());
        SaveMMTTYParameters();
    });
}

void MMTTYModule::SaveMMTTYParameters() {
    auto b = [](const QAbstractButton* c) { return c->isChecked() ? QString("1") : QString("0"); };
    save("AFC", b(panel_.MMTTYAFCEnabledCheck));
    save("Net", b(panel_.MMTTYNet));
    save("ReverseRcv", b(tab_.MMTTYReverseRcvCheck));
    save("ReverseXmit", b(tab_.MMTTYReverseXmitCheck));
    save("USOS", b(tab_.MMTTYUSOSCheck));
    save("MMTTYSpeed", QString::number(Speed));
    save("KeyboardMode", tab_.MMTTYKeyboardButton[1]->isChecked() ? "1" : "0");
    save("XYDisplay", b(tab_.MMTTYXYDisplayEnabled));
}

void MMTTYModule::InitializeMarkSpace() {
    bool ok1 = false, ok2 = false;
    const double m = setting("Mark", "2125").toDouble(&ok1);
    const double s = setting("Space", "2295").toDouble(&ok2);
    MarkFrequency = ok1 && m >= 100 && m <= 3800 ? m : 2125;
    SpaceFrequency = ok2 && s >= 100 && s <= 3900 ? s : 2295;
    ComputeMarkerPositions();
    ShiftHz = roundi(std::fabs(SpaceFrequency - MarkFrequency));
    ignoring([&] { tab_.MMTTYShift->setText(QString::number(ShiftHz)); });
    SendMarkSpace();
}

void MMTTYModule::SetShift(int shift) {
    SpaceFrequency = shift + MarkFrequency;
    TransmitSpaceFrequency = shift + TransmitMarkFrequency;
    ShiftHz = shift;
    ComputeMarkerPositions();
    SendMarkSpace();
    SaveMarkSpace();
}

void MMTTYModule::ValidateSpeed() {
    if (IgnoringMMTTYChanges) return;
    Speed = 45.45;
    bool ok = false;
    const double v = tab_.MMTTYSpeed->text().trimmed().toDouble(&ok);
    if (ok && std::isfinite(v)) {
        Speed = v;
        setTextColour(tab_.MMTTYSpeed, kBlack);
    } else {
        setTextColour(tab_.MMTTYSpeed, kRed);
    }
}

void MMTTYModule::SendPTTPort() {
    QString name = "NONE";
    if (host_.pttMode() == 3 && host_.pttPort() > 0)
        name = "COM" + QString::number(host_.pttPort());
    if (!EngineStarted) return;
    block_.writeString(mmtty::kOffPttPort, mmtty::kPttPortSize, name.toStdString());
    post(mmtty::CmdPttPort, 0);
}

double MMTTYModule::offsetHz() const {
    return std::trunc(numberOr0(tab_.RTTYModeOffset[host_.transceiverIsLsb() ? 0 : 1]->text()));
}

void MMTTYModule::UpdateReceiveFrequency() {
    const double offset = offsetHz();
    const double qso = numberOr0(host_.qsoFrequency());
    const bool lsb = host_.transceiverIsLsb();
    auto at = [&](double mark) {
        return lsb ? qso - mark / 1000 + offset / 1000 : qso - mark / 1000 - offset / 1000;
    };
    const double receive = at(MarkFrequency);
    const double transmit = GetSwitch(mmtty::kBitNet) ? receive : at(TransmitMarkFrequency);
    panel_.RTTYReceiveFreq->setText(common::formatNumber(receive, u"#,###.000"));
    panel_.RTTYXmitFreq->setText(common::formatNumber(transmit, u"#,###.000"));
}

// --- displays -----------------------------------------------------------------------------

void MMTTYModule::ComputeMarkerPositions() {
    HzPerPixel = 4000.0 / (waterfall_.isPixelScale() ? 1023.0 : waterfall_.scaleWidth());
    const double tones[4] = {MarkFrequency, SpaceFrequency, TransmitMarkFrequency,
                             TransmitSpaceFrequency};
    for (int i = 0; i < 4; ++i)
        markers_[size_t(i)] = roundi((4000 - tones[i]) / HzPerPixel);
}

void MMTTYModule::SetFrequencyFromWaterfall(double x) {
    markers_[0] = roundi(x);
    MarkFrequency = 4000 - markers_[0] * HzPerPixel;
    SpaceFrequency = ShiftHz + MarkFrequency;
    markers_[1] = roundi((4000 - SpaceFrequency) / HzPerPixel);
    SendMarkSpace();
    SaveMarkSpace();
}

void MMTTYModule::SetOptimalReceiveFrequency() {
    const double q = numberOr0(host_.qsoFrequency()) - (MarkFrequency - 2125) / 1000;
    const bool afc = panel_.MMTTYAFCEnabledCheck->isChecked();
    if (afc) SetSwitch(mmtty::kBitAfc, false);
    MarkFrequency = 2125;
    SpaceFrequency = 2125 + ShiftHz;
    ComputeMarkerPositions();
    UpdateReceiveFrequency();
    host_.tuneTransceiver(q);
    host_.qsoFrequencyChanged();
    if (afc) SetSwitch(mmtty::kBitAfc, true);
}

void MMTTYModule::ComputeSquelchThreshold(double x) {
    const double w = panel_.MMTTYSignalStrengthControl->scaleWidth();
    SquelchThreshold = std::clamp(roundi(x / w * 1000), 0, 1000);
    UpdateSquelchThreshold();
    host_.focusKeyboard();
}

void MMTTYModule::UpdateSquelchThreshold() {
    panel_.MMTTYSquelchThresholdDisplay->setText(QString::number(SquelchThreshold / 10));
    SendSquelchThreshold();
    DisplayRcvSquelchThreshold();
    save("SquelchThreshold", QString::number(SquelchThreshold));
}

void MMTTYModule::DisplayRcvSquelchThreshold() {
    platform::PictureBox& bar = *panel_.MMTTYSignalStrengthControl;
    const double w = bar.scaleWidth(), h = bar.scaleHeight();
    const int xs = roundi(SquelchThreshold / 1000.0 * w);
    bar.fillBox(xs - 10, 0, xs + 10, h - 1, kBlue);
}

void MMTTYModule::UpdateSignalStrength() {
    platform::PictureBox& bar = *panel_.MMTTYSignalStrengthControl;
    const double w = bar.scaleWidth(), h = bar.scaleHeight();
    const int level = std::clamp(SignalLevel & 0xFFFF, 0, 1000);
    const int colour = level < SquelchThreshold ? kRed : kYellow;
    const int x = roundi(level / 1000.0 * w);
    bar.fillBox(0, 0, x, h - 1, colour);
    bar.fillBox(x, 0, w, h - 1, kBlack);
    DisplayRcvSquelchThreshold();
    if (!block_.isOpen()) return;
    if (block_.readInt(mmtty::kOffSpectrumReady) == 1) {
        UpdateWaterfallDisplay();
        block_.writeInt(mmtty::kOffSpectrumReady, 0);
    }
    if (block_.readInt(mmtty::kOffXyReady) == 1) {
        UpdateXYDisplay();
        block_.writeInt(mmtty::kOffXyReady, 0);
    }
}

void MMTTYModule::DrawMarker(int column, int colour, int w) {
    const double xs = waterfall_.pixelWidth() / waterfall_.scaleWidth();
    const int x = roundi(xs * column);
    if (w < 1) {
        waterfall_.setPixel(x, 0, colour);
        return;
    }
    waterfall_.setPixel(x - w, 0, kBlack);
    waterfall_.setPixel(x + w, 0, kBlack);
    for (int i = x - w + 1; i < x + w; ++i)
        waterfall_.setPixel(i, 0, colour);
}

void MMTTYModule::UpdateWaterfallDisplay() {
    // The engine's values are trusted for nothing: each is clamped before it is drawn.
    auto bin = [&](int k) {
        return std::clamp(block_.readInt(mmtty::kOffSpectrum + 4 * size_t(k)), 0, 100000);
    };
    const int intensity = tab_.MMTTYRcvIntensitySlider->value();
    const double xs = waterfall_.pixelWidth() / waterfall_.scaleWidth();
    const int trace = tab_.MMTTYWaterfallTraceWidthSlider->value() - 1;
    const bool net = panel_.MMTTYNet->isChecked();
    if (!tab_.MMTTYRcvDisplayButton[1]->isChecked()) {
        const int pw = waterfall_.pixelWidth(), ph = waterfall_.pixelHeight();
        waterfall_.blockCopy(0, 1, pw, ph - 1, 0, 0);
        for (int i = 0; i < 1024; ++i) {
            const int v = std::min(255, roundi(intensity / 5.0 * 4 * bin(1023 - i)));
            waterfall_.setPixel(roundi(xs * i), 0, host_.waterfallColor(v));
        }
        if (!net) {
            DrawMarker(markers_[2], kRed, trace);
            DrawMarker(markers_[3], kRed, trace);
        }
        DrawMarker(markers_[0], host_.paneColor(0), trace);
        DrawMarker(markers_[1], host_.paneColor(0), trace);
        return;
    }
    waterfall_.fill(kBlack);
    const int colour = host_.spectrumColor();
    const double sh = waterfall_.scaleHeight();
    const double ys = waterfall_.pixelHeight() / sh;
    waterfall_.moveTo(0, waterfall_.pixelHeight());
    for (int i = 1; i < 1024; ++i) {
        waterfall_.setForeColor(colour);
        waterfall_.lineTo(roundi(xs * i), roundi((sh - intensity / 10.0 * bin(1023 - i)) * ys));
    }
    auto bar = [&](int column, int c) {
        const int x = roundi(xs * column);
        waterfall_.fillPixels(x, 0, x, waterfall_.pixelHeight() - 1, c);
    };
    if (!net) {
        bar(markers_[2], kRed);
        bar(markers_[3], kRed);
    }
    bar(markers_[0], host_.paneColor(0));
    bar(markers_[1], host_.paneColor(0));
}

void MMTTYModule::UpdateXYDisplay() {
    platform::PictureBox& xy = *panel_.XYDisplay;
    xy.fill(kBlack);
    const double cx = xy.pixelWidth() / 2.0, cy = xy.pixelHeight() / 2.0, scale = cx / 20000;
    const int colour = host_.spectrumColor();
    for (int i = 0; i < mmtty::kXyPoints; ++i) {
        const int32_t vx =
            std::clamp(block_.readInt(mmtty::kOffXyX + 4 * size_t(i)), -40000, 40000);
        const int32_t vy =
            std::clamp(block_.readInt(mmtty::kOffXyY + 4 * size_t(i)), -40000, 40000);
        const int x = roundi(scale * vx + cx), y = roundi(scale * vy + cy);
        xy.setPixel(x, y, colour);
    }
}

void MMTTYModule::DrawFrequencyScale() {
    if (!EngineStarted) return;
    frequency_.clear();
    frequency_.setScale(waterfall_.isPixelScale() ? 1023 : waterfall_.scaleWidth(), 30);
    const double q = std::max(4.0, numberOr0(host_.qsoFrequency()));
    double f = q * 1000 - 4000 - offsetHz();
    bool ticked = false;
    const double width = frequency_.scaleWidth();
    auto near = [&](double step) {
        const double r = std::fmod(f, step);
        return std::min(std::fabs(r), std::fabs(step - std::fabs(r))) < HzPerPixel;
    };
    frequency_.setForeColor(kBlack);
    for (int x = 0; x <= width; ++x, f += HzPerPixel) {
        if (ticked) {
            ticked = false;
            continue;
        }
        int len = 0;
        if (near(1000))
            len = 20;
        else if (near(500))
            len = 10;
        else if (near(100))
            len = 5;
        if (!len) continue;
        frequency_.line(x, 30, x, 30 - len * 0.6, kBlack);
        if (len == 20)
            frequency_.drawText(x, 0,
                                QString::number(int64_t(common::roundHalfEven(f + 500)) / 1000));
        ticked = true;
    }
}

void MMTTYModule::DisplaySoundcardName() {
    const int n = host_.soundInputCount();
    tab_.SoundCard->setText(n < 2 ? (n == 1 ? host_.soundInputName(0) : QString()) : "multiple");
}

void MMTTYModule::InitializeRcvIntensity() {
    QSlider* s = tab_.MMTTYRcvIntensitySlider;
    s->setRange(1, 10);
    s->setSingleStep(1);
    s->setPageStep(2);
    s->setTickInterval(2);
    const int v = std::clamp(setting("RcvIntensity", "5").toInt(), 1, 10);
    s->setValue(v);
    tab_.MMTTYRcvIntensityDisplay->setText(QString::number(v));
    save("RcvIntensity", QString::number(v));
}

void MMTTYModule::InitializeRcvDisplay() {
    const int v = setting("RcvDisplay", "0").toInt() == 1 ? 1 : 0;
    tab_.MMTTYRcvDisplayButton[v]->setChecked(true);
    save("RcvDisplay", QString::number(v));
}

void MMTTYModule::InitializeRTTYXcvrMode() {
    const int v = setting("RTTYXcvrMode", "").toInt() == 1 ? 1 : 0;
    ignoring([&] { tab_.MMTTYModeButton[v]->setChecked(true); });
}

void MMTTYModule::ConnectControls() {
    connect(tab_.MMTTYEnabled, &QCheckBox::clicked, this, &MMTTYModule::EnabledChanged);
    connect(panel_.MMTTYAFCEnabledCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (IgnoringMMTTYChanges) return;
        SetSwitch(mmtty::kBitAfc, on);
        SaveMMTTYParameters();
    });
    connect(panel_.MMTTYNet, &QCheckBox::toggled, this, [this](bool on) {
        if (IgnoringMMTTYChanges) return;
        SetSwitch(mmtty::kBitNet, on);
        UpdateReceiveFrequency();
        SaveMMTTYParameters();
    });
    for (QCheckBox* box : {tab_.MMTTYReverseRcvCheck, tab_.MMTTYReverseXmitCheck}) {
        connect(box, &QCheckBox::toggled, this, [this, box](bool on) {
            if (IgnoringMMTTYChanges) return;
            SetSwitch(mmtty::kBitReverse, on);
            QCheckBox* other = box == tab_.MMTTYReverseRcvCheck ? tab_.MMTTYReverseXmitCheck
                                                                : tab_.MMTTYReverseRcvCheck;
            ignoring([&] { other->setChecked(on); });
            SaveMMTTYParameters();
        });
    }
    connect(tab_.MMTTYUSOSCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (IgnoringMMTTYChanges) return;
        SetSwitch(mmtty::kBitUsos, on);
        SaveMMTTYParameters();
    });
    connect(tab_.MMTTYXYDisplayEnabled, &QCheckBox::toggled, this, [this](bool on) {
        if (IgnoringMMTTYChanges) return;
        SetDisplay(mmtty::kDisplayBitXy, on);
        SaveMMTTYParameters();
    });
    connect(tab_.MMTTYSpeed, &QLineEdit::textChanged, this, &MMTTYModule::ValidateSpeed);
    connect(tab_.MMTTYShift, &QLineEdit::editingFinished, this, [this] {
        if (IgnoringMMTTYChanges) return;
        bool ok = false;
        const int shift = tab_.MMTTYShift->text().trimmed().toInt(&ok);
        if (ok && shift >= 20 && shift <= 1000) SetShift(shift);
    });
    for (int i = 0; i < 2; ++i) {
        connect(tab_.MMTTYKeyboardButton[i], &QRadioButton::clicked, this,
                [this] { SaveMMTTYParameters(); });
        connect(tab_.MMTTYRcvDisplayButton[i], &QRadioButton::clicked, this, [this] {
            save("RcvDisplay", tab_.MMTTYRcvDisplayButton[0]->isChecked() ? "0" : "1");
        });
        connect(tab_.MMTTYModeButton[i], &QRadioButton::clicked, this, [this] {
            if (IgnoringMMTTYChanges) return;
            save("RTTYXcvrMode", tab_.MMTTYModeButton[1]->isChecked() ? "1" : "0");
            UpdateReceiveFrequency();
        });
        connect(tab_.RTTYModeOffset[i], &QLineEdit::textChanged, this,
                &MMTTYModule::UpdateReceiveFrequency);
    }
    connect(tab_.MMTTYRcvIntensitySlider, &QSlider::valueChanged, this, [this](int v) {
        tab_.MMTTYRcvIntensityDisplay->setText(QString::number(v));
        save("RcvIntensity", QString::number(v));
    });
    connect(tab_.MMTTYConfigCmd, &QPushButton::clicked, this, &MMTTYModule::ShowEngineSetup);
    connect(panel_.MMTTYSignalStrengthControl, &platform::PictureBox::mousePressed, this,
            [this](double x, double, Qt::MouseButton, Qt::KeyboardModifiers) {
                ComputeSquelchThreshold(x);
            });
}

} // namespace rtty
