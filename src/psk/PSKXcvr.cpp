#include "PSKXcvr.h"
#include "PSKCoreMsgHandler.h"
#include <common/Common.h>
#include <common/Trap.h>
#include <common/PSKEvent.h>
#include <platform/MsgInterceptor.h>
#include <platform/Services.h>

namespace psk {

namespace {
constexpr int kRed = 255;
const char* boolWord(bool b) { return b ? "True" : "False"; }
} // namespace

PSKXcvr::PSKXcvr(const PSKSpec& engine, PskHost& host, platform::Services& services,
                 common::Common& common, common::PSKEvent& event)
    : engine_(engine), host_(host), services_(services), common_(common), event_(event) {}

PSKXcvr::~PSKXcvr() = default;

QString PSKXcvr::whereWithFlag(const char* procedure) const {
    return QString::fromLatin1(procedure) + QStringLiteral("; InterceptionStarted = ") +
           boolWord(interceptionStarted_);
}

template <class F> void PSKXcvr::trap(const char* where, F&& body) {
    common::guard(common_, where, std::forward<F>(body));
}

QString PSKXcvr::StatusText(int32_t code) {
    switch (code) {
    case 0:
    case 1:
    case 3:
        return {};
    case 2:
        return QStringLiteral("CPU too slow in responding; soundcard has been reset");
    case 10:
        return QStringLiteral("memory allocation error");
    case 11:
        return QStringLiteral("tried to read but soundcard is not open");
    case 12:
        return QStringLiteral("input buffer overflow");
    case 13:
        return QStringLiteral("input buffer timeout");
    case 14:
        return QStringLiteral("tried to write but soundcard is not open");
    case 15:
        return QStringLiteral("output buffer underflow");
    case 16:
        return QStringLiteral("output buffer timeout");
    case 17:
        return QStringLiteral("soundcard doesn't support 16-bit 8000hz mono sampling");
    case 18:
        return QStringLiteral("soundcard is busy");
    case 19:
        return QStringLiteral("header not prepared");
    default:
        return QStringLiteral("unknown status change");
    }
}

void PSKXcvr::Initialize() {
    common::guard(common_, [&] { return whereWithFlag("PSKXcvr.Initialize"); }, [&] {
        host_.setPskControlsVisible(false);
        pskEnabled_ = false;
        interceptionStarted_ = false;
        host_.hideReceiveStatus();
        host_.setIdentificationLabelsVisible(false);
        InitializeNewCharBuffer();
        InitializeTimers();
        SetReceive();
        SetActiveChannel(0);
        InitializeSettings();
        SetActiveChannel(0);
    });
}

void PSKXcvr::InitializeTimers() {
    trap("PSKXcvr.InitializeTimers", [&] {
        PskTimers& t = host_.pskTimers();
        t.ReceiveStatusTimer.stop();
        for (QTimer* timer : {&t.DataTimer, &t.CharTimer[0], &t.CharTimer[1], &t.CharTimer[2],
                              &t.CharTimer[3], &t.StatusTimer, &t.IMDTimer}) {
            timer->stop();
            timer->setInterval(1);
            timer->setSingleShot(true);
        }
        for (QTimer& id : t.IdentificationTimer) {
            id.stop();
            id.setInterval(60000);
        }
        t.IMDBlankingTimer.stop();
        t.IMDBlankingTimer.setInterval(3000);
    });
}

void PSKXcvr::InitializeSettings() {
    InitializeCallsign();
    InitializeSoundCard();
}

void PSKXcvr::InitializeCallsign() {
    trap("PSKXcvr.InitializeCallsign", [&] {
        QString call = services_.settings.getSetting("General", "Callsign", QString()).trimmed();
        // The identification rules need a callsign: keep asking until there is one.
        while (call.isEmpty()) {
            auto answer = services_.dialogs.inputBox(
                QStringLiteral("Welcome to Tonedeck - please specify your callsign: "),
                QStringLiteral("Tonedeck initialization"));
            if (answer) call = answer->trimmed();
        }
        host_.setMyCallsign(call);
        services_.settings.saveSetting("General", "Callsign", call);
    });
}

void PSKXcvr::InitializeSoundCard() {
    trap("PSKXcvr.InitializeSoundCard", [&] {
        bool ok = false;
        int index = services_.settings.getSetting("SoundCard", "Soundcard", "-1").toInt(&ok);
        if (!ok || index < -1 || index > 3) index = -1;
        soundCardIndex_ = index;
        services_.settings.saveSetting("SoundCard", "Soundcard", QString::number(index));
    });
}

void PSKXcvr::Enable() {
    if (!host_.pskModeSelected()) return;
    common::guard(common_, [&] { return whereWithFlag("PSKXcvr.Enable"); }, [&] {
        host_.setPskControlsVisible(true);
        previousWindowProc_ = platform::MsgInterceptor::Install(host_.messageWindow(),
                                                                PSKCoreMsgHandler::For(*this));
        interceptionStarted_ = true;
        int32_t code = engine_.fnStartSoundCard(host_.messageWindow().handle(), soundCardIndex_, 3);
        if (code != 0) {
            services_.dialogs.messageBox(
                QStringLiteral("unable to start soundcard - error code: ") + QString::number(code),
                QStringLiteral("Tonedeck"));
            return;
        }
        pskEnabled_ = true;
    });
}

void PSKXcvr::Disable() {
    common::guard(common_, [&] { return whereWithFlag("PSKXcvr.Disable"); }, [&] {
        if (pskEnabled_) {
            engine_.fnStopSoundCard();
            pskEnabled_ = false;
        }
        if (interceptionStarted_) {
            platform::MsgInterceptor::Remove(host_.messageWindow(), previousWindowProc_);
            previousWindowProc_ = nullptr;
            interceptionStarted_ = false;
        }
        host_.setPskControlsVisible(false);
    });
}

void PSKXcvr::Terminate() {}

void PSKXcvr::SaveNewChar(int32_t character, int32_t channel) {
    trap("PSKXcvr.SaveNewChar", [&] {
        if (channel < -1 || channel > 2)
            throw common::RuntimeError(9); // subscript out of range
        if (character < 0 || character > 255) throw common::RuntimeError(6); // overflow
        if (!rings_[channel + 1].put(static_cast<uint8_t>(character))) {
            host_.showReceiveStatus(kRed, QStringLiteral("input buffer overflow"));
            host_.pskTimers().ReceiveStatusTimer.start();
        }
    });
}

uint8_t PSKXcvr::GetNewChar(int channel) {
    uint8_t c = 0;
    trap("PSKXcvr.GetNewChar", [&] {
        if (channel < -1 || channel > 2) throw common::RuntimeError(9);
        c = rings_[channel + 1].get();
    });
    return c;
}

void PSKXcvr::SaveNewStatus(int32_t code) {
    trap("PSKXcvr.SaveNewStatus", [&] { lastStatus_ = code; });
}

void PSKXcvr::SaveNewIMD(int32_t value, int32_t channel) {
    trap("PSKXcvr.SaveNewIMD", [&] {
        imdValue_ = value;
        imdChannel_ = channel;
    });
}

void PSKXcvr::HandleNewStatus() {
    trap("PSKXcvr.HandleNewStatus", [&] {
        const int32_t code = lastStatus_;
        if (code == 0) {
            SetReceive();
            return;
        }
        if (code == 1 || code == 3) {
            SetTransmit();
            return;
        }
        const QString text = StatusText(code);
        if (code == 2) {
            host_.showReceiveStatus(kRed, text);
            host_.pskTimers().ReceiveStatusTimer.start();
        }
        event_.LogEvent(QStringLiteral("from PSKCore.DLL: ") + text);
    });
}

void PSKXcvr::HandleNewIMDInfo() {}

void PSKXcvr::InitializeNewCharBuffer() {
    trap("PSKXcvr.InitializeNewCharBuffer", [&] {
        for (CharRing& r : rings_) r.clear();
    });
}

void PSKXcvr::SetActiveChannel(int channel) {
    trap("PSKXcvr.SetActiveChannel", [&] {
        if (transmitting_) return;
        if (channel < 0 || channel > 2) throw common::RuntimeError(9);
        activeChannel_ = channel;
    });
}

void PSKXcvr::SetTransmit() {
    trap("PSKXcvr.SetTransmit", [&] {
        transmitting_ = true;
        host_.showTransmitState(true);
    });
}

void PSKXcvr::SetReceive() {
    trap("PSKXcvr.SetReceive", [&] {
        transmitting_ = false;
        host_.showTransmitState(false);
    });
}

void PSKXcvr::Replay() {
    trap("PSKXcvr.Replay", [&] { engine_.fnRewindInput(99); });
}

} // namespace psk
