#include "PSKMinilog.h"
#include <common/Common.h>
#include <common/Convert.h>
#include <common/Trap.h>
#include <common/UTC.h>
#include <common/Version.h>
#include <dde/PSKDDEClient.h>
#include <platform/Services.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <setup/TonedeckSetup.h>

namespace minilog {

namespace {
// Appends text to the file, creating it; the platform's description of a failure in `error`.
bool appendToFile(const QString& path, const QString& text, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = file.errorString();
        return false;
    }
    // 8-bit text as the modes carry it: ADIF lengths count these bytes.
    const QByteArray bytes = text.toLatin1();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    return true;
}
} // namespace

PSKMinilog::PSKMinilog(MinilogHost& host, setup::TonedeckSetup& setup, dde::PSKDDEClient& dde,
                       platform::Services& services, common::Common& common)
    : host_(host), setup_(setup), dde_(dde), services_(services), common_(common) {}

QString PSKMinilog::version() const {
    return QString::fromLatin1(common::kVersionString);
}

void PSKMinilog::Initialize() {
    common::guard(common_, "PSKMinilog.Initialize", [&] {
        for (int ch = 0; ch < 3; ++ch)
            started_[ch] = false;
        for (int i = 0; i < 9; ++i) {
            invalid_[i] = false;
            host_.setFieldNeedsAttention(i, false);
        }
        logFileName_ =
            QDir(services_.programDir)
                .filePath(Safefilename(setup_.MyCallsign->text()) + QStringLiteral(".ADI"));
        if (!QFile::exists(logFileName_)) CreateNewLog();
        auto& store = services_.settings;
        const QString bpsk = store.getSetting("Log", "BPSKMode", "PSK");
        const QString qpsk = store.getSetting("Log", "QPSKMode", "PSK");
        const bool dxBase = store.getSetting("Log", "DXBase", "0") == QLatin1String("1");
        setup_.BPSKMode->setText(bpsk);
        setup_.QPSKMode->setText(qpsk);
        setup_.DXBaseCheckbox->setChecked(dxBase);
        SaveSettings();
        // Kept at every change as well, so that a crash loses nothing.
        if (!settingsFollowed_) {
            settingsFollowed_ = true;
            auto save = [this] { SaveSettings(); };
            QObject::connect(setup_.BPSKMode, &QLineEdit::textChanged, &setup_, save);
            QObject::connect(setup_.QPSKMode, &QLineEdit::textChanged, &setup_, save);
            QObject::connect(setup_.DXBaseCheckbox, &QCheckBox::toggled, &setup_, save);
        }
    });
}

void PSKMinilog::SaveSettings() {
    common::guard(common_, "PSKMinilog.SaveSettings", [&] {
        auto& store = services_.settings;
        store.saveSetting("Log", "BPSKMode", setup_.BPSKMode->text());
        store.saveSetting("Log", "QPSKMode", setup_.QPSKMode->text());
        store.saveSetting("Log", "DXBase", setup_.DXBaseCheckbox->isChecked() ? "1" : "0");
    });
}

void PSKMinilog::CreateNewLog() {
    common::guard(common_, "PSKMinilog.CreateNewLog", [&] {
        QString error;
        const QString header = AdifHeader(setup_.MyCallsign->text(), version(),
                                          common::UTC(services_.clock).NowDateTime());
        if (!appendToFile(logFileName_, header, error))
            throw common::RuntimeError(common::err::PathFileAccessError);
    });
}

void PSKMinilog::ClearLog() {
    common::guard(common_, "PSKMinilog.ClearLog", [&] {
        if (QFile::exists(logFileName_) && !QFile::remove(logFileName_))
            throw common::RuntimeError(common::err::PathFileAccessError);
        CreateNewLog();
    });
}

bool PSKMinilog::ValidQSOInfo() {
    return common::guard(
        common_, "PSKMinilog.ValidQSOInfo",
        [&] {
            const QsoControls& q = host_.qsoControls();
            invalid_ = InvalidQsoFields({q.Callsign->text(), q.QSOFrequency->text(),
                                         q.RSTsent->text(), q.RSTreceived->text(),
                                         q.RXSerialNumber->text(), setup_.ContestMode()});
            bool ok = true;
            for (int i = 0; i < 9; ++i) {
                host_.setFieldNeedsAttention(i, invalid_[i]);
                ok = ok && !invalid_[i];
            }
            return ok;
        },
        false);
}

double PSKMinilog::receiveFrequencyMHz() const {
    try {
        return common::parseDouble(host_.receiveFrequencyCaption()) / 1000;
    } catch (const common::RuntimeError&) {
        return 0;
    }
}

