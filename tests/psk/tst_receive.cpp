// The PSK side's settings at start-up and its receive control: what is stored, what the
// controls show, and what reaches the engine.
#include "AppFixture.h"
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

namespace {
struct Key {
    const char* section;
    const char* key;
    const char* value;
};
// Every key the PSK side owns, with its default after a first start as DL1ABC.
const Key kDefaults[] = {
    {"General", "Callsign", "DL1ABC"},
    {"SoundCard", "Soundcard", "-1"},
    {"Receiver", "Modulation", "0"},
    {"Receiver", "Frequency0", "1500"},
    {"Receiver", "Frequency1", "1500"},
    {"Receiver", "Frequency2", "1500"},
    {"Receiver", "OptimalOffset", "1500"},
    {"Receiver", "RcvIntensity", "5"},
    {"Receiver", "RcvContrast", "0"},
    {"Receiver", "RcvSmoothing", "1"},
    {"Receiver", "WaterfallTraceWidth", "1"},
    {"Receiver", "AFCLimit", "50"},
    {"Receiver", "AFCEnabled0", "1"},
    {"Receiver", "AFCEnabled1", "1"},
    {"Receiver", "AFCEnabled2", "1"},
    {"Receiver", "SearchRange", "50"},
    {"Receiver", "SquelchThreshold0", "50"},
    {"Receiver", "SquelchThreshold1", "50"},
    {"Receiver", "SquelchThreshold2", "50"},
    {"Receiver", "SquelchSpeed", "0"},
    {"Receiver", "SquelchSpeedSetting", "10"},
    {"Receiver", "RcvDisplay", "0"},
    {"Receiver", "WaterfallColor", "0"},
    {"Receiver", "SpectrumDisplayColor", "16777215"},
    {"Transmitter", "Modulation", "0"},
    {"Transmitter", "Frequency", "1500"},
    {"Transmitter", "Lock", "1"},
    {"Transmitter", "XmitOffset", "0"},
    {"Transmitter", "CWIdentificationSpeed", "2"},
    {"Transmitter", "CWIdentificationString", "de DL1ABC"},
    {"Transmitter", "PTTMode", "0"},
    {"Transmitter", "PTTPort", "0"},
};
} // namespace

class TestReceive : public QObject {
    Q_OBJECT

