// The rig bridge between hamlib's rigctld and the program, each in its own process.
#include "AppFixture.h"
#include "RttyPaths.h"
#include <dde/DDECommon.h>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using fake::AppFixture;

namespace {

// A client of rigctld on one connection, as a station program keeps it. (A connection per
// question is not an option: rigctld resets a connection opened while another one closes.)
struct Rigctl {
    QTcpSocket s;
    bool open(quint16 port) {
        s.abort();
        s.connectToHost("127.0.0.1", port);
        return s.waitForConnected(3000);
    }
    // The first line of the answer; all `lines` are read, so none is taken for the next answer.
    QString ask(const QByteArray& command, int lines = 1) {
        s.write(command + "\n");
        QStringList got;
        while (got.size() < lines && (s.canReadLine() || s.waitForReadyRead(3000)))
            while (got.size() < lines && s.canReadLine())
                got << QString::fromLatin1(s.readLine()).trimmed();
        return got.size() == lines ? got.front() : QStringLiteral("no answer");
    }
    // Asks until the answer is `expected` or 15 s pass; the last answer.
    QString await(const QByteArray& command, const QString& expected, int lines = 1) {
        const QDeadlineTimer deadline(15000);
        QString a;
        while ((a = ask(command, lines)) != expected && !deadline.hasExpired())
            QTest::qWait(50);
        return a;
    }
};

quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

void startBridge(QProcess& bridge, quint16 port) {
    bridge.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bridge.start(RIGBRIDGE, {"--port", QString::number(port), "--poll-ms", "100"});
}

void stop(QProcess& p) {
    p.kill();
    p.waitForFinished();
}

} // namespace

class TestRigBridge : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no D-Bus bus"); }

    void followsAndDrivesTheDummyRig() {
        const quint16 port = freePort();
        QProcess rigctld, bridge;
        rigctld.start("rigctld",
                      {"-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t", QString::number(port)});
        QVERIFY2(rigctld.waitForStarted(), "rigctld (libhamlib-utils) is needed");
        Rigctl rig;
        QTRY_VERIFY_WITH_TIMEOUT(rig.open(port), 15000);
        QCOMPARE(rig.ask("F 14070000"), QString("RPRT 0"));
        AppFixture f;
        f.store({"Receiver/Frequency0=1200", "MMTTY/MMTTYEnabled=0", "RTTY/RTTYOffset0=170"});
        auto paths = std::make_unique<app::RttyPaths>();
        app::RttyPaths& rtty = *paths;
        f.app = std::make_unique<mainwindow::TonedeckApp>(f.services, fake::FakePskEngine::table(),
                                                          std::move(paths));
        rtty.Attach(*f.app);
        auto& app = f.start();
        startBridge(bridge, port);
        QTRY_VERIFY_WITH_TIMEOUT(app.dde.Connected(0), 15000); // the bridge announced itself
        QTRY_COMPARE(app.main.QSOFrequency->text(), QString("14070.000"));
        QCOMPARE(rig.ask("F 7040000"), QString("RPRT 0"));
        QTRY_COMPARE(app.main.QSOFrequency->text(), QString("7040.000"));
        QCOMPARE(app.main.BandCombo->currentText(), QString("40m")); // the band follows the dial
        app.main.OptimalOffsetCmd->click();
        QCOMPARE(rig.await("f", "7039700"), QString("7039700"));
        QTRY_COMPARE(app.main.QSOFrequency->text(), QString("7039.700"));
        app.xcvr.UpdateXCVRMode("LSB");
        QCOMPARE(rig.await("m", "LSB", 2), QString("LSB"));
        rtty.selection()->UpdateXCVRMode(1, 0); // the RTTY path's FSK, offset 0 instead of 170
        QCOMPARE(rig.await("m", "RTTY", 2), QString("RTTY"));
        QCOMPARE(rig.ask("f"), QString("7039530"));
        QVERIFY(app.dde.SendTransmit());
        QCOMPARE(rig.await("t", "1"), QString("1"));
        QVERIFY(app.dde.SendReceive());
        QCOMPARE(rig.await("t", "0"), QString("0"));
        stop(bridge); // gone: disconnected, one retry; started again, it announces itself
        QTRY_VERIFY(!app.dde.Connected(0));
        QVERIFY(app.dde.RetryPending(0) && !rtty.transceiverLinked());
        startBridge(bridge, port);
        QTRY_VERIFY_WITH_TIMEOUT(app.dde.Connected(0), 15000);
        QVERIFY(app.dde.SendTransmit());
        QCOMPARE(rig.await("t", "1"), QString("1"));
        app.dde.Shutdown(); // the program leaves the bus while transmitting: the bridge unkeys
        QCOMPARE(rig.await("t", "0"), QString("0"));
        stop(bridge);
        stop(rigctld);
    }

    // A connection rigctld resets under a command: the bridge connects again at once and the
    // command Tonedeck was told was taken still reaches the rig; the service stays. A rigctld
    // gone for good while keyed: the radio is unkeyed first thing when it is back.
    void aResetConnectionLosesNoCommand() {
        QTcpServer rigd; // answers as rigctld does, and resets the first connection that sets
        QVERIFY(rigd.listen(QHostAddress::LocalHost));
        QByteArray freq = "14070000";
        QByteArrayList heard;
        int connections = 0;
        bool reset = false;
        connect(&rigd, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* c = rigd.nextPendingConnection();
            ++connections;
            connect(c, &QTcpSocket::readyRead, c, [&, c] {
                while (c->canReadLine()) {
                    const QByteArray line = c->readLine().trimmed();
                    heard << line;
                    if (line.startsWith("F ") && !reset) {
                        reset = true;
                        c->abort();
                        return;
                    }
                    if (line.startsWith("F ")) freq = line.mid(2);
                    c->write(line == "f" ? freq + "\n"
                                         : QByteArray(line == "m" ? "USB\n2400\n" : "RPRT 0\n"));
                }
            });
        });
        QProcess bridge;
        startBridge(bridge, rigd.serverPort());
        const QString service = dde::ServiceName("Rigwright");
        auto* bus = QDBusConnection::sessionBus().interface();
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(service), 15000);
        auto execute = QDBusMessage::createMethodCall(service, dde::ObjectPath("DDEServer"),
                                                      dde::kInterface, "Execute");
        execute << QString("000qsy7039.7");
        const QDBusMessage reply = QDBusConnection::sessionBus().call(execute);
        QCOMPARE(reply.arguments().value(0).toBool(), true);
        QTRY_COMPARE_WITH_TIMEOUT(freq, QByteArray("7039700"), 15000);
        QCOMPARE(connections, 2);
        QVERIFY(bus->isServiceRegistered(service));
        execute.setArguments({QString("000transmit")});
        QVERIFY(QDBusConnection::sessionBus().call(execute).arguments().value(0).toBool());
        QTRY_VERIFY(heard.contains("T 1"));
        const quint16 port = rigd.serverPort();
        rigd.close();
        for (QTcpSocket* c : rigd.findChildren<QTcpSocket*>())
            c->abort();
        QTRY_VERIFY_WITH_TIMEOUT(!bus->isServiceRegistered(service), 15000);
        heard.clear();
        QVERIFY(rigd.listen(QHostAddress::LocalHost, port));
        QTRY_VERIFY_WITH_TIMEOUT(!heard.isEmpty(), 15000);
        QCOMPARE(heard.front(), QByteArray("T 0"));
        stop(bridge);
    }
};

QTEST_MAIN(TestRigBridge)
#include "tst_rigbridge.moc"
