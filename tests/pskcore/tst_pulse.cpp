// The engine on a real sound path without hardware: a private sound server with a null sink is
// the cable. A recording played into the sink is decoded from soundcard #0; the engine's own
// transmission, recorded from the sink's monitor, decodes with pskdecode; losing the server or
// the sink gives a fault status, and the engine starts again once the device is back.
#include <cmath>
#include <csignal>
#include <memory>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/prctl.h>
#include <unistd.h>

#include "dsp/PskTransmitter.h"
#include "EngineProbe.h"
#include "PortAudioDevice.h"
#include "WavFile.h"

namespace {

const char kText[] = "CQ CQ de QT0LB QT0LB pse k\r\n";

// A sound server of this test process alone: its own runtime, state and home directories, a
// null sink "tdsink" and an anonymous native socket; killed with the test.
class SoundServer {
public:
    explicit SoundServer(const QString& root) : root_(root) {}
    ~SoundServer() { kill(); }

    QString socket() const { return root_ + "/run/pulse/native"; }

    bool start(QString& why) {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (exe.isEmpty()) {
            why = "pulseaudio is not installed (scripts/deps.sh installs it)";
            return false;
        }
        for (const char* d : {"run/pulse", "home", "state"})
            QDir().mkpath(root_ + "/" + d);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", root_ + "/home");
        env.insert("XDG_RUNTIME_DIR", root_ + "/run");
        env.insert("XDG_CONFIG_HOME", root_ + "/home/.config");
        env.insert("PULSE_RUNTIME_PATH", root_ + "/run/pulse");
        env.insert("PULSE_STATE_PATH", root_ + "/state");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        process_ = std::make_unique<QProcess>();
        process_->setProcessEnvironment(env);
        process_->setProcessChannelMode(QProcess::MergedChannels);
        // Should this test crash, the server goes with it rather than living on.
        process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // -n: no configuration file, only the two modules; root needs no --system for a
        // server that only it uses.
        process_->start(exe, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                              "--disallow-exit=yes", "--disable-shm=yes", "--log-target=stderr",
                              "-L", "module-null-sink sink_name=tdsink", "-L",
                              "module-native-protocol-unix auth-anonymous=1 socket=" + socket()});
        if (!process_->waitForStarted(10000)) {
            why = "pulseaudio does not start: " + process_->errorString();
            return false;
        }
        for (int i = 0; i < 100; ++i) {
            if (pactl({"info"}) == 0) return true;
            if (process_->state() != QProcess::Running) break;
            QTest::qWait(100);
        }
        why = "the sound server did not come up: " + QString::fromLocal8Bit(process_->readAll());
        return false;
    }

    void kill() {
        if (!process_) return;
        process_->kill();
        process_->waitForFinished(10000);
        process_.reset();
    }

    static int pactl(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("pactl"), args);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private:
    QString root_;
    std::unique_ptr<QProcess> process_;
};

// A clean BPSK31 over at 1200 Hz with a second of quiet either side, as an 8000 Hz WAV file.
bool writeOver(const QString& path) {
    dsp::PskTransmitter tx(8000);
    tx.setFrequency(1200);
    tx.start(0);
    for (const char* c = kText; *c; ++c)
        tx.queueChar(uint8_t(*c));
    tx.requestStop();
    std::vector<float> x(8000, 0.0f), block(1024);
    std::vector<dsp::PskTransmitter::Event> events;
    for (bool done = false; !done;) {
        events.clear();
        tx.process(block.size(), block.data(), events);
        for (float& v : block)
            x.push_back(0.5f * v);
        for (const auto& e : events)
            done = done || e.kind == dsp::PskTransmitter::Event::Finished;
    }
    x.resize(x.size() + 8000, 0.0f);
    audio::WavWriter w;
    return w.open(path.toStdString(), 8000, 1, audio::WavFormat::Int16) &&
           w.write(x.data(), x.size()) && w.close();
}

// What a recording holds, second by second, for a failure message: "3.0 s: 0.00 0.21 ...".
QByteArray loudness(const QString& path) {
    std::vector<float> x;
    std::string error;
    if (!audio::loadWav(path.toStdString(), x, error)) return QByteArray::fromStdString(error);
    QByteArray s = QByteArray::number(double(x.size()) / 8000, 'f', 1) + " s:";
    for (size_t i = 0; i < x.size(); i += 8000) {
        double e = 0;
        const size_t end = std::min(x.size(), i + 8000);
        for (size_t k = i; k < end; ++k)
            e += double(x[k]) * x[k];
        s += " " + QByteArray::number(std::sqrt(e / double(end - i)), 'f', 2);
    }
    return s;
}

bool play(const QString& wav) {
    QProcess p;
    p.start(QStringLiteral("paplay"), {"--device=tdsink", wav});
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

} // namespace

