#include "AppFixture.h"
#include <csignal>
#include <dde/DDECommon.h>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QtTest>
#include <QUdpSocket>

using fake::AppFixture;
using fake::FakePskEngine;

namespace {

// A fake companion process ("rig", "logger", "dx") and what it printed.
struct Companion {
    QProcess p;
    QString out;
    explicit Companion(const QString& role, bool announce = false) {
        p.start(FAKE_COMPANION, announce ? QStringList{role, "--announce"} : QStringList{role});
        while (!output().contains("ready") && p.waitForReadyRead(5000)) {
        }
    }
    ~Companion() {
        ::kill(pid_t(p.processId()), SIGCONT);
        p.kill();
        p.waitForFinished();
    }
    QString output() { return out += QString::fromUtf8(p.readAllStandardOutput()); }
    bool received(const QString& command) { return output().contains(" " + command + "\n"); }
    void set(const QString& line) {
        p.write(("set " + line + "\n").toUtf8());
        while (!output().contains("done\n") && p.waitForReadyRead(5000)) {
        }
        out.remove("done\n");
    }
};

void tick(QTimer& t) {
    emit t.timeout({});
}

} // namespace

class TestDde : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no D-Bus bus"); }

    void withoutCompanionsEachProgramIsRetriedOnce() {
        AppFixture f;
        auto& app = f.start();
        for (int p : {0, 1, 3})
            QVERIFY(!app.dde.Connected(p) && app.dde.RetryPending(p));
        QVERIFY(!app.dde.RetryPending(2) && !app.dde.RetryPending(4));
        QVERIFY(app.main.ServerRetryTimer.isActive());
        QVERIFY(!app.main.OptimalOffsetCmd->isEnabled() &&
                !app.main.RTTYOptimalOffsetCmd->isEnabled());
        tick(app.main.ServerRetryTimer);
        for (int p = 0; p < 5; ++p)
            QVERIFY(!app.dde.RetryPending(p));
        QVERIFY(!app.main.ServerRetryTimer.isActive());
        QVERIFY(!app.main.windowTitle().contains('['));
        Companion dx("dx", true); // started later, it announces itself with 003start
        QTRY_VERIFY(app.dde.Connected(3));
        QVERIFY(app.main.windowTitle().endsWith(" [GSC]"));
    }

    // The retry scheduled at start-up must not outlive a connection by announcement: its tick,
    // landing as the program dies, would spend the one retry owed to the loss.
    void aConnectionCancelsTheStartUpRetry() {
        AppFixture f;
        auto& app = f.start();
        Companion rigc("rig", true);
        QTRY_VERIFY(app.dde.Connected(0));
        QVERIFY(!app.dde.RetryPending(0));
        rigc.p.kill();
        rigc.p.waitForFinished();
        tick(app.main.ServerRetryTimer); // before the close reaches us
        QTRY_VERIFY(!app.dde.Connected(0));
        QVERIFY(app.dde.RetryPending(0));
    }

    void linksClosingAtShutDownAreIgnored() {
        Companion rigc("rig");
        AppFixture f;
        auto& app = f.start();
        app.main.MarkShuttingDown();
        rigc.p.kill();
        QTRY_VERIFY(!app.dde.Window()->QSOFrequencyLink.IsOpen()); // the close came
        QVERIFY(app.dde.Connected(0) && !app.dde.RetryPending(0));
    }

    // The command strings the companions act on, each to its program.
    void companionsAtStartGetEveryCommand() {
        Companion rigc("rig"), logger("logger"), dx("dx");
        AppFixture f;
        auto& d = f.start().dde;
        QVERIFY2(f.app->main.windowTitle().endsWith(" [RW,LGV,GSC]"),
                 qPrintable(f.app->main.windowTitle()));
        QCOMPARE(f.app->main.QSOFrequency->text(), QString("14070.000"));
        QVERIFY(f.app->main.OptimalOffsetCmd->isEnabled());
        QVERIFY(d.SendTransmit() && d.SendReceive() && d.SendQSY(14069.7));
        QVERIFY(d.SendXcvrFreqMode("14070.000", "USB") && d.SendXcvrFreqMode("", "LSB"));
        QVERIFY(d.SendLog("<call:4>DL1X<eor>") && d.SendCheck("DL1X") && d.SendShowGrid("JO62"));
        for (const char* c : {"000transmit", "000receive", "000qsy14069.7",
                              "000xcvrfreqmode<xcvrfreq:9>14070.000<xcvrmode:3>USB",
                              "000xcvrfreqmode<xcvrfreq:0><xcvrmode:3>LSB"})
            QTRY_VERIFY2(rigc.received(c), c);
        QTRY_VERIFY(logger.received("001log<call:4>DL1X<eor>") && logger.received("001checkDL1X"));
        QTRY_VERIFY(dx.received("003showgridJO62"));
    }

    void hotLinksAndLookupFillTheFields() {
        Companion rigc("rig"), dx("dx");
        AppFixture f;
        auto& app = f.start();
        rigc.set("RigwrightUI FreqDisplay 7040.500");
        QTRY_COMPARE(app.main.QSOFrequency->text(), QString("7040.500"));
        rigc.set("DDEServer Mode LSB");
        QTRY_COMPARE(app.dde.Window()->Mode->text(), QString("LSB"));
        app.dde.Lookup("DL1ABC", 2);
        const dde::DXCCInfo& i = app.dde.LookupInfo(2);
        QCOMPARE(QStringList({i.DXCCID, i.DXCCPrefix, i.Cont, i.CQ, i.ITU}),
                 QStringList({"230", "DL", "EU", "14", "28"}));
        QVERIFY(app.dde.LookupInfo(1).DXCCID.isEmpty());
        // Gone while connected: one retry, which fails; the next lookup leaves the fields empty.
        dx.p.kill();
        QTRY_VERIFY(!app.dde.Connected(3));
        QVERIFY(app.dde.RetryPending(3) && !app.main.windowTitle().contains("GSC"));
        tick(app.main.ServerRetryTimer);
        QVERIFY(!app.dde.RetryPending(3) && !app.dde.Connected(3));
        app.dde.Lookup("DL1ABC", 2);
        QVERIFY(app.dde.LookupInfo(2).DXCCID.isEmpty() && app.dde.LookupInfo(2).Cont.isEmpty());
        QVERIFY(!app.dde.SendLog("<eor>")); // logger absent: nothing to send to
    }

    void announcementsAreParsedStrictly_data() {
        QTest::addColumn<QString>("execute");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("stop") << "001stop" << false;
        QTest::newRow("short") << "001" << false;
        QTest::newRow("letters") << "0x1start" << false;
        QTest::newRow("no program 7") << "007start" << false;
        QTest::newRow("huge") << "001start" + QString(100000, 'x') << false;
        QTest::newRow("upper case") << "001START" << true;
    }
    void announcementsAreParsedStrictly() {
        QFETCH(QString, execute);
        QFETCH(bool, accepted);
        AppFixture f;
        auto& app = f.start();
        tick(app.main.ServerRetryTimer); // the retries fail: only an announcement connects now
        Companion later("logger");
        QDBusMessage m =
            QDBusMessage::createMethodCall("dde.tonedeck", "/DDEClient", "dde.Topic", "Execute");
        m << execute;
        QDBusPendingReply<bool> reply = QDBusConnection::sessionBus().asyncCall(m);
        QTRY_VERIFY(reply.isFinished());
        QCOMPARE(reply.isValid() && reply.value(), accepted);
        QTest::qWait(50);
        QCOMPARE(app.dde.Connected(1), accepted);
        QCOMPARE(app.main.windowTitle().endsWith(" [LGV]"), accepted);
    }

    void aCompanionThatNeverAnswersIsDroppedAndRetried() {
        Companion rigc("rig");
        AppFixture f;
        auto& app = f.start();
        ::kill(pid_t(rigc.p.processId()), SIGSTOP);
        QVERIFY(!app.dde.SendQSY(7000)); // bounded by the call timeout
        QVERIFY(!app.dde.Connected(0) && app.dde.RetryPending(0));
        QVERIFY(!app.main.OptimalOffsetCmd->isEnabled());
        ::kill(pid_t(rigc.p.processId()), SIGCONT);
        tick(app.main.ServerRetryTimer);
        QVERIFY(app.dde.Connected(0));
    }

    void optimalOffsetRetunesTheRigAndMovesTheOtherChannels_data() {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("rewritten");
        QTest::addColumn<QString>("dial");
        QTest::addColumn<QString>("others"); // where channels 1 and 2 are moved to
        QTest::newRow("1500") << "1500"
                              << "1500"
                              << "14069.700"
                              << "2300 3500";
        QTest::newRow("5000") << "5000"
                              << "3500"
                              << "14067.700"
                              << "3500 3500";
        QTest::newRow("not a number") << "x"
                                      << "100"
                                      << "14071.100"
                                      << "900 2300";
    }
    void optimalOffsetRetunesTheRigAndMovesTheOtherChannels() {
        QFETCH(QString, offset);
        QFETCH(QString, rewritten);
        QFETCH(QString, dial);
        QFETCH(QString, others);
        const QStringList to = others.split(' ');
        QStringList calls{"fnSetAFCLimit(0,0)",
                          "fnSetAFCLimit(50,0)",
                          QString("fnSetRXFrequency(%1,0,0)").arg(rewritten),
                          QString("fnSetRXFrequency(%1,50,0)").arg(rewritten),
                          QString("fnSetRXFrequency(%1,50,1)").arg(to[0]),
                          QString("fnSetRXFrequency(%1,50,2)").arg(to[1])};
        Companion rigc("rig");
        AppFixture f;
        for (auto [ch, hz] : {std::pair{0, "1200"}, {1, "2000"}, {2, "3400"}})
            f.settings.saveSetting("Receiver", QString("Frequency%1").arg(ch), hz);
        auto& app = f.start();
        app.setupDialog.OptimalOffset->setText(offset);
        auto& e = FakePskEngine::instance();
        e.calls.clear();
        app.main.OptimalOffsetCmd->click();
        QCOMPARE(app.setupDialog.OptimalOffset->text(), rewritten);
        QCOMPARE(f.settings.getSetting("Receiver", "OptimalOffset"), rewritten);
        QStringList engineCalls =
            e.callsStartingWith("fnSetAFCLimit") + e.callsStartingWith("fnSetRXFrequency");
        std::sort(engineCalls.begin(), engineCalls.end());
        std::sort(calls.begin(), calls.end());
        QCOMPARE(engineCalls, calls);
        QCOMPARE(e.calls.first(), QString("fnSetAFCLimit(0,0)"));
        QTRY_COMPARE(app.main.QSOFrequency->text(), dial); // the rig moved, the field followed
    }

    void pttThroughTheRigProgram() {
        AppFixture f;
        f.settings.saveSetting("Transmitter", "PTTMode", "4");
        auto& app = f.start();
        app.xcvr.StartTransmit(); // nothing connected: the operator is told
        QCOMPARE(f.dialogs.messages().size(), 1);
        QVERIFY(f.dialogs.messages().first().contains("nothing will key the radio"));
        QCOMPARE(FakePskEngine::instance().count("fnStartTX"), 1);
        Companion rigc("rig");
        app.dde.Connect(0);
        app.xcvr.StartTransmit();
        app.xcvr.SetReceive();
        QCOMPARE(f.dialogs.messages().size(), 1);
        QTRY_VERIFY(rigc.received("000transmit") && rigc.received("000receive"));
        app.xcvr.StartTransmit();
        app.xcvr.SetTransmit();
        app.main.close(); // closing while transmitting unkeys the radio
        QTRY_COMPARE(rigc.output().count("000receive"), 2);
    }

    void fuzzAnnouncementsAndItems() {
        Companion rigc("rig");
        AppFixture f;
        auto& app = f.start();
        auto* source = &app.dde.Window()->Source;
        QRandomGenerator rng(9);
        QString s;
        int accepted = 0;
        // TD_FUZZ_INPUTS=1000000 for a long run; the suite's share keeps the sanitizer build quick.
        const int count = qEnvironmentVariableIntValue("TD_FUZZ_INPUTS") ?: 100000;
        for (int i = 0; i < count; ++i) {
            s.resize(rng.bounded(12));
            for (QChar& c : s)
                c = QChar(char16_t(rng.bounded(i % 2 ? 128 : 0x10000)));
            if (i % 4 == 0) s.prepend("00");
            accepted += source->OnExecute("DDEClient", s);
            dde::TagValue(s, "a");
            if (i % 4 == 0)
                QMetaObject::invokeMethod(&app.dde.Window()->ModeLink, "onAdvise",
                                          Q_ARG(QString, "Mode"), Q_ARG(QString, s));
            if (i % 100 == 0) // this one redraws the frequency scale each time
                QMetaObject::invokeMethod(&app.dde.Window()->QSOFrequencyLink, "onAdvise",
                                          Q_ARG(QString, "FreqDisplay"), Q_ARG(QString, s));
        }
        QVERIFY(accepted < 100);
        QCOMPARE(app.dde.Window()->Source.OnExecute("DDEClient", "003StArT"), true);
    }

    // A contact logged by the operator reaches a listening logger as the record the log file got.
    void loggedRecordsGoOutOverUdp() {
        AppFixture f;
        auto& app = f.start();
        QCOMPARE(f.settings.getSetting("Log", "UdpEnabled"), QString("0"));
        QCOMPARE(f.settings.getSetting("Log", "UdpPort"), QString("2333"));
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::LocalHost, 0));
        QVERIFY(!app.adifUdp.Send("<call:5>Q1ABC<eor>")); // off by default
        auto* form = app.setupDialog.findChild<QWidget*>("AdifUdpForm");
        QVERIFY(form);
        form->findChild<QSpinBox*>("UdpPort")->setValue(listener.localPort());
        form->findChild<QLineEdit*>("UdpHost")->setText("no host");
        QCOMPARE(f.settings.getSetting("Log", "UdpHost"), QString("127.0.0.1"));
        form->findChild<QCheckBox*>("UdpEnabledCheckbox")->setChecked(true);
        QCOMPARE(f.settings.getSetting("Log", "UdpPort"), QString::number(listener.localPort()));

        auto& m = app.main;
        m.Callsign->setText("Q1ABC");
        m.RSTsent->setText("599");
        m.RSTreceived->setText("579");
        m.QSOFrequency->setText("14070");
        app.qso.LogCmd_Click({});
        QVERIFY(m.Callsign->text().isEmpty()); // logged, so the fields were cleared
        QTRY_VERIFY(listener.hasPendingDatagrams());
        const QByteArray datagram = listener.receiveDatagram().data();
        QVERIFY2(datagram.contains("<CALL:5>Q1ABC") && datagram.contains("<RST_SENT:3>599") &&
                     datagram.endsWith("<EOR>"),
                 datagram.constData());
        QFile log(f.dir.filePath("Q0CALL.ADI"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains(datagram)); // the very record the log file got
    }
};

QTEST_MAIN(TestDde)
#include "tst_dde.moc"
