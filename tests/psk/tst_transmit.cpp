// The PSK side's transmit control: characters and the identification check, indications,
// transmit frequency and its lock, modulation, CW identification, PTT and the reminders.
#include "AppFixture.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;

class TestTransmit : public QObject {
    Q_OBJECT

    static void settle() { fake::AppFixture::settle(); }
    static void send(psk::PSKXcvr& x, const QByteArray& text) {
        for (char c : text)
            x.TransmitCharacter(static_cast<uint8_t>(c));
    }

private slots:
    void callsignInTheSentWindowClearsTheReminder() {
        AppFixture f; // callsign Q0CALL
        auto& app = f.start();
        auto& x = app.xcvr;
        auto& m = app.main;
        x.SetActiveChannel(1);
        x.IdentificationTick(1);
        QVERIFY(!m.XmitStatus[1]->isHidden());
        QVERIFY(!m.PskTimers.IdentificationTimer[1].isActive());
        send(x, QByteArray(40, 'x'));
        QCOMPARE(x.SentCharacters(), QString(16, 'X'));
        send(x, "q0cal");
        QVERIFY(!m.XmitStatus[1]->isHidden());
        send(x, "l");
        // Sent in lower case, found upper-cased: the operator has identified on channel 1.
        QVERIFY(m.XmitStatus[1]->isHidden());
        QCOMPARE(x.IdentificationCount(1), 0);
        QVERIFY(m.PskTimers.IdentificationTimer[1].isActive());
        QCOMPARE(x.SentCharacters(), QString());
        // Every character went to the engine as typed.
        const QByteArray sent = FakePskEngine::instance().sentCharacters();
        QCOMPARE(sent, QByteArray(40, 'x') + "q0call");
    }

    void identificationReminderBlinksRequiredThenOverdue() {
        AppFixture f;
        auto& app = f.start();
        auto& m = app.main;
        QTimer& timer = m.PskTimers.IdentificationTimer[2];
        app.xcvr.IdentificationTick(2);
        QVERIFY(!m.XmitStatus[2]->isHidden());
        QCOMPARE(m.XmitStatus[2]->toolTip(), QString("identification required on channel 2"));
        QCOMPARE(psk::foreColor(m.XmitStatus[2]), 65535);
        // The next tick of the channel's timer finds it overdue and stops the timer.
        timer.setInterval(5);
        timer.start();
        QTRY_COMPARE(m.XmitStatus[2]->toolTip(), QString("identification overdue on channel 2"));
        QCOMPARE(psk::foreColor(m.XmitStatus[2]), 255);
        QVERIFY(!m.XmitStatus[2]->isHidden());
        QVERIFY(!timer.isActive());
        QCOMPARE(app.xcvr.IdentificationCount(2), 0);
        app.xcvr.ResetIdentificationReminder(2);
        QCOMPARE(timer.interval(), 60000);
        // A click on the box selects its channel.
        QTest::mouseClick(m.XmitStatus[2], Qt::LeftButton);
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
    }

    void indicationsFollowTheEngineStatus() {
        AppFixture f;
        auto& app = f.start();
        auto& m = app.main;
        auto& e = FakePskEngine::instance();
        QVERIFY(m.StartXmitCmd->isEnabled());
        QVERIFY(!m.StopTransmitCmd->isEnabled());
        m.StartXmitCmd->click();
        QCOMPARE(e.calls.last(), QString("fnStartTX(0)"));
        QVERIFY(!m.OptimalOffsetCmd->isEnabled());
        // Nothing changes until the engine reports.
        QVERIFY(!app.xcvr.Transmitting());
        QVERIFY(m.StartXmitCmd->isEnabled());
        QVERIFY(e.postStatus(1));
        settle();
        QVERIFY(app.xcvr.Transmitting());
        QCOMPARE(psk::foreColor(m.TransmitFrame), 255);
        QCOMPARE(psk::foreColor(m.ReceiveFrame), 0);
        QVERIFY(!m.StartXmitCmd->isEnabled());
        QVERIFY(m.IDCmd->isEnabled());
        QVERIFY(m.StopTransmitCmd->isEnabled());
        QVERIFY(m.AbortTransmitCmd->isEnabled());
        app.xcvr.SetActiveChannel(2); // the channel stays while transmitting
        QCOMPARE(app.xcvr.ActiveChannel(), 0);
        m.IDCmd->click();
        QCOMPARE(e.calls.last(), QString("fnSendTXCharacter(2,1)"));
        QVERIFY(!m.IDCmd->isEnabled());
        m.StopTransmitCmd->click();
        QCOMPARE(e.calls.last(), QString("fnStopTX()"));
        m.AbortTransmitCmd->click();
        QCOMPARE(e.calls.last(), QString("fnAbortTX()"));
        QVERIFY(e.postStatus(0));
        settle();
        QVERIFY(!app.xcvr.Transmitting());
        QCOMPARE(psk::foreColor(m.TransmitFrame), 0);
        QVERIFY(m.StartXmitCmd->isEnabled());
        QVERIFY(!m.IDCmd->isEnabled());
        QVERIFY(!m.AbortTransmitCmd->isEnabled());
        app.xcvr.SetActiveChannel(2);
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        app.xcvr.SetActiveChannel(3);
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        QVERIFY(f.errorLog().contains("program error 9 in module PSKXcvr.SetActiveChannel"));
        // No transceiver-control program is connected to retune for the optimal offset.
        QVERIFY(!m.OptimalOffsetCmd->isEnabled());
        app.xcvr.TransmitAutoStop();
        QCOMPARE(e.calls.last(), QString("fnSendTXCharacter(1,1)"));
    }
};

QTEST_MAIN(TestTransmit)
#include "tst_transmit.moc"