    static void settle() {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
    // The engine calls made after the soundcard was started.
    static QStringList callsAfterStart() {
        auto& e = FakePskEngine::instance();
        return e.calls.mid(e.indexOf("fnStartSoundCard") + 1);
    }

private slots:
    void firstStartCreatesEveryKeyWithItsDefault() {
        AppFixture f(false);
        f.dialogs.answerInput(std::nullopt);
        f.dialogs.answerInput(QString(""));
        f.dialogs.answerInput(QString("DL1ABC"));
        auto& app = f.start();
        QCOMPARE(f.inputPrompts().size(), 3);
        QCOMPARE(f.dialogs.calls().first().title, QString("Tonedeck initialization"));
        for (const Key& k : kDefaults) {
            QVERIFY2(f.settings.hasSetting(k.section, k.key), k.key);
            QCOMPARE(f.settings.getSetting(k.section, k.key), QString(k.value));
        }
        QVERIFY(f.errorLog().isEmpty());
        // The controls show the same values, with the sliders' ranges.
        auto& s = app.setupDialog;
        QCOMPARE(s.RcvAFCLimitSlider->maximum(), 1000);
        QCOMPARE(s.RcvSearchLimitSlider->maximum(), 50);
        QCOMPARE(s.RcvSquelchSpeedSettingSlider->minimum(), 10);
        QCOMPARE(s.RcvSquelchSpeedSettingSlider->maximum(), 200);
        QCOMPARE(s.WaterfallTraceWidthSlider->maximum(), 8);
        QVERIFY(s.SoundcardSelectionButton[0]->isChecked());
        QVERIFY(s.XmitCWIDButton[1]->isChecked());
        QCOMPARE(s.XmitCWID->text(), QString("de DL1ABC"));
        for (QRadioButton* b : s.XmitPTTPortButton)
            QVERIFY(!b->isChecked());
        QCOMPARE(s.TrialTransmit[2]->text(), QString("de DL1ABC"));
        QCOMPARE(s.KeyboardTrialTransmit->text(), QString("de DL1ABC"));
        QVERIFY(app.main.TXFreqLock->isChecked());
        QCOMPARE(app.main.TXFreq->text(), QString("1.500"));
        QCOMPARE(app.main.TransmitFrame->title(), QString("Transmit (BPSK)"));
        QCOMPARE(app.main.ReceiveFrame->title(), QString("Receive Channel 0 (BPSK)"));
        QVERIFY(!s.IgnoringParameterChanges());
    }

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
        st.saveSetting("Transmitter", "CWIdentificationString", "de N0CALL/P");
        st.saveSetting("Transmitter", "PTTMode", "2");
        st.saveSetting("Transmitter", "PTTPort", "5");
        auto& app = f.start();
        const QStringList calls = callsAfterStart();
        for (const char* expected :
             {"fnSetRXFrequency(1500,20,0)", "fnSetRXFrequency(900,20,1)", "fnSetAFCLimit(200,0)",
              "fnSetAFCLimit(0,1)", "fnSetAFCLimit(200,2)", "fnSetRXPSKMode(2,0)",
              "fnSetRXPSKMode(2,2)", "fnSetFFTMode(4,448,30)", "fnSetSquelchThreshold(50,120,0)",
              "fnSetSquelchThreshold(70,120,2)", "fnSetCWIDString(de N0CALL/P)",
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
                 QString("de N0CALL"));
        QVERIFY(!app.setupDialog.IgnoringParameterChanges());
    }

    void settingsAreRestoredInTheirFixedOrder() {
        AppFixture f;
        const QList<std::pair<QString, QString>> keys = {{"SoundCard", "Soundcard"},
                                                         {"Receiver", "Modulation"},
                                                         {"Receiver", "Frequency0"},
                                                         {"Receiver", "RcvIntensity"},
                                                         {"Receiver", "RcvContrast"},
                                                         {"Receiver", "RcvSmoothing"},
                                                         {"Receiver", "AFCLimit"},
                                                         {"Receiver", "AFCEnabled0"},
                                                         {"Receiver", "SearchRange"},
                                                         {"Receiver", "WaterfallTraceWidth"},
                                                         {"Receiver", "SquelchThreshold0"},
                                                         {"Receiver", "SquelchSpeed"},
                                                         {"Receiver", "SquelchSpeedSetting"},
                                                         {"Receiver", "RcvDisplay"},
                                                         {"Receiver", "OptimalOffset"},
                                                         {"Receiver", "WaterfallColor"},
                                                         {"Receiver", "SpectrumDisplayColor"},
                                                         {"Transmitter", "Modulation"},
                                                         {"Transmitter", "Frequency"},
                                                         {"Transmitter", "Lock"},
                                                         {"Transmitter", "XmitOffset"},
                                                         {"Transmitter", "CWIdentificationSpeed"},
                                                         {"Transmitter", "PTTMode"},
                                                         {"Transmitter", "PTTPort"}};
        for (const auto& [section, key] : keys)
            f.settings.saveSetting(section, key, "x");
        f.start();
        QStringList order;
        for (const QString& line : f.errorLog().split("\r\n", Qt::SkipEmptyParts)) {
            const int at = line.indexOf("PSKXcvr.Initialize");
            if (at >= 0) order << line.mid(at + 18).section(':', 0, 0);
        }
        QCOMPARE(order, (QStringList{"SoundCard",
                                     "RcvModulation",
                                     "RcvFreq",
                                     "RcvIntensity",
                                     "RcvClipping",
                                     "RcvSmoothing",
                                     "RcvAFCLimit",
                                     "RcvAFCEnabled",
                                     "RcvSearchLimit",
                                     "TraceWidth",
                                     "RcvSquelchThreshold",
                                     "RcvSquelchSpeed",
                                     "RcvSquelchSpeedSetting",
                                     "RcvDisplay",
                                     "OptimalOffset",
                                     "WaterfallColor",
                                     "SpectrumDisplayColor",
                                     "XmitModulation",
                                     "XmitFrequency",
                                     "XmitLock",
                                     "XmitOffset",
                                     "XmitCWIDSpeed",
                                     "XmitPTTMode",
                                     "XmitPTTPort"}));
        for (const auto& [section, key] : keys)
            QVERIFY(f.settings.getSetting(section, key) != "x");
    }

    void receiveFrequencyIsClampedTo100To3500() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        app.xcvr.SetActiveChannel(2);
        e.calls.clear();
        app.xcvr.SetReceiveFrequency(3600);
        app.xcvr.SetReceiveFrequency(40);
        app.xcvr.SetReceiveFrequency(1234.5); // halves to even
        app.xcvr.SetReceiveFrequency(std::nan(""));
        QCOMPARE(e.calls,
                 (QStringList{"fnSetRXFrequency(3500,50,2)", "fnSetRXFrequency(100,50,2)",
                              "fnSetRXFrequency(1234,50,2)", "fnSetRXFrequency(100,50,2)"}));
        // The channel's frequency follows the engine, not the request.
        QCOMPARE(app.xcvr.RcvFreq(2), 1500.0);
    }

