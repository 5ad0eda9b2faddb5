// Both RTTY paths at once: the real engine on the simulated band in pane 0, a simulated modem on a
// pseudo-terminal in pane 1, a rig companion on the test bus.
#include <csignal>
#include <QGroupBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>

#include "AppFixture.h"
#include "FakeTnc.h"
#include "RttyPaths.h"
#include <rtty/MMTTYPanel.h>

class TestRttyEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir runtime_;
    std::unique_ptr<fake::AppFixture> f;
    std::unique_ptr<tdtest::FakeTnc> tnc;
    QProcess rig;
    QString rigSaid_;
    app::RttyPaths* rtty = nullptr;
    mainwindow::TonedeckApp& app() { return *f->app; }
    const QString& rigSaid() { return rigSaid_ += QString::fromUtf8(rig.readAllStandardOutput()); }
    int rigCount(const QString& command) { return int(rigSaid().count(" 000" + command + "\n")); }

private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        qputenv("TONEDECK_MMTTY_SOURCE", "sim");
        rig.start(FAKE_COMPANION, {"rig"});
        QVERIFY2(rig.waitForReadyRead(5000), "the rig companion did not start");
        f = std::make_unique<fake::AppFixture>();
        QVERIFY(QFile::link(TD_MMTTY, f->dir.filePath("mmtty")));
        tnc = std::make_unique<tdtest::FakeTnc>(f->settings, f->dir.path(), 2);
        f->settings.saveSetting("General", "Mode", "1");
        f->settings.saveSetting("MMTTY", "MMTTYSpeed", "300");  // 40 characters a second
        f->settings.saveSetting("Transmitter", "PTTMode", "4"); // keyed through the rig companion
        auto owned = std::make_unique<app::RttyPaths>();
        rtty = owned.get();
        f->app = std::make_unique<mainwindow::TonedeckApp>(
            f->services, fake::FakePskEngine::table(), std::move(owned));
        rtty->Attach(app());
        app().main.Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(
            rtty->modem()->Enabled() && rtty->soundcard().module()->speed() == 300, 15000);
        // The modem came first and had the whole area: with both, each gets half.
        QVERIFY(rtty->paneShare(0) == 0.5 && rtty->paneShare(1) == 0.5);
        rtty->soundcard().module()->SetOptimalReceiveFrequency(); // retunes through the companion
        QTRY_VERIFY(rigSaid().contains(" 000qsy140"));            // the rig's dial is 14,070
    }
    void cleanupTestCase() {
        f.reset();
        rig.kill();
        rig.waitForFinished();
    }

    // Macro text reaches the selected path only, all of it, in order, with the start and stop in
    // their places (the clipboard's and files' feeds take the same way into the paths, see
    // tst_transmitpane); pane 1 shows what the modem sends back.
    void feedsReachTheSelectedPath_data() {
        QTest::addColumn<int>("pane");
        QTest::newRow("soundcard") << 0;
        QTest::newRow("modem") << 1;
    }
    void feedsReachTheSelectedPath() {
        QFETCH(int, pane);
        rtty->SelectPane(pane);
        QCOMPARE(rtty->soundcard().panel()->RTTYTransmitFrame->title(),
                 pane ? "Transmit RTTY (TestModem)" : "Transmit RTTY (soundcard)");
        const QByteArray text = QByteArray("RYRY MACRO 73 ").repeated(8); // more than a path takes
        tnc->said.clear();
        const int keyed = rigCount("transmit"), released = rigCount("receive");
        auto& tx = app().transmitPane;
        tx.SendMacroText(QString::fromLatin1("\x13" + text + "\x11"));
        QVERIFY(tx.FeedRunning()); // the path took what it had room for
        QTRY_VERIFY_WITH_TIMEOUT(!tx.FeedRunning() && !rtty->Transmitting(), 20000);
        QTRY_VERIFY2(app().main.Display[pane]->toPlainText().contains(QString::fromLatin1(text)),
                     qPrintable(app().main.Display[pane]->toPlainText().right(300)));
        QTRY_COMPARE(tnc->said, pane ? "\033x\r" + text + "\033r\r" : QByteArray());
        // Only the soundcard path keys the rig through the companion.
        QTRY_COMPARE(rigCount("receive"), released + 1 - pane);
        QCOMPARE(rigCount("transmit"), keyed + 1 - pane);
        QCOMPARE(f->dialogs.messages(), QStringList());
    }

    // The modem closes in 100 ms; the RTTY button waits for the engine, which here does not
    // go until it is ended.
    void leavingRttyWaitsForBothPaths() {
        const qint64 pid = rtty->soundcard().enginePid();
        QVERIFY(pid > 0);
        ::kill(pid_t(pid), SIGSTOP);
        app().main.ModeButton[0]->click();
        QTRY_VERIFY(!rtty->modem()->ShutdownPending());
        QVERIFY(rtty->soundcard().module()->ShutdownPending());
        QVERIFY(!app().main.ModeButton[1]->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(app().main.ModeButton[1]->isEnabled(),
                                 3 * app::SoundcardRtty::kCloseGraceMs);
        QVERIFY(tnc->said.endsWith("\033c\r"));
    }
};

QTEST_MAIN(TestRttyEndToEnd)
#include "tst_rtty_endtoend.moc"
