// The PSK side's settings at start-up and its receive control: what is stored, what the
// controls show, and what reaches the engine.
#include "AppFixture.h"
#include "TestLocale.h"
#include <cmath>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;

class TestReceive : public QObject {
    Q_OBJECT

    static void settle() { fake::AppFixture::settle(); }
    // The engine calls made after the soundcard was started.
    static QStringList callsAfterStart() {
        auto& e = FakePskEngine::instance();
        return e.calls.mid(e.indexOf("fnStartSoundCard") + 1);
    }

private slots:
    void initTestCase() { tdtest::requireLocaleOfEnvironment(); }
    void storedSettingsReachTheEngineWhenItStarts() {
        AppFixture f;
        auto& st = f.settings;
        st.saveSetting("Receiver", "Modulation", "2");
        st.saveSetting("Receiver", "RcvIntensity", "7");
        st.saveSetting("Receiver", "RcvContrast", "3");
        st.saveSetting("Receiver", "RcvSmoothing", "4");
        st.saveSetting("Receiver", "AFCLimit", "200");
        st.saveSetting("Receiver", "AFCEnabled1", "0");
        st.saveSetting("Receiver", "SearchRange", "20");
        st.saveSetting("Receiver", "Frequency1", "900");
        st.saveSetting("Receiver", "SquelchThreshold2", "70");
        st.saveSetting("Receiver", "SquelchSpeed", "2");
        st.saveSetting("Receiver", "SquelchSpeedSetting", "120");
        st.saveSetting("Transmitter", "Modulation", "1");
        st.saveSetting("Transmitter", "Frequency", "1234");
        st.saveSetting("Transmitter", "Lock", "0");
        st.saveSetting("Transmitter", "CWIdentificationSpeed", "4");
        st.saveSetting("Transmitter", "CWIdentificationString", "de Q0CALL/P");
        st.saveSetting("Transmitter", "PTTMode", "2");
        st.saveSetting("Transmitter", "PTTPort", "5");
        auto& app = f.start();
        const QStringList calls = callsAfterStart();
        for (const char* expected :
             {"fnSetRXFrequency(1500,20,0)", "fnSetRXFrequency(900,20,1)", "fnSetAFCLimit(200,0)",
              "fnSetAFCLimit(0,1)", "fnSetAFCLimit(200,2)", "fnSetRXPSKMode(2,0)",
              "fnSetRXPSKMode(2,2)", "fnSetFFTMode(4,448,30)", "fnSetSquelchThreshold(50,120,0)",
              "fnSetSquelchThreshold(70,120,2)", "fnSetCWIDString(de Q0CALL/P)",
              "fnSetCWIDSpeed(4)", "fnSetComPort(5,2)", "fnSetTXFrequency(1234)"})
            QVERIFY2(calls.contains(expected), expected);
        QCOMPARE(app.xcvr.GetTransmitModulation(), 1);
        QCOMPARE(app.main.TransmitFrame->title(), QString("Transmit (QPSK USB)"));
        QVERIFY(!app.main.TXFreqLock->isChecked());
        QVERIFY(app.setupDialog.XmitPTTPortButton[4]->isChecked());
        QVERIFY(!app.setupDialog.RcvSquelchSpeedSettingSlider->parentWidget()->isHidden());
        QCOMPARE(app.main.ReceiveFrame->title(), QString("Receive Channel 0 (QPSK LSB)"));
        QVERIFY(f.errorLog().isEmpty());
    }