    void afcFollowsEachChannelsSwitch() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& m = app.main;
        app.xcvr.SetActiveChannel(1);
        QVERIFY(m.RcvAFCEnabledCheckbox->isChecked());
        e.calls.clear();
        m.RcvAFCEnabledCheckbox->click();
        QCOMPARE(e.calls,
                 (QStringList{"fnSetAFCLimit(50,0)", "fnSetAFCLimit(0,1)", "fnSetAFCLimit(50,2)"}));
        QCOMPARE(f.settings.getSetting("Receiver", "AFCEnabled1"), QString("0"));
        e.calls.clear();
        app.setupDialog.RcvAFCLimitSlider->setValue(300);
        QCOMPARE(
            e.callsStartingWith("fnSetAFCLimit"),
            (QStringList{"fnSetAFCLimit(300,0)", "fnSetAFCLimit(0,1)", "fnSetAFCLimit(300,2)"}));
        QCOMPARE(e.callsStartingWith("fnSetRXFrequency").size(), 3);
        QCOMPARE(f.settings.getSetting("Receiver", "AFCLimit"), QString("300"));
        // The check box shows the active channel's switch.
        app.xcvr.SetActiveChannel(0);
        QVERIFY(m.RcvAFCEnabledCheckbox->isChecked());
        app.xcvr.SetActiveChannel(1);
        QVERIFY(!m.RcvAFCEnabledCheckbox->isChecked());
    }

    void squelchSpeedAndThreshold() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& s = app.setupDialog;
        QVERIFY(s.RcvSquelchSpeedSettingSlider->parentWidget()->isHidden());
        s.RcvSquelchSpeedSettingSlider->setValue(120); // "fast" still chosen: speed 0
        QCOMPARE(e.callsStartingWith("fnSetSquelchThreshold").last(),
                 QString("fnSetSquelchThreshold(50,0,2)"));
        e.calls.clear();
        s.RcvSquelchSpeedButton[2]->click();
        QCOMPARE(e.calls,
                 (QStringList{"fnSetSquelchThreshold(50,120,0)", "fnSetSquelchThreshold(50,120,1)",
                              "fnSetSquelchThreshold(50,120,2)"}));
        QVERIFY(!s.RcvSquelchSpeedSettingSlider->parentWidget()->isHidden());
        QCOMPARE(f.settings.getSetting("Receiver", "SquelchSpeed"), QString("2"));
        QCOMPARE(f.settings.getSetting("Receiver", "SquelchSpeedSetting"), QString("120"));
        s.RcvSquelchSpeedButton[1]->click();
        QCOMPARE(e.calls.last(), QString("fnSetSquelchThreshold(50,1,2)"));

        // A click on the signal meter sets the active channel's threshold.
        app.xcvr.SetActiveChannel(1);
        e.calls.clear();
        QWidget* meter = app.main.SignalStrengthControl;
        QCOMPARE(meter->width(), 100);
        QTest::mouseClick(meter, Qt::LeftButton, {}, QPoint(20, 5));
        QCOMPARE(e.calls,
                 (QStringList{"fnSetSquelchThreshold(50,1,0)", "fnSetSquelchThreshold(20,1,1)",
                              "fnSetSquelchThreshold(50,1,2)"}));
        QCOMPARE(app.main.RcvSquelchThresholdDisplay->text(), QString("20"));
        QCOMPARE(f.settings.getSetting("Receiver", "SquelchThreshold1"), QString("20"));
        QCOMPARE(app.main.SquelchMarker, QRect(10, 0, 20, meter->height()));
        app.xcvr.SetActiveChannel(0);
        QCOMPARE(app.main.RcvSquelchThresholdDisplay->text(), QString("50"));
        // The far right edge is 99, never more.
        app.xcvr.UpdateSquelchThreshold(2, 250);
        QCOMPARE(app.xcvr.SquelchThreshold(2), 99);
    }

    void spectrumParameters() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& s = app.setupDialog;
        e.calls.clear();
        s.RcvClippingSlider->setValue(3);
        QCOMPARE(e.calls.last(), QString("fnSetFFTMode(1,320,30)"));
        s.RcvClippingSlider->setValue(0); // contrast 0 sends 1
        QCOMPARE(e.calls.last(), QString("fnSetFFTMode(1,320,1)"));
        s.RcvIntensitySlider->setValue(10);
        s.RcvSmoothingSlider->setValue(6);
        QCOMPARE(e.calls.last(), QString("fnSetFFTMode(6,640,1)"));
        QCOMPARE(f.settings.getSetting("Receiver", "RcvIntensity"), QString("10"));
        QCOMPARE(f.settings.getSetting("Receiver", "RcvSmoothing"), QString("6"));
        QCOMPARE(f.settings.getSetting("Receiver", "RcvContrast"), QString("0"));
    }

    void setupChangesWhileIgnoringDoNothing() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& s = app.setupDialog;
        e.calls.clear();
        s.IgnoreParameterChanges();
        s.RcvSearchLimitSlider->setValue(10);
        s.RcvModeButton[1]->click();
        s.XmitCWID->setText("de X");
        s.MyCallsign->setText("K1ABC");
        QVERIFY(e.calls.isEmpty());
        QCOMPARE(f.settings.getSetting("Receiver", "SearchRange"), QString("50"));
        QCOMPARE(f.settings.getSetting("General", "Callsign"), QString("N0CALL"));
        s.SaveParameterChanges();
        s.RcvSearchLimitSlider->setValue(11);
        QCOMPARE(e.calls, (QStringList{"fnSetRXFrequency(1500,11,0)", "fnSetRXFrequency(1500,11,1)",
                                       "fnSetRXFrequency(1500,11,2)"}));
        QCOMPARE(f.settings.getSetting("Receiver", "SearchRange"), QString("11"));
    }

    void receiveModulationAndCaptions() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        e.calls.clear();
        app.setupDialog.RcvModeButton[1]->click();
        QCOMPARE(e.calls, (QStringList{"fnSetRXPSKMode(1,0)", "fnSetRXPSKMode(1,1)",
                                       "fnSetRXPSKMode(1,2)"}));
        QCOMPARE(f.settings.getSetting("Receiver", "Modulation"), QString("1"));
        app.xcvr.SetActiveChannel(2);
        QCOMPARE(app.main.ReceiveFrame->title(), QString("Receive Channel 2 (QPSK USB)"));
        QCOMPARE(app.main.TXFreqLock->text(), QString("net chan 2"));
        QCOMPARE(psk::PSKXcvr::ReceiveModulationName(3), QString());
    }

    void callsignAndPreviewsFollowTheField() {
        AppFixture f;
        auto& app = f.start();
        auto& s = app.setupDialog;
        s.MyCallsign->setText("K1ABC");
        QCOMPARE(f.settings.getSetting("General", "Callsign"), QString("K1ABC"));
        QCOMPARE(s.TrialTransmit[0]->text(), QString("de K1ABC"));
        s.MyCallsign->clear();
        QCOMPARE(s.KeyboardTrialTransmit->text(), QString("de "));
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

    void pskControlsHideInRttyModeAndReplayRewinds() {
        AppFixture f;
        auto& app = f.start();
        QVERIFY(!app.main.ReceiveFrame->isHidden());
        app.main.ModeButton[1]->click();
        QVERIFY(app.main.ReceiveFrame->isHidden());
        QVERIFY(app.main.Waterfall->isHidden());
        app.main.ModeButton[0]->click();
        FakePskEngine::instance().calls.clear();
        app.main.ReplayCmd->click();
        QCOMPARE(FakePskEngine::instance().calls, QStringList{"fnRewindInput(99)"});
    }
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