class TestPulse : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<SoundServer> server_;
    static inline QString over_;

    void startServer() {
        QString why;
        QVERIFY2(server_->start(why), qPrintable(why));
    }

    // The over played into the sink is decoded on channel 0; the engine may still be
    // reopening its device, so the over is played again a few times before giving up.
    static void playUntilDecoded(EngineProbe& probe) {
        fnSetRXFrequency(1200, 50, 0);
        for (int i = 0; i < 4 && probe.text(0).find("QT0LB pse k") == std::string::npos; ++i) {
            QVERIFY(play(over_));
            QTest::qWait(1500);
        }
        QVERIFY2(probe.text(0).find("QT0LB pse k") != std::string::npos, probe.text(0).c_str());
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        server_ = std::make_unique<SoundServer>(dir_.path());
        // Everything this process opens (PortAudio's ALSA "pulse" device, paplay, parecord,
        // pactl) goes to the private server, never to a desktop's own.
        qputenv("PULSE_SERVER", ("unix:" + server_->socket()).toLocal8Bit());
        startServer();
        over_ = dir_.filePath("over.wav");
        QVERIFY(writeOver(over_));
        QCOMPARE(pskcoreSetSource("device"), 0);
    }

    void cleanupTestCase() {
        fnStopSoundCard();
        pskcoreSetSource("auto");
    }

    // The sound server's device is the first capture device when there is no hardware.
    void deviceList() {
        const auto devices = audio::captureDevices();
        QVERIFY(!devices.empty());
        QCOMPARE(QString::fromStdString(devices[0].name), QStringLiteral("pulse"));
    }

    void receiveFromSoundcardZero() {
        EngineProbe probe;
        QCOMPARE(fnStartSoundCard(probe.handle(), 0, 3), 0);
        QCOMPARE(pskcoreUsingSimulatedBand(), 0);
        playUntilDecoded(probe);
        fnStopSoundCard();
        QCOMPARE(probe.statuses(), std::vector<int32_t>{}); // no fault on a healthy device
    }

    // One over sent by the engine and recorded from the sink's monitor; returns what pskdecode
    // makes of the recording, with what went wrong when it is not the text sent.
    QByteArray sendAndRecord(const QString& rec, int holdMs) {
        EngineProbe probe;
        if (fnStartSoundCard(probe.handle(), 0, 3) != 0) return "the card did not start";
        fnSetTXFrequency(1500);
        // A playback stream freshly opened on ALSA's pulse device stalls for about two seconds;
        // an over sent then would only start late, and an operator is never that quick.
        QTest::qWait(3000);
        QProcess recorder;
        recorder.start(QStringLiteral("parecord"),
                       {"--device=tdsink.monitor", "--file-format=wav", rec});
        if (!recorder.waitForStarted(10000)) return "parecord did not start";
        // Recording for real (its stream connected and writing) before anything is sent.
        if (!QTest::qWaitFor([&] { return QFileInfo(rec).size() > 16000; }, 15000))
            return "parecord wrote nothing";
        if (fnStartTX(0) != 0) return "the transmission did not start";
        for (const char* c = kText; *c; ++c)
            fnSendTXCharacter(uint8_t(*c), 0);
        fnSendTXCharacter(1, 1);
        bool sent = QTest::qWaitFor([&] { return probe.hasStatus(PSKCORE_STATUS_TX); }, 10000);
        if (sent && holdMs > 0) {
            // Mid-over, the whole process held up as a busy machine does now and then.
            QTest::qWait(2000);
            QProcess::execute("sh", {"-c", QString("kill -STOP %1; sleep %2; kill -CONT %1")
                                               .arg(::getpid())
                                               .arg(holdMs / 1000.0)});
        }
        sent = sent && QTest::qWaitFor([&] { return probe.hasStatus(PSKCORE_STATUS_RX); }, 30000);
        QTest::qWait(1000);
        recorder.terminate(); // parecord finishes the file on SIGTERM
        recorder.waitForFinished(10000);
        fnStopSoundCard();
        QByteArray statuses;
        for (int32_t st : probe.statuses())
            statuses += QByteArray::number(st) + " ";
        if (!sent) return "the over did not end; statuses " + statuses;
        QProcess dec;
        dec.start(QStringLiteral(TD_PSKDECODE), {"--freq", "1500", rec});
        if (!dec.waitForFinished(60000) || dec.exitCode() != 0) return "pskdecode failed";
        return dec.readAllStandardOutput() + dec.readAllStandardError() + "\nrecording " +
               loudness(rec) + "\nstatuses " + statuses;
    }

    // What the engine sends reaches the sink; its monitor recorded decodes as sent, first time,
    // also when the process is held up for longer than a short playback buffer lasts.
    void transmitToTheSink_data() {
        QTest::addColumn<int>("holdMs");
        QTest::newRow("steady") << 0;
        QTest::newRow("held up") << 150;
    }
    void transmitToTheSink() {
        QFETCH(int, holdMs);
        const QByteArray out = sendAndRecord(dir_.filePath(QStringLiteral("sent.wav")), holdMs);
        QVERIFY2(out.contains("CQ CQ de QT0LB QT0LB pse k"), out.constData());
    }

    // The server killed or the sink unloaded while the engine runs: the fault status once,
    // no crash, and once the device is back the engine opens it again by itself.
    void deviceLost_data() {
        QTest::addColumn<bool>("killServer");
        QTest::newRow("server killed") << true;
        QTest::newRow("sink removed") << false;
    }
    void deviceLost() {
        QFETCH(bool, killServer);
        EngineProbe probe;
        QCOMPARE(fnStartSoundCard(probe.handle(), 0, 3), 0);
        QTRY_VERIFY_WITH_TIMEOUT(probe.count(PSKCORE_MSG_DATA) > 5, 10000);
        if (killServer)
            server_->kill();
        else
            QCOMPARE(SoundServer::pactl({"unload-module", "module-null-sink"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(probe.hasStatus(PSKCORE_STATUS_READ_NOT_OPEN), 10000);
        QTest::qWait(5000); // the attempts to reopen it meanwhile fail quietly
        int lost = 0;
        for (int32_t s : probe.statuses())
            lost += s == PSKCORE_STATUS_READ_NOT_OPEN;
        QCOMPARE(lost, 1);
        if (killServer)
            startServer();
        else
            QCOMPARE(SoundServer::pactl({"load-module", "module-null-sink", "sink_name=tdsink"}),
                     0);
        playUntilDecoded(probe);
        QCOMPARE(fnStopSoundCard(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPulse)
#include "tst_pulse.moc"
