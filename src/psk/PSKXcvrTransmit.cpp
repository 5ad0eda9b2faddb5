// Transmit control: starting and ending a transmission, the characters sent, the transmit
// frequency and modulation, CW identification, PTT and the identification reminders.
#include "PSKXcvrInternal.h"
#include <common/Convert.h>
#include <common/Format.h>
#include <platform/Services.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace psk {

namespace {
constexpr int kSentWindow = 16;
constexpr int kIdentificationInterval = 60000;
} // namespace

void setForeColor(QWidget* w, int color) {
    // Called on every engine poll: a style sheet set again would restyle the frame each time.
    const QVariant old = w->property("ForeColor");
    if (old.isValid() && old.toInt() == color) return;
    w->setProperty("ForeColor", color);
    const QColor q = platform::toQColor(color);
    if (qobject_cast<QGroupBox*>(w)) {
        // Only the caption takes the colour, not the controls inside the frame.
        w->setStyleSheet(QStringLiteral("QGroupBox::title { color: %1; }").arg(q.name()));
        return;
    }
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, q);
    w->setPalette(p);
}

int foreColor(const QWidget* w) {
    const QVariant v = w->property("ForeColor");
    if (v.isValid()) return v.toInt();
    return platform::fromQColor(w->palette().color(QPalette::WindowText));
}

void PSKXcvr::StartTransmit() {
    trap("PSKXcvr.StartTransmit", [&] {
        c().OptimalOffsetCmd->setEnabled(false);
        if (pttMode_ == 4) {
            host_.transceiverControlCommand(QStringLiteral("transmit"));
            // Otherwise the window would show "transmitting" with nothing keyed.
            if (!host_.transceiverControlConnected())
                services_.dialogs.messageBox(
                    QStringLiteral("PTT goes through the transceiver-control program, which is "
                                   "not connected: nothing will key the radio."),
                    QStringLiteral("Tonedeck"));
        }
        engine_.fnStartTX(xmitModulation_);
    });
}

void PSKXcvr::StopTransmit() {
    trap("PSKXcvr.StopTransmit", [&] { engine_.fnStopTX(); });
}

void PSKXcvr::AbortTransmit() {
    trap("PSKXcvr.AbortTransmit", [&] { engine_.fnAbortTX(); });
}

void PSKXcvr::TransmitAutoStop() {
    trap("PSKXcvr.TransmitAutoStop", [&] { engine_.fnSendTXCharacter(1, 1); });
}

bool PSKXcvr::TransmitCharacter(int code) {
    bool taken = false;
    trap("PSKXcvr.TransmitCharacter", [&] {
        if (code < 0 || code > 255) throw common::RuntimeError(common::err::InvalidProcedureCall);
        // A full engine queue refuses the character; the caller keeps it for later.
        if (engine_.fnSendTXCharacter(code, 0) != 0) return;
        taken = true;
        sentCharacters_ += QChar(code).toUpper();
        if (sentCharacters_.size() > kSentWindow)
            sentCharacters_ = sentCharacters_.right(kSentWindow);
        // An empty callsign field would match anything and silence every reminder.
        const QString call = c().MyCallsign->text();
        if (!call.isEmpty() && sentCharacters_.contains(call)) {
            // The operator has just identified on the active channel.
            const int ch = activeChannel_;
            c().XmitStatus[ch]->setVisible(false);
            identificationCount_[ch] = 0;
            QTimer& timer = host_.pskTimers().IdentificationTimer[ch];
            timer.stop();
            timer.start();
            sentCharacters_.clear();
        }
    });
    return taken;
}

void PSKXcvr::setTransmitIndications(bool transmitting) {
    PskControls& k = c();
    setForeColor(k.TransmitFrame, transmitting ? kRed : kBlack);
    setForeColor(k.ReceiveFrame, kBlack);
    k.StartXmitCmd->setEnabled(!transmitting);
    k.IDCmd->setEnabled(transmitting && !k.TuneCheckbox->isChecked());
    k.StopTransmitCmd->setEnabled(transmitting);
    k.AbortTransmitCmd->setEnabled(transmitting);
}

void PSKXcvr::SetTransmit() {
    trap("PSKXcvr.SetTransmit", [&] {
        transmitting_ = true;
        setTransmitIndications(true);
    });
}

void PSKXcvr::SetReceive() {
    trap("PSKXcvr.SetReceive", [&] {
        if (pttMode_ == 4) host_.transceiverControlCommand(QStringLiteral("receive"));
        transmitting_ = false;
        setTransmitIndications(false);
        c().OptimalOffsetCmd->setEnabled(host_.transceiverControlConnected());
        host_.trimTransmittedText();
    });
}

void PSKXcvr::SetTransmitFrequency() {
    trap("PSKXcvr.SetTransmitFrequency",
         [&] { engine_.fnSetTXFrequency(common::toInt32(xmitFreq_)); });
}

void PSKXcvr::UpdateTransmitToReceiveFrequency() {
    trap("PSKXcvr.UpdateTransmitToReceiveFrequency", [&] {
        xmitFreq_ = rcvFreq_[activeChannel_] - common::leadingNumber(c().XmitOffset->text());
        c().TXFreq->setText(common::formatNumber(dialKHz() + xmitFreq_ / 1000, u"#,###.000"));
    });
}

