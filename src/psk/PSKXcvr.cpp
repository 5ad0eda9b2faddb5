#include "PSKCoreMsgHandler.h"
#include "PSKXcvrInternal.h"
#include <common/PSKEvent.h>
#include <common/Version.h>
#include <platform/MsgInterceptor.h>
#include <platform/Services.h>
#include <QLabel>
#include <QLineEdit>

namespace psk {

namespace {
const char* boolWord(bool b) {
    return b ? "True" : "False";
}
} // namespace

PSKXcvr::PSKXcvr(const PSKSpec& engine, PskHost& host, platform::Services& services,
                 common::Common& common, common::PSKEvent& event)
    : engine_(engine), host_(host), services_(services), common_(common), event_(event) {}

PSKXcvr::~PSKXcvr() = default;

QString PSKXcvr::whereWithFlag(const char* procedure) const {
    return QString::fromLatin1(procedure) + QStringLiteral("; InterceptionStarted = ") +
           boolWord(interceptionStarted_);
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
    common::guard(
        common_, [&] { return whereWithFlag("PSKXcvr.Initialize"); },
        [&] {
            // A PTT line left keyed by a previous run is released before anything else.
            bool ok = false;
            const int mode =
                services_.settings.getSetting("Transmitter", "PTTMode", "-1").toInt(&ok);
            if (ok && mode != -1 && mode != 0) {
                const int port =
                    services_.settings.getSetting("Transmitter", "PTTPort", "-1").toInt(&ok);
                if (ok && port != -1) host_.resetPttPort(port);
            }
            host_.setPskControlsVisible(false);
            pskEnabled_ = false;
            interceptionStarted_ = false;
            host_.hideReceiveStatus();
            for (QLabel* id : c().XmitStatus)
                id->setVisible(false);
            peakImd_ = -999;
            sentCharacters_.clear();
            InitializeNewCharBuffer();
            InitializeTimers();
            SetReceive();
            SetActiveChannel(0);
            host_.setSetupIgnoringChanges(true);
            InitializeSettings();
            SetActiveChannel(0);
            host_.setSetupIgnoringChanges(false);
        });
    // Whatever failed above, the setup dialog's controls must act again.
    host_.setSetupIgnoringChanges(false);
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
        for (int ch = 0; ch < 3; ++ch)
            ResetIdentificationReminder(ch);
        t.IMDBlankingTimer.stop();
        t.IMDBlankingTimer.setInterval(3000);
    });
}

void PSKXcvr::Enable() {
    if (!host_.pskModeSelected()) return;
    common::guard(
        common_, [&] { return whereWithFlag("PSKXcvr.Enable"); },
        [&] {
            // A second Enable (the selected mode clicked again) must not install the handler on
            // top of itself, whose chain would then end in itself, nor restart the soundcard.
            if (pskEnabled_) return;
            UpdateXCVRMode(QStringLiteral("USB"));
            host_.setPskControlsVisible(true);
            if (!interceptionStarted_) {
                previousWindowProc_ = platform::MsgInterceptor::Install(
                    host_.messageWindow(), PSKCoreMsgHandler::For(*this));
                interceptionStarted_ = true;
            }
            int32_t code =
                engine_.fnStartSoundCard(host_.messageWindow().handle(), soundCardIndex_, 3);
            if (code != 0) {
                services_.dialogs.messageBox(
                    QStringLiteral("unable to start soundcard - error code: ") +
                        QString::number(code),
                    QString::fromLatin1(common::kProductName));
                return;
            }
            pskEnabled_ = true;
            host_.showSimulatedBand(UsingSimulatedBand());
            SetReceiveSearchLimits();
            // The AFC switches and the transmit frequency shown must hold in the engine from the
            // start, not only after the operator touches them.
            SetReceiveAFCLimit();
            SetReceiveModulation();
            SetReceiveDisplayParameters();
            SetReceiveSquelch();
            SetTransmitCWID();
            SetTransmitCWIDSpeed();
            SetTransmitPTTPortMode();
            SetTransmitFrequency();
            for (int ch = 0; ch < 3; ++ch)
                host_.updatePanelID(ch);
        });
}

void PSKXcvr::Disable() {
    common::guard(
        common_, [&] { return whereWithFlag("PSKXcvr.Disable"); },
        [&] {
            if (pskEnabled_) {
                engine_.fnStopSoundCard();
                pskEnabled_ = false;
                // The engine's last status (0 after a transmission) arrives after the handler
                // has gone, and a status saved but not yet handled is stale: receive is set here.
                host_.pskTimers().StatusTimer.stop();
                lastStatus_ = 0;
                if (transmitting_) SetReceive();
                for (int ch = 0; ch < 3; ++ch)
                    save("Receiver", QStringLiteral("Frequency%1").arg(ch), rcvFreq_[ch]);
                save("Transmitter", QStringLiteral("Frequency"), xmitFreq_);
            }
            if (interceptionStarted_) {
                platform::MsgInterceptor::Remove(host_.messageWindow(), previousWindowProc_);
                previousWindowProc_ = nullptr;
                interceptionStarted_ = false;
            }
            host_.setPskControlsVisible(false);
        });
}

void PSKXcvr::Terminate() {
    trap("PSKXcvr.Terminate", [&] {
        host_.saveWindowPositions();
        host_.unloadSecondaryWindows();
    });
}

void PSKXcvr::SaveNewChar(int32_t character, int32_t channel) {
    trap("PSKXcvr.SaveNewChar", [&] {
        if (channel < -1 || channel > 2) throw common::RuntimeError(9); // subscript out of range
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
        if (code == kStatusPttPortFailed) {
            // The transmission goes out unkeyed: the operator must know, once per failure.
            const QString text =
                QStringLiteral("PTT port com%1 cannot be opened: the transmitter will not be keyed")
                    .arg(pttPort_);
            event_.LogEvent(QStringLiteral("from PSKCore.DLL: ") + text);
            if (!pttFailureReported_) {
                pttFailureReported_ = true;
                host_.showReceiveStatus(kRed, text);
                services_.dialogs.messageBox(text, QString::fromLatin1(common::kProductName));
            }
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

void PSKXcvr::HandleNewIMDInfo() {
    trap("PSKXcvr.HandleNewIMDInfo", [&] {
        if (imdChannel_ >= 128 || imdChannel_ != activeChannel_) return;
        c().RcvIMD->setText(QString::number(imdValue_));
        // Readings are negative dB: the larger one is the worse.
        if (imdValue_ > peakImd_) {
            peakImd_ = imdValue_;
            c().PeakIMD->setText(QString::number(peakImd_));
        }
    });
}

void PSKXcvr::ClearIMDInfo() {
    trap("PSKXcvr.ClearIMDInfo", [&] { c().RcvIMD->clear(); });
}

void PSKXcvr::ResetPeakImd() {
    trap("PSKXcvr.ResetPeakImd", [&] {
        peakImd_ = -999;
        c().PeakIMD->clear();
    });
}

void PSKXcvr::InitializeNewCharBuffer() {
    trap("PSKXcvr.InitializeNewCharBuffer", [&] {
        for (CharRing& r : rings_)
            r.clear();
    });
}

} // namespace psk
