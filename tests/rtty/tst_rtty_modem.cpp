// The external modem against a simulated one on a pseudo-terminal: start-up, echo counting,
// reception into pane 1, the port's settings and faults; the PTT port reset.
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeTnc.h"
#include "rtty/RTTYModemModule.h"
#include "rtty/TonedeckComm.h"

namespace {
// The window around the modem (pane 1 shows the echo of what was sent in lower case), and the
// modem lines a pseudo-terminal lacks.
struct Host : rtty::RTTYModemHost, rtty::LineControl {
    QTemporaryDir dir;
    platform::SettingsStore store{dir.filePath("t.ini")};
    QStringList boxes;
    QString pane;
    bool box = true, modeButton = true, boxEnabled = true, transmitting = false, locked = false;
    bool dtr = false, rts = false;
    int ended = 0, lineCalls = 0;
    void messageBox(const QString& t) override { boxes << t; }
    QString myCallsign() const override { return "DL1ABC"; }
    QDateTime utcNow() const override { return {}; }
    platform::SettingsStore& settings() override { return store; }
    QString modemFolder() const override { return dir.filePath("Modems"); }
    bool rttyModeSelected() const override { return true; }
    void setRttyModeButtonEnabled(bool on) override { modeButton = on; }
    void setEnabledBox(bool c) override { box = c; }
    void setEnabledBoxEnabled(bool on) override { boxEnabled = on; }
    void append(int, int c, int k) override { pane += k == 1 ? QChar(c).toLower() : QChar(c); }
    void appendNewline(int) override { pane += '|'; }
    int paneColor(int) const override { return 2; }
    int transmittedTextColor() const override { return 1; }
    void showTransmitting(bool on) override { transmitting = on; }
    void transmissionEnded() override { ++ended; }
    bool charHandlerLocked() const override { return locked; }
    void setLines(QSerialPort&, bool d, bool r) override { ++lineCalls, dtr = d, rts = r; }
};
} // namespace

class TestRTTYModem : public QObject {
    Q_OBJECT
    std::unique_ptr<Host> host;
    std::unique_ptr<tdtest::FakeTnc> tnc;
    std::unique_ptr<rtty::RTTYModemModule> modem;

    QString get(const char* key) { return host->store.getSetting("RTTYModem", key); }
    bool enable() {
        modem->Initialize();
        modem->Enable();
        return modem->Enabled();
    }

private slots:
    void init() {
        host = std::make_unique<Host>();
        tnc = std::make_unique<tdtest::FakeTnc>(host->store, host->dir.path(), 3);
        host->store.saveSetting("SerialPorts", "COM4", host->dir.filePath("nothing"));
        modem = std::make_unique<rtty::RTTYModemModule>(*host);
        modem->comm().setLineControl(host.get());
    }
    void cleanup() { modem.reset(), tnc.reset(), host.reset(); }

    void startupSpeedAndShutdown() {
        modem->Initialize();
        QCOMPARE(modem->comm().lineSettings(), "9600,N,8,1"); // nothing stored yet
        modem->comm().SetModemSpeed(5);                       // the port is closed: only stored
        QVERIFY(host->lineCalls == 0 && get("RTTYModemSpeed") == "5");
        QVERIFY(enable() && host->dtr && host->rts);
        QCOMPARE(modem->comm().lineSettings(), "1200,N,8,1");
        QTRY_COMPARE(tnc->said, "\033i\r\033t\r\033rr0\r\033tr0\r\033u1\r\033b1\r\033s1\r");
        modem->comm().SetModemSpeed(7); // open: opened again at the new speed
        QVERIFY(host->lineCalls == 2 && modem->comm().PortOpened());
        modem->SelectSpeed("75");
        QTRY_VERIFY(tnc->said.endsWith("\033b3\r") && get("RTTYModemBaud") == "75");
        modem->Terminate(); // "cmdcmd" reaches the modem before the port closes
        QVERIFY(!modem->comm().PortOpened() && !host->boxEnabled);
        QTRY_VERIFY(tnc->said.endsWith("\033c\r"));
    }