QString PSKXcvr::TransmitModulationName(int index) {
    // Transmit adds the two tune modes to the receive modulations.
    switch (index) {
    case 3:
        return QStringLiteral("Tune");
    case 4:
        return QStringLiteral("Tune ID");
    default:
        return ReceiveModulationName(index);
    }
}

void PSKXcvr::UpdateTransmitModulation(int index) {
    trap("PSKXcvr.UpdateTransmitModulation", [&] {
        common::checkIndex(index, 0, 4);
        xmitModulation_ = index;
        save("Transmitter", QStringLiteral("Modulation"), QString::number(index));
        UpdateTransmitPanelCaption();
    });
}

void PSKXcvr::UpdateTransmitPanelCaption() {
    trap("PSKXcvr.UpdateTransmitPanelCaption", [&] {
        c().TransmitFrame->setTitle(QStringLiteral("Transmit (") + TransmitModulationName() +
                                    QStringLiteral(")"));
    });
}

void PSKXcvr::UpdateTransmitCWIDSpeed(int index) {
    trap("PSKXcvr.UpdateTransmitCWIDSpeed", [&] {
        common::checkIndex(index, 1, 4);
        xmitCWIDSpeed_ = index;
        save("Transmitter", QStringLiteral("CWIdentificationSpeed"), QString::number(index));
    });
}

void PSKXcvr::SetTransmitCWIDSpeed() {
    trap("PSKXcvr.SetTransmitCWIDSpeed", [&] { engine_.fnSetCWIDSpeed(xmitCWIDSpeed_); });
}

void PSKXcvr::SetTransmitCWID() {
    trap("PSKXcvr.SetTransmitCWID", [&] {
        const QByteArray text = c().XmitCWID->text().toLatin1(); // zero-terminated
        engine_.fnSetCWIDString(text.constData());
    });
}

void PSKXcvr::TransmitCWIDChanged() {
    trap("PSKXcvr.TransmitCWIDChanged", [&] {
        SetTransmitCWID();
        save("Transmitter", QStringLiteral("CWIdentificationString"), c().XmitCWID->text());
    });
}

void PSKXcvr::UpdateTransmitPTTMode(int index) {
    trap("PSKXcvr.UpdateTransmitPTTMode", [&] {
        common::checkIndex(index, 0, 4);
        pttMode_ = index;
        save("Transmitter", QStringLiteral("PTTMode"), QString::number(index));
    });
}

void PSKXcvr::UpdateTransmitPTTPort(int index) {
    trap("PSKXcvr.UpdateTransmitPTTPort", [&] {
        common::checkIndex(index, 0, 8);
        pttPort_ = index;
        save("Transmitter", QStringLiteral("PTTPort"), QString::number(index));
    });
}

void PSKXcvr::SetTransmitPTTPortMode() {
    trap("PSKXcvr.SetTransmitPTTPortMode", [&] {
        pttFailureReported_ = false;
        // Keying through the transceiver-control program: the engine keys nothing itself.
        engine_.fnSetComPort(pttPort_, pttMode_ == 4 ? 0 : pttMode_);
    });
}

void PSKXcvr::TransmitOffsetChanged() {
    trap("PSKXcvr.TransmitOffsetChanged",
         [&] { save("Transmitter", QStringLiteral("XmitOffset"), c().XmitOffset->text()); });
}

void PSKXcvr::TransmitLockChanged() {
    trap("PSKXcvr.TransmitLockChanged", [&] {
        const bool locked = c().TXFreqLock->isChecked();
        save("Transmitter", QStringLiteral("Lock"),
             locked ? QStringLiteral("1") : QStringLiteral("0"));
        if (locked) {
            UpdateTransmitToReceiveFrequency();
            SetTransmitFrequency();
        }
    });
}

int PSKXcvr::IdentificationCount(int channel) const {
    common::checkIndex(channel, 0, 2);
    return identificationCount_[channel];
}

void PSKXcvr::IdentificationTick(int channel) {
    trap("PSKXcvr.IdentificationTick", [&] {
        common::checkIndex(channel, 0, 2);
        QLabel* status = c().XmitStatus[channel];
        const int count = ++identificationCount_[channel];
        if (count == 1) {
            status->setToolTip(QStringLiteral("identification required on channel ") +
                               QString::number(channel));
            setForeColor(status, kYellow);
            status->setVisible(true);
        } else {
            status->setToolTip(QStringLiteral("identification overdue on channel ") +
                               QString::number(channel));
            setForeColor(status, kRed);
            status->setVisible(true);
            host_.pskTimers().IdentificationTimer[channel].stop();
            identificationCount_[channel] = 0;
        }
    });
}

void PSKXcvr::ResetIdentificationReminder(int channel) {
    trap("PSKXcvr.ResetIdentificationReminder", [&] {
        common::checkIndex(channel, 0, 2);
        QTimer& timer = host_.pskTimers().IdentificationTimer[channel];
        timer.stop();
        timer.setInterval(kIdentificationInterval);
        identificationCount_[channel] = 0;
    });
}

} // namespace psk