bool PSKMinilog::LogQSO(int channel) {
    bool logged = false;
    try {
        common::checkIndex(channel, 0, 2);
        const QDateTime end = common::UTC(services_.clock).NowDateTime();
        const double mhz = receiveFrequencyMHz();
        record_.clear();
        QFile probe(logFileName_);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
            services_.dialogs.messageBox(QStringLiteral("unable to open log file ") + logFileName_ +
                                             QStringLiteral(" - ") + probe.errorString(),
                                         common_.productName());
            return false;
        }
        probe.close();
        const QsoControls& q = host_.qsoControls();
        QsoRecord r;
        r.myCall = setup_.MyCallsign->text();
        r.call = q.Callsign->text();
        r.name = q.OperatorName->text();
        r.qth = q.QTH->text();
        r.grid = q.GridSquare->text();
        dde_.Lookup(q.Callsign->text(), channel);
        const auto& dx = dde_.LookupInfo(channel);
        r.dxccId = dx.DXCCID;
        r.dxccPrefix = dx.DXCCPrefix;
        r.continent = dx.Cont;
        r.cqZone = dx.CQ;
        r.ituZone = dx.ITU;
        r.contest = setup_.ContestMode();
        r.rstSent = q.RSTsent->text();
        r.rstReceived = q.RSTreceived->text();
        r.rxSerial = q.RXSerialNumber->text();
        r.txSerial = setup_.TXSerialNumber->text();
        r.contestId = setup_.ContestID->text();
        r.frequencyMHz = mhz;
        r.dxBase = setup_.DXBaseCheckbox->isChecked();
        r.band = q.BandCombo->currentText();
        if (host_.pskModeSelected()) {
            const int modulation = host_.transmitModulation();
            if (modulation == 0)
                r.mode = setup_.BPSKMode->text();
            else if (modulation == 1 || modulation == 2)
                r.mode = setup_.QPSKMode->text();
        } else {
            r.mode = QStringLiteral("RTTY");
        }
        if (!started_[channel]) startTime_[channel] = end;
        r.start = startTime_[channel];
        r.end = end;
        r.txPower = setup_.TransmitPower->text();
        record_ = BuildAdifRecord(r);
        QString error;
        if (!appendToFile(logFileName_, record_ + QStringLiteral("\r\n"), error)) {
            services_.dialogs.messageBox(QStringLiteral("unable to write log file ") +
                                             logFileName_ + QStringLiteral(" - ") + error,
                                         common_.productName());
            return false;
        }
        logged = true;
        dde_.SendLog(record_);
        host_.recordLogged(record_);
        EndQSO(channel);
    } catch (...) {
        common_.ReportError(common::currentErrorNumber(), QStringLiteral("PSKMinilog.LogQSO"));
    }
    return logged;
}

void PSKMinilog::LogButton() {
    common::guard(common_, "PSKMinilog.LogButton", [&] {
        if (!ValidQSOInfo()) return;
        if (!LogQSO(host_.activeChannel())) return;
        ClearQSOInfo();
        AdvanceTXSerialNumber();
    });
}

void PSKMinilog::ClearQSOInfo() {
    common::guard(common_, "PSKMinilog.ClearQSOInfo", [&] {
        EndQSO(host_.activeChannel());
        const QsoControls& q = host_.qsoControls();
        for (QLineEdit* f : {q.Callsign, q.OperatorName, q.QTH, q.RSTreceived, q.RSTsent,
                             q.RXSerialNumber, q.GridSquare})
            f->clear();
        host_.focusTransmitPane();
    });
}

void PSKMinilog::AdvanceTXSerialNumber() {
    if (!setup_.ContestMode()) return;
    try {
        const double n = common::parseDouble(setup_.TXSerialNumber->text());
        setup_.TXSerialNumber->setText(QString::number(common::toInt32(n) + qint64(1)));
    } catch (...) {
        // A serial number that is not a number stays for the operator to mend.
    }
}

void PSKMinilog::StartQSO(int channel) {
    common::guard(common_, "PSKMinilog.StartQSO", [&] {
        common::checkIndex(channel, 0, 2);
        if (started_[channel]) return;
        started_[channel] = true;
        startTime_[channel] = common::UTC(services_.clock).NowDateTime();
        host_.startIdentificationReminder(channel);
    });
}

void PSKMinilog::EndQSO(int channel) {
    common::guard(common_, "PSKMinilog.EndQSO", [&] {
        common::checkIndex(channel, 0, 2);
        started_[channel] = false;
        host_.endIdentificationReminder(channel);
    });
}

bool PSKMinilog::QSOStarted(int channel) const {
    return channel >= 0 && channel < 3 && started_[channel];
}

QDateTime PSKMinilog::QSOStartTime(int channel) const {
    return channel >= 0 && channel < 3 ? startTime_[channel] : QDateTime();
}

bool PSKMinilog::InvalidField(int index) const {
    return index >= 0 && index < 9 && invalid_[index];
}

} // namespace minilog