    void badStoredValuesFallBackToTheirDefaults_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("restored");
        QTest::addColumn<QString>("error"); // empty: nothing is logged
        QTest::newRow("letters") << "Receiver"
                                 << "RcvIntensity"
                                 << "banana"
                                 << "5"
                                 << "program error 13 in module PSKXcvr.InitializeRcvIntensity";
        QTest::newRow("slider range")
            << "Receiver"
            << "AFCLimit"
            << "5000"
            << "50"
            << "program error 380 in module PSKXcvr.InitializeRcvAFCLimit";
        QTest::newRow("option index")
            << "Receiver"
            << "Modulation"
            << "7"
            << "0"
            << "program error 9 in module PSKXcvr.InitializeRcvModulation";
        QTest::newRow("huge frequency") << "Receiver"
                                        << "Frequency2"
                                        << "1e308"
                                        << "1500"
                                        << "program error 380 in module PSKXcvr.InitializeRcvFreq";
        QTest::newRow("port 9") << "Transmitter"
                                << "PTTPort"
                                << "9"
                                << "0"
                                << "program error 9 in module PSKXcvr.InitializeXmitPTTPort";
        QTest::newRow("overflow") << "SoundCard"
                                  << "Soundcard"
                                  << "99999999999"
                                  << "-1"
                                  << "program error 6 in module PSKXcvr.InitializeSoundCard";
        QTest::newRow("offset text") << "Transmitter"
                                     << "XmitOffset"
                                     << "12abc"
                                     << "0"
                                     << "program error 13 in module PSKXcvr.InitializeXmitOffset";
        QTest::newRow("colour")
            << "Receiver"
            << "SpectrumDisplayColor"
            << "-5"
            << "16777215"
            << "program error 380 in module PSKXcvr.InitializeSpectrumDisplayColor";
        QTest::newRow("wide trace") << "Receiver"
                                    << "WaterfallTraceWidth"
                                    << "12"
                                    << "8"
                                    << "";
        QTest::newRow("threshold")
            << "Receiver"
            << "SquelchThreshold1"
            << "100"
            << "50"
            << "program error 380 in module PSKXcvr.InitializeRcvSquelchThreshold";
    }
    void badStoredValuesFallBackToTheirDefaults() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, restored);
        QFETCH(QString, error);
        AppFixture f;
        f.settings.saveSetting(section, key, stored);
        auto& app = f.start();
        QCOMPARE(f.settings.getSetting(section, key), restored);
        const QString log = f.errorLog();
        if (error.isEmpty())
            QVERIFY2(log.isEmpty(), qPrintable(log));
        else
            QVERIFY2(log.contains(error), qPrintable(log));
        // Start-up went on: the engine runs and later settings were restored.
        QVERIFY(app.xcvr.PSKEnabled());
        QCOMPARE(f.settings.getSetting("Transmitter", "CWIdentificationString"),
                 QString("de Q0CALL"));
        QVERIFY(!app.setupDialog.IgnoringParameterChanges());
    }

    void frequenciesFollowTheEngineAndAreStoredAtDisable() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        e.rxFrequency[0] = 1000;
        e.rxFrequency[1] = 2345;
        e.rxFrequency[2] = 3100;
        app.main.QSOFrequency->setText("14070");
        QVERIFY(e.postData());
        settle();
        QCOMPARE(app.xcvr.RcvFreq(1), 2345.0);
        QCOMPARE(app.xcvr.RcvFreqBin(1), 600); // 2345 / (4000 / 1023) = 599.7
        QCOMPARE(app.main.RXFreq->text(), QString("14,071.000"));
        app.main.QSOFrequency->setText("not a number");
        app.xcvr.UpdateReceiveFrequency();
        QCOMPARE(app.main.RXFreq->text(), QString("1.000"));
        // Nor is a dial no radio has: no 400-character label.
        app.main.QSOFrequency->setText(QString(400, '9'));
        app.xcvr.UpdateReceiveFrequency();
        QCOMPARE(app.main.RXFreq->text(), QString("1.000"));
        app.xcvr.Disable();
        QCOMPARE(f.settings.getSetting("Receiver", "Frequency1"), QString("2345"));
        QCOMPARE(f.settings.getSetting("Receiver", "Frequency2"), QString("3100"));
        QCOMPARE(f.settings.getSetting("Transmitter", "Frequency"), QString("1000"));
    }

    void soundcardChoiceRestartsTheEngine() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        e.calls.clear();
        app.setupDialog.SoundcardSelectionButton[2]->click();
        QCOMPARE(e.calls.first(), QString("fnStopSoundCard()"));
        QVERIFY(e.calls.contains("fnStartSoundCard(1,3)"));
        QCOMPARE(f.settings.getSetting("SoundCard", "Soundcard"), QString("1"));
        QVERIFY(app.xcvr.PSKEnabled());
        // A failed start says so and leaves the PSK side stopped.
        e.startResult = 1;
        app.setupDialog.SoundcardSelectionButton[0]->click();
        QCOMPARE(f.dialogs.messages().last(), QString("unable to start soundcard - error code: 1"));
        QVERIFY(!app.xcvr.PSKEnabled());
        QVERIFY(app.xcvr.InterceptionStarted());
    }
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
