// Engine messages: interception, ring buffers, status handling, the drain timers.
#include "AppFixture.h"
#include <psk/CharRing.h>
#include <psk/PSKCoreMsgHandler.h>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;
static const QString kVersion = mainwindow::TonedeckApp::Version();

class TestMsgHandler : public QObject {
    Q_OBJECT

    static void settle() { fake::AppFixture::settle(); }
    // A message posted as the engine does, and handled.
    static void handled(bool posted) {
        QVERIFY(posted);
        settle();
    }
    static QString pane(AppFixture& f, int i) { return f.app->main.Display[i]->toPlainText(); }

private slots:
    void overflowShowsIndicatorAndDrainRecovers() {
        AppFixture f;
        auto& app = f.start();
        auto& x = app.xcvr;
        for (int i = 0; i < 4096; ++i)
            x.SaveNewChar('A', 1);
        QVERIFY(app.main.ReceiveStatus->isHidden());
        x.SaveNewChar('B', 1); // the 4097th
        QVERIFY(!app.main.ReceiveStatus->isHidden());
        QCOMPARE(app.main.ReceiveStatus->toolTip(), QString("input buffer overflow"));
        QCOMPARE(app.main.ReceiveStatus->palette().color(QPalette::Window), QColor(255, 0, 0));
        QVERIFY(app.main.PskTimers.ReceiveStatusTimer.isActive());
        int n = 0;
        while (x.GetNewChar(1) == 'A')
            ++n;
        QCOMPARE(n, 4096);
        x.SaveNewChar('C', 1);
        QCOMPARE(x.GetNewChar(1), uint8_t('C'));
        QCOMPARE(x.GetNewChar(1), uint8_t(0));
        QVERIFY(f.errorLog().isEmpty()); // overflow is shown, not logged
    }

    // Each channel drains into its own pane; the echo (-1) on timer 3 into the active pane.
    void charactersReachTheirPanes() {
        AppFixture f;
        auto& app = f.start();
        handled(FakePskEngine::instance().postChar('r', 0));
        psk::PSKCoreMsgHandler::WindowProc(app.xcvr, app.main.Hwnd().handle(), psk::kMsgNewChar,
                                           'x', -1);
        QVERIFY(app.main.PskTimers.CharTimer[3].isActive());
        for (int i = 0; i < 3; ++i)
            QVERIFY(!app.main.PskTimers.CharTimer[i].isActive());
        handled(FakePskEngine::instance().postChar('Z', 2));
        QCOMPARE(pane(f, 0), QString("r\nx"));
        QCOMPARE(pane(f, 1), QString());
        QCOMPARE(pane(f, 2), QString("Z"));
    }

