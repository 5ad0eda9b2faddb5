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

    static void settle() {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
    static void send(psk::PSKXcvr& x, const QByteArray& text) {
        for (char c : text)
            x.TransmitCharacter(static_cast<uint8_t>(c));
    }

private slots:
    void callsignInTheSentWindowClearsTheReminder() {
        AppFixture f; // callsign N0CALL
        auto& app = f.start();
        auto& x = app.xcvr;
        auto& m = app.main;
        x.SetActiveChannel(1);
        x.IdentificationTick(1);
        QVERIFY(!m.XmitStatus[1]->isHidden());
        QVERIFY(!m.PskTimers.IdentificationTimer[1].isActive());
        send(x, QByteArray(40, 'x'));
        QCOMPARE(x.SentCharacters(), QString(16, 'X'));
        send(x, "n0cal");
        QVERIFY(!m.XmitStatus[1]->isHidden());
        send(x, "l");
        // Sent in lower case, found upper-cased: the operator has identified on channel 1.
        QVERIFY(m.XmitStatus[1]->isHidden());
        QCOMPARE(x.IdentificationCount(1), 0);
        QVERIFY(m.PskTimers.IdentificationTimer[1].isActive());
        QCOMPARE(x.SentCharacters(), QString());
        // Every character went to the engine as typed.
        const QByteArray sent = FakePskEngine::instance().sentCharacters();
        QCOMPARE(sent, QByteArray(40, 'x') + "n0call");
    }

    void lowerCaseStoredCallsignIsNeverFound() {
        AppFixture f;
        f.settings.saveSetting("General", "Callsign", "n0call");
        auto& app = f.start();
        auto& x = app.xcvr;
        x.IdentificationTick(0);
        send(x, "n0call N0CALL");
        QVERIFY(!app.main.XmitStatus[0]->isHidden());
        QCOMPARE(x.SentCharacters(), QString("N0CALL N0CALL"));
        // An emptied callsign field matches nothing either.
        app.setupDialog.MyCallsign->clear();
        send(x, "abc");
        QVERIFY(!app.main.XmitStatus[0]->isHidden());
        // Codes outside a byte are refused and reported, nothing is sent.
        FakePskEngine::instance().calls.clear();
        x.TransmitCharacter(300);
        QVERIFY(FakePskEngine::instance().calls.isEmpty());
        QVERIFY(f.errorLog().contains("PSKXcvr.TransmitCharacter"));
    }

    void identificationReminderBlinksRequiredThenOverdue() {
        AppFixture f;
        auto& app = f.start();
        auto& m = app.main;
        QTimer& timer = m.PskTimers.IdentificationTimer[2];
        QCOMPARE(timer.interval(), 60000);
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
        // No transceiver-control program is connected to retune for the optimal offset.
        QVERIFY(!m.OptimalOffsetCmd->isEnabled());
        app.xcvr.TransmitAutoStop();
        QCOMPARE(e.calls.last(), QString("fnSendTXCharacter(1,1)"));
    }

    void tuneKeepsIdDisabledAndRestoresTheModulation() {
        AppFixture f;
        f.settings.saveSetting("Transmitter", "Modulation", "1");
        auto& app = f.start();
        auto& m = app.main;
        auto& e = FakePskEngine::instance();
        m.TuneCheckbox->click();
        QCOMPARE(app.xcvr.GetTransmitModulation(), 3);
        QCOMPARE(m.TransmitFrame->title(), QString("Transmit (Tune)"));
        m.StartXmitCmd->click();
        QCOMPARE(e.calls.last(), QString("fnStartTX(3)"));
        QVERIFY(e.postStatus(3));
        settle();
        QVERIFY(!m.IDCmd->isEnabled());
        m.TuneCheckbox->click();
        QCOMPARE(app.xcvr.GetTransmitModulation(), 1);
        QVERIFY(app.setupDialog.XmitModeButton[1]->isChecked());
        QCOMPARE(f.settings.getSetting("Transmitter", "Modulation"), QString("1"));
    }

    void modulationCaptionAndCwIdentification() {
        AppFixture f;
        auto& app = f.start();
        auto& s = app.setupDialog;
        auto& e = FakePskEngine::instance();
        s.XmitModeButton[4]->click();
        QCOMPARE(app.main.TransmitFrame->title(), QString("Transmit (Tune ID)"));
        QCOMPARE(f.settings.getSetting("Transmitter", "Modulation"), QString("4"));
        // The engine hears of it only at the next start.
        QVERIFY(!e.calls.last().startsWith("fnStartTX"));
        app.xcvr.StartTransmit();
        QCOMPARE(e.calls.last(), QString("fnStartTX(4)"));
        QCOMPARE(psk::PSKXcvr::TransmitModulationName(5), QString());

        s.XmitCWID->setText("de N0CALL/QRP");
        QCOMPARE(e.calls.last(), QString("fnSetCWIDString(de N0CALL/QRP)"));
        QCOMPARE(f.settings.getSetting("Transmitter", "CWIdentificationString"),
                 QString("de N0CALL/QRP"));
        s.XmitCWIDButton[0]->click();
        QCOMPARE(e.calls.last(), QString("fnSetCWIDSpeed(1)"));
        QCOMPARE(f.settings.getSetting("Transmitter", "CWIdentificationSpeed"), QString("1"));
    }

    void pttModeFourKeysNothingInTheEngine() {
        AppFixture f;
        auto& app = f.start();
        auto& s = app.setupDialog;
        auto& e = FakePskEngine::instance();
        s.XmitPTTPortButton[2]->click();
        QCOMPARE(e.calls.last(), QString("fnSetComPort(3,0)"));
        s.XmitPTTButton[1]->click();
        QCOMPARE(e.calls.last(), QString("fnSetComPort(3,1)"));
        s.XmitPTTButton[4]->click();
        QCOMPARE(e.calls.last(), QString("fnSetComPort(3,0)"));
        QCOMPARE(app.xcvr.GetPTTMode(), 4);
        QCOMPARE(app.xcvr.GetPTTPort(), 3);
        QCOMPARE(f.settings.getSetting("Transmitter", "PTTMode"), QString("4"));
        QCOMPARE(f.settings.getSetting("Transmitter", "PTTPort"), QString("3"));
        // The same when the engine starts with the stored values.
        app.xcvr.Disable();
        e.calls.clear();
        app.xcvr.Enable();
        QVERIFY(e.calls.contains("fnSetComPort(3,0)"));
    }

    void lockedTransmitFrequencyFollowsTheActiveChannel() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& m = app.main;
        QVERIFY(m.TXFreqLock->isChecked());
        app.setupDialog.XmitOffset->setText("100");
        QCOMPARE(f.settings.getSetting("Transmitter", "XmitOffset"), QString("100"));
        e.rxFrequency[0] = 1000;
        e.rxFrequency[2] = 2000;
        e.calls.clear();
        QVERIFY(e.postData());
        settle();
        QCOMPARE(e.callsStartingWith("fnSetTXFrequency"), QStringList{"fnSetTXFrequency(900)"});
        QCOMPARE(app.xcvr.XmitFreq(), 900.0);
        QCOMPARE(m.TXFreq->text(), QString(".900"));
        // A new active channel takes the transmitter along.
        app.xcvr.SetActiveChannel(2);
        QCOMPARE(e.calls.last(), QString("fnSetTXFrequency(1900)"));
        // Unlocked, polls leave it; the button (or F1) moves it once.
        m.TXFreqLock->click();
        QCOMPARE(f.settings.getSetting("Transmitter", "Lock"), QString("0"));
        e.rxFrequency[2] = 2100;
        e.calls.clear();
        QVERIFY(e.postData());
        settle();
        QVERIFY(e.callsStartingWith("fnSetTXFrequency").isEmpty());
        m.SetTXFreqFromRXFreqCmd->click();
        QCOMPARE(e.calls.last(), QString("fnSetTXFrequency(2000)"));
        // Locking again moves it at once, and the captions name the channel.
        m.TXFreqLock->click();
        QCOMPARE(e.calls.last(), QString("fnSetTXFrequency(2000)"));
        QCOMPARE(m.TXFreqLock->text(), QString("net chan 2"));
        m.QSOFrequency->setText("7035");
        app.xcvr.UpdateTransmitToReceiveFrequency();
        QCOMPARE(m.TXFreq->text(), QString("7,037.000"));
    }

    void activeChannelStaysDuringATransmission() {
        AppFixture f;
        auto& app = f.start();
        QVERIFY(FakePskEngine::instance().postStatus(1));
        settle();
        app.xcvr.SetActiveChannel(2);
        QCOMPARE(app.xcvr.ActiveChannel(), 0);
        QVERIFY(FakePskEngine::instance().postStatus(0));
        settle();
        app.xcvr.SetActiveChannel(2);
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        app.xcvr.SetActiveChannel(3);
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        QVERIFY(f.errorLog().contains("program error 9 in module PSKXcvr.SetActiveChannel"));
    }
};

QTEST_MAIN(TestTransmit)
#include "tst_transmit.moc"
