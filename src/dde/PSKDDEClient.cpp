#include "PSKDDEClient.h"
#include <common/Convert.h>
#include <common/Format.h>
#include <common/Trap.h>
#include <QLineEdit>
#include <QTimer>

namespace dde {

const char* const PSKDDEClient::kCodes[kPrograms] = {"RW", "LGV", "CS", "GSC", "CB"};

namespace {
const QString kRigUI = QStringLiteral("Rigwright|RigwrightUI");
const QString kRigServer = QStringLiteral("Rigwright|DDEServer");
const QString kLogServer = QStringLiteral("Logvault|DDEServer");
const QString kLookupServer = QStringLiteral("Globescope|DDEServer");
const QString kCommandItem = QStringLiteral("DDECommand");
} // namespace

PSKDDEClient::PSKDDEClient(DDEHost host, common::Common& common, const QDBusConnection& bus)
    : host_(std::move(host)), common_(common), bus_(bus) {}

PSKDDEClient::~PSKDDEClient() = default;

void PSKDDEClient::Initialize() {
    common::guard(common_, "PSKDDEClient.Initialize", [&] {
        window_ = std::make_unique<DDEClient>(bus_);
        DDEClient& w = *window_;
        w.Source.OnExecute = [this](const QString& topic, const QString& command) {
            return announcement(topic, command);
        };
        if (!w.Source.Register({QString::fromLatin1(kOwnTopic)}) && host_.LogEvent)
            host_.LogEvent(QStringLiteral("companion programs cannot announce themselves: ") +
                           w.Source.Error());
        // A link that closes marks its program disconnected, except while the program ends.
        auto onClose = [this](int program) {
            return [this, program] {
                if (host_.ShuttingDown && host_.ShuttingDown()) return;
                SetConnected(program, false);
            };
        };
        QObject::connect(&w.QSOFrequencyLink, &DDELink::LinkClose, &w, onClose(kRigControl));
        for (DDELink* l : {&w.DXCCIDLink, &w.DXCCPrefixLink, &w.ContLink, &w.CQLink, &w.ITULink})
            QObject::connect(l, &DDELink::LinkClose, &w, onClose(kDXLookup));
        QObject::connect(&w.DDELogLink, &DDELink::LinkClose, &w, onClose(kLogger));
        if (host_.QSOFrequency)
            QObject::connect(&w.QSOFrequencyLink, &DDELink::Change, host_.QSOFrequency,
                             &QLineEdit::setText);
        auto badValue = [this](const QString& item) {
            if (host_.LogEvent)
                host_.LogEvent(QStringLiteral("companion item \"") + item +
                               QStringLiteral("\" ignored: value too long"));
        };
        for (DDELink* l : {&w.QSOFrequencyLink, &w.ModeLink, &w.DXCCPrefixLink, &w.DXCCIDLink,
                           &w.ContLink, &w.CQLink, &w.ITULink})
            QObject::connect(l, &DDELink::BadValue, &w, badValue);
        if (host_.ServerRetryTimer) {
            QObject::connect(host_.ServerRetryTimer, &QTimer::timeout, &w,
                             [this] { ServerRetryTimer_Timer(); });
            host_.ServerRetryTimer->start();
        }
        connected_.fill(false);
        connectScheduled_.fill(false);
        retryPending_.fill(false);
        retryDone_.fill(false);
        Connect(kRigControl);
        Connect(kDXLookup);
        Connect(kLogger);
    });
}

void PSKDDEClient::Shutdown() {
    // The window takes its links and the topic with it; no link close reaches SetConnected.
    window_.reset();
    connected_.fill(false);
}

void PSKDDEClient::Connect(int program) {
    if (!window_ || program < 0 || program >= kPrograms) return;
    DDEClient& w = *window_;
    bool ok = false;
    switch (program) {
    case kRigControl:
        ok = w.QSOFrequencyLink.Open(kRigUI, QStringLiteral("FreqDisplay")) &&
             w.ModeLink.Open(kRigServer, QStringLiteral("Mode"));
        break;
    case kDXLookup:
        ok = w.DXCCPrefixLink.Open(kLookupServer, QStringLiteral("DXCCPrefix")) &&
             w.DXCCIDLink.Open(kLookupServer, QStringLiteral("DXCCID")) &&
             w.ContLink.Open(kLookupServer, QStringLiteral("Cont")) &&
             w.CQLink.Open(kLookupServer, QStringLiteral("CQ")) &&
             w.ITULink.Open(kLookupServer, QStringLiteral("ITU")) &&
             w.DDELookupLink.Open(kLookupServer, kCommandItem);
        break;
    case kLogger:
        ok = w.DDELogLink.Open(kLogServer, kCommandItem);
        break;
    default:
        return;
    }
    // Half-open links would later report a close for a program that never connected.
    if (!ok) closeLinks(program);
    SetConnected(program, ok);
}

void PSKDDEClient::closeLinks(int program) {
    if (!window_) return;
    DDEClient& w = *window_;
    switch (program) {
    case kRigControl:
        for (DDELink* l : {&w.QSOFrequencyLink, &w.ModeLink, &w.DDETransceiverControlLink})
            l->Close();
        break;
    case kDXLookup:
        for (DDELink* l : {&w.DXCCPrefixLink, &w.DXCCIDLink, &w.ContLink, &w.CQLink, &w.ITULink,
                           &w.DDELookupLink})
            l->Close();
        break;
    case kLogger:
        w.DDELogLink.Close();
        break;
    default:
        break;
    }
}

bool PSKDDEClient::Connected(int program) const {
    return program >= 0 && program < kPrograms && connected_[program];
}

bool PSKDDEClient::RetryPending(int program) const {
    return program >= 0 && program < kPrograms && retryPending_[program];
}

QString PSKDDEClient::ConnectedCodes() const {
    QStringList codes;
    for (int i = 0; i < kPrograms; ++i)
        if (connected_[i]) codes << QString::fromLatin1(kCodes[i]);
    return codes.join(QLatin1Char(','));
}

void PSKDDEClient::SetConnected(int program, bool state) {
    if (program < 0 || program >= kPrograms) return;
    connected_[program] = state;
    if (program == kRigControl && host_.SetOptimalOffsetEnabled)
        host_.SetOptimalOffsetEnabled(state);
    if (host_.ShowConnectedCodes) host_.ShowConnectedCodes(ConnectedCodes());
    if (state) {
        // A connection that came by announcement supersedes the retry scheduled before it: a
        // stale tick would reconnect for nothing, or, landing just as the program goes away,
        // spend the one retry its loss is owed.
        retryDone_[program] = false;
        retryPending_[program] = false;
    } else if (retryDone_[program]) {
        // The failed attempt was itself the retry.
        retryDone_[program] = false;
    } else {
        retryPending_[program] = true;
        if (host_.ServerRetryTimer) host_.ServerRetryTimer->start();
    }
}

void PSKDDEClient::ServerRetryTimer_Timer() {
    if (host_.ServerRetryTimer) host_.ServerRetryTimer->stop();
    for (int p = 0; p < kPrograms; ++p) {
        if (!retryPending_[p]) continue;
        retryPending_[p] = false;
        retryDone_[p] = true;
        Connect(p);
    }
}

void PSKDDEClient::lost(int program) {
    closeLinks(program);
    SetConnected(program, false);
}

bool PSKDDEClient::send(int program, const QString& word, const QString& argument) {
    if (!window_ || !Connected(program)) return false;
    DDEClient& w = *window_;
    DDELink* label = program == kRigControl ? &w.DDETransceiverControlLink
                     : program == kLogger   ? &w.DDELogLink
                                            : &w.DDELookupLink;
    // The rig's command label is linked afresh before every command.
    if (program == kRigControl && !label->Open(kRigServer, kCommandItem)) {
        lost(program);
        return false;
    }
    const DDELink::Result r = label->Execute(CommandString(program, word, argument));
    if (r == DDELink::Result::Failed) {
        lost(program);
        return false;
    }
    return r == DDELink::Result::Accepted;
}

bool PSKDDEClient::SendTransmit() {
    return send(kRigControl, QStringLiteral("transmit"));
}

bool PSKDDEClient::SendReceive() {
    return send(kRigControl, QStringLiteral("receive"));
}

bool PSKDDEClient::SendQSY(double kHz) {
    return send(kRigControl, QStringLiteral("qsy"), common::formatGeneral(kHz));
}

bool PSKDDEClient::SendXcvrFreqMode(const QString& xcvrfreq, const QString& xcvrmode) {
    return send(kRigControl, QStringLiteral("xcvrfreqmode"),
                Tag(QStringLiteral("xcvrfreq"), xcvrfreq) +
                    Tag(QStringLiteral("xcvrmode"), xcvrmode));
}

bool PSKDDEClient::SendLog(const QString& adifRecord) {
    return send(kLogger, QStringLiteral("log"), adifRecord);
}

bool PSKDDEClient::SendCheck(const QString& callsign) {
    return send(kLogger, QStringLiteral("check"), callsign);
}

bool PSKDDEClient::SendShowGrid(const QString& grid) {
    return send(kDXLookup, QStringLiteral("showgrid"), grid);
}

void PSKDDEClient::Lookup(const QString& callsign, int channel) {
    common::guard(common_, "PSKDDEClient.Lookup", [&] {
        common::checkIndex(channel, 0, 2);
        DXCCInfo& info = lookup_[channel];
        send(kDXLookup, QStringLiteral("lookup"), callsign);
        if (!Connected(kDXLookup) || !window_) {
            info = DXCCInfo{};
            return;
        }
        // Its answer's advises may still be queued behind the execute's reply: read the items.
        DDEClient& w = *window_;
        for (DDELink* l : {&w.DXCCIDLink, &w.DXCCPrefixLink, &w.ContLink, &w.CQLink, &w.ITULink})
            if (!l->Refresh()) {
                lost(kDXLookup);
                info = DXCCInfo{};
                return;
            }
        info = DXCCInfo{w.DXCCID->text(), w.DXCCPrefix->text(), w.Cont->text(), w.CQ->text(),
                        w.ITU->text()};
    });
}

const DXCCInfo& PSKDDEClient::LookupInfo(int channel) const {
    static const DXCCInfo none;
    return channel >= 0 && channel < 3 ? lookup_[channel] : none;
}

bool PSKDDEClient::announcement(const QString& topic, const QString& command) {
    if (topic != QLatin1String(kOwnTopic)) return false;
    const auto a = ParseAnnouncement(command);
    if (!a || a->program >= kPrograms || a->command != QLatin1String("start")) return false;
    // Connect after the answer: a companion waiting for it could not answer our requests. A
    // burst of announcements costs one connection.
    const int program = a->program;
    if (!connectScheduled_[program]) {
        connectScheduled_[program] = true;
        QTimer::singleShot(0, window_.get(), [this, program] {
            connectScheduled_[program] = false;
            Connect(program);
        });
    }
    return true;
}

} // namespace dde
