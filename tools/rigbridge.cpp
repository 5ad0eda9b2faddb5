// rigbridge: serves the rig-control companion role on the D-Bus session bus from a hamlib
// rigctld reached over TCP. "FreqDisplay" and "Mode" follow the rig (polled); the commands
// "transmit"/"receive" key PTT, "qsy" and "xcvrfreqmode" set frequency and mode.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <dde/DDECommon.h>
#include <dde/DDEServer.h>
#include <deque>
#include <functional>
#include <memory>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QTcpSocket>
#include <QTimer>

namespace {

const char* const kHelp =
    "Serves Tonedeck's transceiver-control link from hamlib's rigctld.\n\n"
    "Start rigctld for the radio first, then the bridge, then (or before) Tonedeck:\n"
    "  rigctld -m <model> -r /dev/ttyUSB0 [-s <baud>] [-P RIG]   (rigctl -l lists the models;\n"
    "  -P RIG keys PTT through the rig's CAT commands)\n"
    "  rigbridge\n"
    "Try it without a radio with hamlib's dummy rig: rigctld -m 1 -P RIG\n\n"
    "The bridge offers D-Bus service dde.Rigwright while rigctld answers, and announces\n"
    "itself to a running Tonedeck. Set Tonedeck's PTT to \"Xcvr Ctrl SW\" to key through it.";

const QString kUI = QStringLiteral("RigwrightUI");
const QString kServer = QStringLiteral("DDEServer");

// Modes rigctld knows; the program's "FSK" is the rig's RTTY.
QString rigMode(const QString& mode) {
    static const QStringList known = {"USB", "LSB", "CW",     "CWR",    "RTTY", "RTTYR",
                                      "AM",  "FM",  "PKTUSB", "PKTLSB", "PKTFM"};
    const QString m = mode.trimmed().toUpper();
    if (m == QLatin1String("FSK")) return QStringLiteral("RTTY");
    return known.contains(m) ? m : QString();
}

// A dial frequency in kHz as the rig's Hz; 0 when it is not a usable frequency.
qint64 hertz(const QString& kHz) {
    bool ok = false;
    const double v = kHz.trimmed().toDouble(&ok);
    return ok && v > 0 && v < 1e7 ? qint64(std::llround(v * 1000)) : 0;
}

class Bridge : public QObject {
public:
    Bridge(const QString& host, quint16 port, int pollMs) : host_(host), port_(port) {
        poll_.setInterval(pollMs);
        connect(&poll_, &QTimer::timeout, this, &Bridge::pollRig);
        reconnect_.setInterval(2000);
        reconnect_.setSingleShot(true);
        connect(&reconnect_, &QTimer::timeout, this, &Bridge::open);
        answer_.setInterval(3000);
        answer_.setSingleShot(true);
        connect(&answer_, &QTimer::timeout, this, [this] { drop("rigctld does not answer"); });
        connect(&socket_, &QTcpSocket::connected, this, [this] {
            std::fprintf(stderr, "rigbridge: connected to rigctld at %s:%u\n", qPrintable(host_),
                         port_);
            // Commands that arrived before the connection are waiting at the head of the queue.
            writeHead();
            pollRig();
            poll_.start();
        });
        connect(&socket_, &QTcpSocket::readyRead, this, &Bridge::read);
        // A program that ends or crashes while transmitting must not leave the radio keyed.
        connect(&program_, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            if (!keyed_) return;
            keyed_ = false;
            std::fprintf(stderr, "rigbridge: Tonedeck left while transmitting; PTT off\n");
            send("T 0", 1);
        });
        connect(&socket_, &QTcpSocket::errorOccurred, this,
                [this] { drop(socket_.errorString()); });
    }

    void open() {
        lines_.clear();
        socket_.abort();
        socket_.connectToHost(host_, port_);
    }

private:
    struct Request {
        QByteArray line;
        int answerLines; // lines of a successful answer ("RPRT n" for a set)
        std::function<void(const QStringList&)> done;
        bool poll = false;
    };

    void send(QByteArray line, int answerLines, std::function<void(const QStringList&)> done = {},
              bool poll = false) {
        queue_.push_back({line + '\n', answerLines, std::move(done), poll});
        if (queue_.size() == 1) writeHead();
    }
    void writeHead() {
        if (queue_.empty() || socket_.state() != QAbstractSocket::ConnectedState) return;
        socket_.write(queue_.front().line);
        answer_.start();
    }

    void read() {
        while (socket_.canReadLine()) {
            lines_ << QString::fromLatin1(socket_.readLine()).trimmed();
            if (queue_.empty()) {
                lines_.clear();
                continue;
            }
            // A get that fails answers "RPRT -n" instead of its value lines.
            const bool error = lines_.front().startsWith(QLatin1String("RPRT -"));
            if (!error && lines_.size() < queue_.front().answerLines) continue;
            Request done = std::move(queue_.front());
            queue_.pop_front();
            answer_.stop();
            const QStringList answer = lines_;
            lines_.clear();
            retried_ = false; // rigctld answers again
            if (error)
                std::fprintf(stderr, "rigbridge: %s -> %s\n", done.line.trimmed().constData(),
                             qPrintable(answer.front()));
            else if (done.done)
                done.done(answer);
            writeHead();
        }
    }

    void pollRig() {
        if (queue_.size() > 2) return; // the rig is slower than the poll
        send(
            "f", 1,
            [this](const QStringList& a) {
                bool ok = false;
                const qint64 hz = a.front().toLongLong(&ok);
                if (ok) setItem(kUI, "FreqDisplay", QString::number(hz / 1000.0, 'f', 3));
            },
            true);
        send(
            "m", 2,
            [this](const QStringList& a) {
                setItem(kServer, "Mode", a.front());
                if (!server_) serve();
            },
            true);
    }

