#include "RTTYModemModule.h"

#include <common/Convert.h>
#include <common/Format.h>
#include <platform/SettingsStore.h>

#include <QDir>

namespace rtty {

namespace {
const QString kSection = QStringLiteral("RTTYModem");
using Cmd = ModemParameters::Command;
} // namespace

RTTYModemModule::RTTYModemModule(RTTYModemHost& host, QObject* parent)
    : QObject(parent), host_(host),
      Comm(host.settings(), [&host](const QString& text) { host.messageBox(text); }), Params(host) {
    ShutdownTimer.setSingleShot(true);
    ShutdownTimer.setInterval(kShutdownDelayMs);
    connect(&ShutdownTimer, &QTimer::timeout, this, &RTTYModemModule::CheckShutdown);
    MoreInputTimer.setSingleShot(true);
    MoreInputTimer.setInterval(0);
    connect(&MoreInputTimer, &QTimer::timeout, this, &RTTYModemModule::HandleModemInput);
    LockRetryTimer.setSingleShot(true);
    LockRetryTimer.setInterval(kLockRetryMs);
    connect(&LockRetryTimer, &QTimer::timeout, this, &RTTYModemModule::HandleModemInput);
    connect(&Comm, &RTTYComm::received, this, &RTTYModemModule::HandleModemInput);
    connect(&Comm, &RTTYComm::lost, this, &RTTYModemModule::portLost);
}

RTTYModemModule::~RTTYModemModule() = default;

bool RTTYModemModule::setting(const char* key) const {
    return host_.settings().getSetting(kSection, key, "0").trimmed() == QLatin1String("1");
}

void RTTYModemModule::save(const char* key, bool on) {
    host_.settings().saveSetting(kSection, key, on ? "1" : "0");
}

void RTTYModemModule::write(Cmd c) {
    Comm.WritePort(Params.command(c));
}

// --- life cycle -------------------------------------------------------------------------

void RTTYModemModule::Initialize() {
    ModemEnabled = false;
    Comm.InitializePort();
    save("RTTYModemEnabled", setting("RTTYModemEnabled"));
    bool number = false;
    Mode = host_.settings().getSetting(kSection, "RTTYMode").trimmed().toInt(&number);
    if (!number || (Mode != 0 && Mode != 1)) Mode = 0;
    for (const char* key : {"RTTYModemUSOS", "RTTYModemTransmitReverse", "RTTYModemReceiveReverse"})
        save(key, setting(key));
    InitializeModemModels();
    SpeedLabel = host_.settings().getSetting(kSection, "RTTYModemBaud");
    ShiftLabel = host_.settings().getSetting(kSection, "RTTYModemShift");
}

QStringList RTTYModemModule::InitializeModemModels() {
    Model = host_.settings().getSetting(kSection, "RTTYModemModel");
    QStringList models;
    const QStringList files =
        QDir(host_.modemFolder()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString& name : files)
        models << name.chopped(4);
    host_.settings().saveSetting(kSection, "RTTYModemModel", Model);
    return models;
}

void RTTYModemModule::SelectModel(const QString& model) {
    Model = model;
    ReadParameterFile();
    host_.settings().saveSetting(kSection, "RTTYModemModel", Model);
}

bool RTTYModemModule::ReadParameterFile() {
    const bool ok = Params.ReadParameterFile(host_.modemFolder(), Model);
    host_.updatePanels(); // RTTYIdCmd follows the new "idcmd"
    return ok;
}

void RTTYModemModule::Enable() {
    InitializeModemModels();
    if (ShutdownTimer.isActive()) {
        // The port is still closing: open it again once it has been closed.
        EnableAfterShutdown = true;
        return;
    }
    if (host_.rttyModeSelected() && setting("RTTYModemEnabled")) {
        PendingLineEnd = 0;
        ModemTransmitting = LastTransmitting = StopPending = false;
        EchoCount = 0;
        ModemEnabled = Comm.OpenPort() && ReadParameterFile();
        if (!ModemEnabled) {
            // A port without a usable parameter file is not kept from other programs.
            Comm.ClosePort();
            host_.setEnabledBox(false);
            save("RTTYModemEnabled", false);
        } else {
            Comm.ClearPortInput();
            write(ModemParameters::InitCmd);
            write(ModemParameters::RttyCmd);
            SendReceiveReverse(setting("RTTYModemReceiveReverse"));
            SendTransmitReverse(setting("RTTYModemTransmitReverse"));
            SendUSOS(setting("RTTYModemUSOS"));
            SendSpeed();
            SendShift();
        }
    }
    save("RTTYModemEnabled", setting("RTTYModemEnabled"));
    host_.updatePanels();
}

void RTTYModemModule::Disable() {
    EnableAfterShutdown = false;
    if (ModemEnabled) {
        host_.setRttyModeButtonEnabled(false);
        host_.setEnabledBoxEnabled(false);
        write(ModemParameters::CmdCmd);
        ShutdownTimer.start();
    }
    if (ModemTransmitting) SetReceive();
    ModemEnabled = false;
    host_.updatePanels();
}

void RTTYModemModule::CheckShutdown() {
    ShutdownTimer.stop();
    Comm.ClosePort();
    if (!host_.engineShutdownPending()) host_.setRttyModeButtonEnabled(true);
    host_.setEnabledBoxEnabled(true);
    if (EnableAfterShutdown) {
        EnableAfterShutdown = false;
        Enable();
    }
}

void RTTYModemModule::Terminate() {
    ShutdownTimer.stop();
    EnableAfterShutdown = false;
    if (ModemEnabled) {
        host_.setRttyModeButtonEnabled(false);
        host_.setEnabledBoxEnabled(false);
        write(ModemParameters::CmdCmd);
    }
    // Also what a disable just before queued: the modem hears its last command.
    Comm.DrainOutput(kDrainTimeoutMs);
    save("RTTYModemControlChars", setting("RTTYModemControlChars"));
    ModemEnabled = false;
    Comm.ClosePort();
}

void RTTYModemModule::EnabledChanged(bool checked) {
    save("RTTYModemEnabled", checked);
    if (host_.rttyModeSelected() && checked)
        Enable();
    else
        Disable();
}

void RTTYModemModule::portLost(const QString& reason) {
    host_.messageBox(QStringLiteral("Com%1 is no longer available (%2); the external RTTY "
                                    "modem has been switched off")
                         .arg(Comm.port())
                         .arg(reason));
    if (ModemTransmitting || StopPending) SetReceive();
    ModemEnabled = false;
    host_.setEnabledBox(false);
    save("RTTYModemEnabled", false);
    host_.updatePanels();
}

// --- choices and switches -----------------------------------------------------------------

void RTTYModemModule::sendChoice(const QString& label,
                                 const QList<ModemParameters::Choice>& choices) {
    if (label.isEmpty()) return;
    for (const ModemParameters::Choice& c : choices)
        if (c.label == label) {
            Comm.WritePort(Params.valueAt(c.position));
            return;
        }
}

void RTTYModemModule::SendSpeed() {
    sendChoice(SpeedLabel, Params.speeds());
}
void RTTYModemModule::SendShift() {
    sendChoice(ShiftLabel, Params.shifts());
}

void RTTYModemModule::SelectSpeed(const QString& label) {
    if (label.isEmpty()) return;
    SpeedLabel = label;
    SendSpeed();
    host_.settings().saveSetting(kSection, "RTTYModemBaud", label);
}

void RTTYModemModule::SelectShift(const QString& label) {
    if (label.isEmpty()) return;
    ShiftLabel = label;
    SendShift();
    host_.settings().saveSetting(kSection, "RTTYModemShift", label);
}

void RTTYModemModule::sendSwitch(const char* key, bool on, Cmd onCmd, Cmd offCmd) {
    write(on ? onCmd : offCmd);
    save(key, on);
}

void RTTYModemModule::SendReceiveReverse(bool on) {
    sendSwitch("RTTYModemReceiveReverse", on, ModemParameters::RxRevOnCmd,
               ModemParameters::RxRevOffCmd);
}

void RTTYModemModule::SendTransmitReverse(bool on) {
    sendSwitch("RTTYModemTransmitReverse", on, ModemParameters::TxRevOnCmd,
               ModemParameters::TxRevOffCmd);
}

void RTTYModemModule::SendUSOS(bool on) {
    sendSwitch("RTTYModemUSOS", on, ModemParameters::UsosOnCmd, ModemParameters::UsosOffCmd);
}

void RTTYModemModule::SaveRTTYMode(int mode) {
    Mode = mode == 1 ? 1 : 0;
    host_.settings().saveSetting(kSection, "RTTYMode", QString::number(Mode));
}

void RTTYModemModule::UpdateReceiveFrequency() {
    double kHz = 0;
    try {
        kHz = common::parseDouble(host_.qsoFrequency());
    } catch (...) {
        kHz = 0; // a frequency that is no number shows as zero
    }
    const QString text = common::formatNumber(kHz, u"#,###.000");
    host_.showFrequencies(text, text);
}

// --- receiving ------------------------------------------------------------------------------

void RTTYModemModule::showChar(int c) {
    const auto newline = [this] { host_.appendNewline(ReceivePane()); };
    if (c == 10 || c == 13) {
        const int other = c == 10 ? 13 : 10;
        if (PendingLineEnd == c) {
            newline();
        } else if (PendingLineEnd != other) {
            PendingLineEnd = c;
        } else {
            newline();
            PendingLineEnd = 0;
        }
    } else if (c < 32) {
        // A backspace only cancels a pending line end; other control codes are dropped.
        PendingLineEnd = 0;
    } else {
        if (PendingLineEnd != 0) {
            newline();
            PendingLineEnd = 0;
        }
        host_.append(ReceivePane(), c,
                     ModemTransmitting ? host_.transmittedTextColor()
                                       : host_.paneColor(ReceivePane()));
    }
}

void RTTYModemModule::HandleModemInput() {
    // While the operator holds the pane the bytes wait in the port; they are looked at
    // again shortly, as nothing else may arrive to wake the drain.
    if (host_.charHandlerLocked()) {
        if (Comm.InputWaiting()) LockRetryTimer.start();
        return;
    }
    const QString text = Comm.ReadPort(kReadChunk);
    // A timer rather than a posted call: posted calls go before timers and input, and a
    // chain of them would starve the window just the same.
    if (Comm.InputWaiting()) MoreInputTimer.start();
    for (const QChar ch : text) {
        if (ModemTransmitting != LastTransmitting) {
            host_.appendNewline(ReceivePane());
            LastTransmitting = ModemTransmitting;
            PendingLineEnd = 0;
        }
        showChar(ch.unicode());
        if (ModemTransmitting || StopPending) {
            --EchoCount;
            if (StopPending && EchoCount <= 0) SetReceive();
        }
    }
}

// --- transmitting -------------------------------------------------------------------------

void RTTYModemModule::StartTransmit() {
    if (!ModemEnabled) return;
    write(ModemParameters::XmitCmd);
    Comm.ClearPortInput();
    SetTransmit(static_cast<int>(Params.command(ModemParameters::XmitCmd).size()));
}

void RTTYModemModule::SetTransmit(int count) {
    ModemTransmitting = true;
    StopPending = false;
    EchoCount = count;
    host_.showTransmitting(true);
}

void RTTYModemModule::SendCharacter(int code) {
    if (!ModemEnabled) return;
    ++EchoCount;
    Comm.WritePort(QString(QChar(code)));
}

bool RTTYModemModule::HasRoom() const {
    if (!ModemEnabled) return false;
    return (ModemTransmitting ? EchoCount : Comm.pendingOutput()) < kSendWindow;
}

void RTTYModemModule::StopRequest() {
    if (EchoCount > 0)
        StopPending = true;
    else
        SetReceive();
}

void RTTYModemModule::StopTransmit() {
    if (!ModemEnabled) return;
    write(ModemParameters::RcvCmd);
    StopRequest();
}

void RTTYModemModule::SendIdentification() {
    if (!ModemEnabled) return;
    write(ModemParameters::IdCmd);
    StopRequest();
}

void RTTYModemModule::AbortTransmit() {
    if (!ModemEnabled) return;
    write(ModemParameters::AbortCmd);
    Comm.ClearPortInput();
    SetReceive();
}

void RTTYModemModule::SetReceive() {
    ModemTransmitting = false;
    StopPending = false;
    EchoCount = 0;
    host_.showTransmitting(false);
    host_.transmissionEnded();
}

} // namespace rtty