    void echoCounting() {
        QVERIFY(enable());
        tnc->echo = false;
        modem->StartTransmit();
        for (char c : QByteArray("HELLO"))
            modem->SendCharacter(c);
        modem->StopTransmit();
        QTRY_VERIFY(tnc->said.endsWith("\033x\rHELLO\033r\r"));
        // Three characters of "xmitcmd" and five typed: the eighth echo ends the transmission.
        tnc->inject("\033x\rHELL");
        QTest::qWait(50);
        QVERIFY(modem->Transmitting() && modem->echoCount() == 1);
        tnc->inject("O");
        QTRY_VERIFY(!modem->Transmitting());
        tnc->inject("\r\nRY");
        // The echo of "xmitcmd" shows (its escape dropped); the line end after it, when receiving.
        QTRY_COMPARE(host->pane, "|x|hello||RY");
        QVERIFY(!host->transmitting && host->ended == 1);
        modem->StartTransmit();
        modem->SendCharacter('A');
        modem->AbortTransmit(); // at once, whatever the echo
        QVERIFY(!modem->Transmitting() && !host->transmitting && host->ended == 2);
        QTRY_VERIFY(tnc->said.endsWith("A\033a\r"));
        QFile f(host->modemFolder() + "/Silent.txt"); // no transmit command: nothing to wait for
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("rcvcmd=<27>r<13>\n") && f.flush());
        modem->SelectModel("Silent");
        modem->StartTransmit();
        QVERIFY(modem->Transmitting());
        modem->StopTransmit();
        QVERIFY(!modem->Transmitting() && host->ended == 3);
    }

    void reenableWhileClosing() {
        QVERIFY(enable());
        modem->Disable();
        QVERIFY(!host->modeButton && !host->boxEnabled && !modem->HasRoom());
        modem->Enable(); // within the 100 ms
        QVERIFY(!host->boxEnabled && modem->comm().PortOpened() && !modem->Enabled());
        QTRY_VERIFY(!modem->ShutdownPending());
        QVERIFY(host->modeButton && host->boxEnabled && modem->Enabled());
        QCOMPARE(host->lineCalls, 2); // closed, then opened again
    }

    void openFailures_data() {
        QTest::addColumn<QStringList>("row"); // port, model, message
        QTest::newRow("no port") << QStringList{"0", "TestModem", "No com port selected"};
        QTest::newRow("no device") << QStringList{"4", "TestModem", "Unable to open Com4"};
        QTest::newRow("held") << QStringList{"3", "TestModem", "Com3 is already in use"};
        QTest::newRow("no file") << QStringList{
            "3", "Absent", "Specified external RTTY modem parameter file does not exist"};
    }
    void openFailures() {
        QFETCH(QStringList, row);
        host->store.saveSetting("RTTYModem", "RTTYModemPort", row[0]);
        host->store.saveSetting("RTTYModem", "RTTYModemModel", row[1]);
        QSerialPort other(tnc->path);
        if (QTest::currentDataTag() == QLatin1String("held"))
            QVERIFY(other.open(QIODevice::ReadWrite));
        QVERIFY(!enable());
        QCOMPARE(host->boxes, QStringList{row[2]});
        QVERIFY(!host->box && !modem->comm().PortOpened() && get("RTTYModemEnabled") == "0");
    }

    // Input waits while the pane is held and is looked at again once released; a flood is shown
    // a slice per turn of the event loop; nothing is lost or reordered.
    void receiveHeldAndSliced() {
        tnc->echo = false;
        QVERIFY(enable());
        host->locked = true;
        const QByteArray burst =
            "RYRY\r\nCQ\n\rDE\r\r" + QByteArray("ABCDEFGHIJKLM").repeated(7700);
        tnc->inject(burst);
        QTest::qWait(50);
        QVERIFY(host->pane.isEmpty());
        int turns = 0; // turns of the event loop that saw part of the burst shown
        QTimer tick;
        connect(&tick, &QTimer::timeout,
                [&] { turns += !host->pane.isEmpty() && host->pane.size() < 100000; });
        tick.start(0);
        host->locked = false; // nothing else arrives
        QTRY_VERIFY_WITH_TIMEOUT(host->pane.size() >= 100000, 20000);
        QVERIFY(turns > 100000 / rtty::RTTYModemModule::kReadChunk / 2);
        QCOMPARE(host->pane, "RYRY|CQ|DE||" + QString::fromLatin1(burst.mid(14)));
    }

    void unpluggedWhileSending() {
        QVERIFY(enable());
        modem->StartTransmit();
        modem->SendCharacter('A');
        tnc->unplug();
        QTRY_VERIFY(!modem->Enabled());
        QVERIFY(host->boxes.size() == 1 &&
                host->boxes[0].startsWith("Com3 is no longer available"));
        QVERIFY(!modem->Transmitting() && !modem->comm().PortOpened() && !host->box);
        tnc->reopen();
        modem->EnabledChanged(true); // the operator ticks the box again
        QTRY_VERIFY(tnc->said.endsWith("\033s1\r"));
    }

    // The PTT port's lines are dropped at start-up: open, DTR and RTS off, closed again.
    void resetPort() {
        rtty::TonedeckComm comm(host->store, host.get());
        comm.ResetPort(0); // nothing to reset, a device that is not there: ignored
        comm.ResetPort(4);
        host->dtr = host->rts = true;
        comm.ResetPort(3); // the only call of the three
        QVERIFY(host->lineCalls == 1 && !host->dtr && !host->rts);
        QVERIFY(QSerialPort(tnc->path).open(QIODevice::ReadWrite)); // not held
    }
};

QTEST_GUILESS_MAIN(TestRTTYModem)
#include "tst_rtty_modem.moc"
