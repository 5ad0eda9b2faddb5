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
        f.store({"Receiver/Modulation=2", "Receiver/RcvIntensity=7", "Receiver/RcvContrast=3",
                 "Receiver/RcvSmoothing=4", "Receiver/AFCLimit=200", "Receiver/AFCEnabled1=0",
                 "Receiver/SearchRange=20", "Receiver/Frequency1=900",
                 "Receiver/SquelchThreshold2=70", "Receiver/SquelchSpeed=2",
                 "Receiver/SquelchSpeedSetting=120", "Transmitter/Modulation=1",
                 "Transmitter/Frequency=1234", "Transmitter/Lock=0",
                 "Transmitter/CWIdentificationSpeed=4",
                 "Transmitter/CWIdentificationString=de Q0CALL/P", "Transmitter/PTTMode=2",
                 "Transmitter/PTTPort=5"});
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
        QTest::addColumn<QString>("key"); // "Section/Key"
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("restored");
        QTest::addColumn<QString>("error"); // "number procedure" of PSKXcvr; empty: nothing logged
        auto row = [](const char* name, const char* key, const char* stored, const char* restored,
                      const char* error) {
            QTest::newRow(name) << QString(key) << QString(stored) << QString(restored)
                                << QString(error);
        };
        row("letters", "Receiver/RcvIntensity", "banana", "5", "13 InitializeRcvIntensity");
        row("slider range", "Receiver/AFCLimit", "5000", "50", "380 InitializeRcvAFCLimit");
        row("option index", "Receiver/Modulation", "7", "0", "9 InitializeRcvModulation");
        row("huge frequency", "Receiver/Frequency2", "1e308", "1500", "380 InitializeRcvFreq");
        row("port 9", "Transmitter/PTTPort", "9", "0", "9 InitializeXmitPTTPort");
        row("overflow", "SoundCard/Soundcard", "99999999999", "-1", "6 InitializeSoundCard");
        row("offset text", "Transmitter/XmitOffset", "12abc", "0", "13 InitializeXmitOffset");
        row("colour", "Receiver/SpectrumDisplayColor", "-5", "16777215",
            "380 InitializeSpectrumDisplayColor");
        row("wide trace", "Receiver/WaterfallTraceWidth", "12", "8", "");
        row("threshold", "Receiver/SquelchThreshold1", "100", "50",
            "380 InitializeRcvSquelchThreshold");
    }
    void badStoredValuesFallBackToTheirDefaults() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, restored);
        QFETCH(QString, error);
        const QString section = key.section('/', 0, 0), name = key.section('/', 1);
        AppFixture f;
        f.settings.saveSetting(section, name, stored);
        auto& app = f.start();
        QCOMPARE(f.settings.getSetting(section, name), restored);
        const QString log = f.errorLog();
        const QString expected = "program error " + error.replace(' ', " in module PSKXcvr.");
        QVERIFY2(error.isEmpty() ? log.isEmpty() : log.contains(expected), qPrintable(log));
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
        QVERIFY(app.xcvr.PSKEnabled()); // a failed start is the main window test's
    }
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