    void setItem(const QString& topic, const QString& item, const QString& value) {
        items_[topic + '/' + item] = value;
        if (server_) server_->SetItem(topic, item, value);
    }

    // The rig has answered: offer the service and tell a running Tonedeck.
    void serve() {
        server_ = std::make_unique<dde::DDEServer>(QDBusConnection::sessionBus(), "Rigwright");
        if (!server_->Register({kUI, kServer})) {
            std::fprintf(stderr, "rigbridge: %s\n", qPrintable(server_->Error()));
            QCoreApplication::exit(1);
            return;
        }
        server_->SetItem(kServer, "DDECommand", "");
        server_->SetItem(kUI, "FreqDisplay", items_.value(kUI + "/FreqDisplay"));
        server_->SetItem(kServer, "Mode", items_.value(kServer + "/Mode"));
        server_->OnExecute = [this](const QString& topic, const QString& command) {
            return execute(topic, command);
        };
        QDBusMessage m = QDBusMessage::createMethodCall(dde::ServiceName(dde::kOwnApplication),
                                                        dde::ObjectPath(dde::kOwnTopic),
                                                        dde::kInterface, "Execute");
        m << QStringLiteral("000start");
        QDBusConnection::sessionBus().asyncCall(m, dde::kCallTimeoutMs);
        std::fprintf(stderr, "rigbridge: serving dde.Rigwright\n");
    }

    bool execute(const QString& topic, const QString& command) {
        if (topic != kServer || !command.startsWith(QLatin1String("000"))) return false;
        const QString c = command.mid(3);
        if (c == QLatin1String("transmit")) {
            keyed_ = true;
            send("T 1", 1);
        } else if (c == QLatin1String("receive")) {
            keyed_ = false;
            send("T 0", 1);
        } else if (c.startsWith(QLatin1String("qsy"))) {
            const qint64 hz = hertz(c.mid(3));
            if (hz == 0) return false;
            send("F " + QByteArray::number(hz), 1);
        } else if (c.startsWith(QLatin1String("xcvrfreqmode"))) {
            const qint64 hz = hertz(dde::TagValue(c, "xcvrfreq").value_or(QString()));
            const QString mode = rigMode(dde::TagValue(c, "xcvrmode").value_or(QString()));
            if (hz == 0 && mode.isEmpty()) return false;
            if (hz != 0) send("F " + QByteArray::number(hz), 1);
            if (!mode.isEmpty()) send("M " + mode.toLatin1() + " 0", 1);
        } else {
            return false;
        }
        pollRig(); // the new frequency and mode show at once
        return true;
    }

    // A lost connection is opened again at once, keeping the commands Tonedeck was told were
    // taken (a set repeats harmlessly): rigctld can reset a connection it accepts just as
    // another client of it disconnects. Only when that fails too is the rig gone.
    void drop(const QString& why) {
        if (reconnect_.isActive()) return;
        poll_.stop();
        answer_.stop();
        std::erase_if(queue_, [](const Request& r) { return r.poll; });
        socket_.abort();
        if (!retried_) {
            retried_ = true;
            std::fprintf(stderr, "rigbridge: %s; connecting again\n", qPrintable(why));
            QTimer::singleShot(0, this, &Bridge::open);
            return;
        }
        reconnect_.start();
        std::fprintf(stderr, "rigbridge: %s; trying again in 2 s\n", qPrintable(why));
        // Tonedeck sees the link close and can no longer unkey through us: the radio is unkeyed
        // once rigctld is back, however many attempts that takes.
        const bool unkey = keyed_ || std::any_of(queue_.begin(), queue_.end(),
                                                 [](const auto& r) { return r.line == "T 0\n"; });
        queue_.clear();
        server_.reset();
        keyed_ = false;
        if (unkey) send("T 0", 1);
    }

    QString host_;
    quint16 port_;
    bool keyed_ = false;
    bool retried_ = false; // a lost connection was opened again and has not answered since
    QDBusServiceWatcher program_{dde::ServiceName(dde::kOwnApplication),
                                 QDBusConnection::sessionBus(),
                                 QDBusServiceWatcher::WatchForUnregistration};
    QTcpSocket socket_;
    QTimer poll_, reconnect_, answer_;
    std::deque<Request> queue_;
    QStringList lines_;
    QHash<QString, QString> items_;
    std::unique_ptr<dde::DDEServer> server_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kHelp));
    parser.addHelpOption();
    parser.addOptions({{"host", "rigctld's address (127.0.0.1).", "address", "127.0.0.1"},
                       {"port", "rigctld's TCP port (4532).", "port", "4532"},
                       {"poll-ms", "how often the rig is read, in ms (500).", "ms", "500"}});
    parser.process(app);
    bool portOk = false, pollOk = false;
    const int port = parser.value("port").toInt(&portOk);
    const int poll = parser.value("poll-ms").toInt(&pollOk);
    if (!portOk || port < 1 || port > 65535 || !pollOk || poll < 50 || poll > 60000) {
        std::fprintf(stderr, "rigbridge: --port must be 1..65535 and --poll-ms 50..60000\n");
        return 1;
    }
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "rigbridge: no D-Bus session bus\n");
        return 1;
    }
    Bridge bridge(parser.value("host"), quint16(port), poll);
    bridge.open();
    return app.exec();
}