    void badChannelOrCodeIsDroppedAndReported_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("errorNumber");
        QTest::newRow("channel 3") << 65 << 3 << 9;
        QTest::newRow("channel -2") << 65 << -2 << 9;
        QTest::newRow("code 256") << 256 << 0 << 6;
        QTest::newRow("code -1") << -1 << 0 << 6;
    }
    void badChannelOrCodeIsDroppedAndReported() {
        QFETCH(int, code);
        QFETCH(int, channel);
        QFETCH(int, errorNumber);
        AppFixture f;
        auto& app = f.start();
        psk::PSKCoreMsgHandler::WindowProc(app.xcvr, app.main.Hwnd().handle(), psk::kMsgNewChar,
                                           code, channel);
        if (channel < -1 || channel > 2)
            for (auto& t : app.main.PskTimers.CharTimer)
                QVERIFY(!t.isActive());
        for (int ch = -1; ch <= 2; ++ch)
            QCOMPARE(app.xcvr.GetNewChar(ch), uint8_t(0));
        const QString log = f.errorLog();
        QVERIFY2(log.contains(
                     QString("program error %1 in module PSKXcvr.SaveNewChar: ").arg(errorNumber)),
                 qPrintable(log));
        QVERIFY(log.contains("Tonedeck version " + kVersion + " startup"));
    }

    void onlyTheLastStatusIsActedOn() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QVERIFY(e.postStatus(1));
        handled(e.postStatus(0));
        QVERIFY(!app.xcvr.Transmitting());
        QVERIFY(e.postStatus(0));
        handled(e.postStatus(3));
        QVERIFY(app.xcvr.Transmitting());
    }

    void lockedDrainKeepsCharactersUntilTheNextMessage() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QVERIFY(app.main.LockCharHandler(1));
        QVERIFY(e.postChar('h', 1));
        handled(e.postChar('i', 1));
        QCOMPARE(pane(f, 1), QString());
        QVERIFY(!app.main.PskTimers.CharTimer[1].isActive()); // the tick is not repeated
        app.main.UnlockCharHandler(1);
        settle();
        QCOMPARE(pane(f, 1), QString());
        handled(e.postChar('!', 1));
        QCOMPARE(pane(f, 1), QString("hi!"));
        QVERIFY(!app.main.CharHandlerLocked(1));
    }

    void imdShowsTheActiveChannelAndKeepsTheWorstReading() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto* current = app.main.findChild<QLabel*>("RcvIMD");
        auto* peak = app.main.findChild<QLineEdit*>("PeakIMD");
        QVERIFY(current && peak);
        handled(e.postImd(-25, 0));
        QCOMPARE(current->text(), QString("-25"));
        QCOMPARE(peak->text(), QString("-25"));
        handled(e.postImd(-28, 0)); // better than the peak: the peak stays
        QCOMPARE(current->text(), QString("-28"));
        QCOMPARE(peak->text(), QString("-25"));
        handled(e.postImd(-20, 0));
        QCOMPARE(peak->text(), QString("-20"));
        // Another channel's reading changes nothing (each handled before the next arrives).
        handled(e.postImd(-10, 2));
        handled(e.postImd(-5, 200));
        QCOMPARE(current->text(), QString("-20"));
        QCOMPARE(peak->text(), QString("-20"));
        // The blanking tick empties the reading and keeps the peak; a channel change resets both.
        emit app.main.PskTimers.IMDBlankingTimer.timeout({});
        QCOMPARE(current->text(), QString());
        QCOMPARE(peak->text(), QString("-20"));
        app.xcvr.SetActiveChannel(1);
        QCOMPARE(peak->text(), QString());
        QCOMPARE(app.xcvr.PeakIMD(), -999);
        handled(e.postImd(-30, 1));
        QCOMPARE(peak->text(), QString("-30"));
        app.main.ResetIMDcmd->click();
        QCOMPARE(peak->text(), QString());
    }

    void otherMessagesReachThePreviousProcedure() {
        AppFixture f;
        auto& app = f.create();
        QList<uint32_t> seen;
        app.main.Hwnd().setWindowProc([&](platform::WindowHandle, uint32_t m, int32_t, int32_t) {
            seen << m;
            return 7;
        });
        app.main.Form_Load();
        QVERIFY(app.xcvr.InterceptionStarted());
        QCOMPARE(app.main.Hwnd().sendMessage(0x1234, 1, 2), 7);
        QCOMPARE(app.main.Hwnd().sendMessage(psk::kMsgNewChar, 'a', 0), 0);
        QCOMPARE(seen, QList<uint32_t>{0x1234});
        // After the PSK side is disabled the engine's messages are no longer taken.
        app.xcvr.Disable();
        QCOMPARE(app.main.Hwnd().sendMessage(psk::kMsgNewChar, 'b', 0), 7);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(app.xcvr.GetNewChar(0), uint8_t('a'));
        // Enabling twice installs one handler: its chain still ends in the first procedure.
        app.xcvr.Enable();
        app.xcvr.Enable();
        QCOMPARE(app.main.Hwnd().sendMessage(0x1234, 1, 2), 7);
        QCOMPARE(FakePskEngine::instance().count("fnStartSoundCard"), 2);
        app.xcvr.Disable();
        QCOMPARE(app.main.Hwnd().sendMessage(psk::kMsgNewChar, 'c', 0), 7);
    }

    // A PTT port that cannot be opened: told once per failure, logged with the port each time.
    void pttPortFailureIsShownOnce() {
        AppFixture f;
        f.settings.saveSetting("Transmitter", "PTTPort", "3");
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        const QString text = "PTT port com3 cannot be opened: the transmitter will not be keyed";
        for (int i = 1; i <= 2; ++i) {
            QVERIFY(e.postStatus(psk::kStatusPttPortFailed));
            QTRY_COMPARE(f.errorLog().count(text), i);
        }
        QCOMPARE(f.dialogs.messages(), QStringList{text});
        app.xcvr.SetTransmitPTTPortMode();
        QVERIFY(e.postStatus(psk::kStatusPttPortFailed));
        QTRY_COMPARE(f.dialogs.messages().size(), 2);
    }
};

QTEST_MAIN(TestMsgHandler)
#include "tst_msghandler.moc"
