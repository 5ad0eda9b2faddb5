// The setup dialog in a running program with the fake engine: every control reaches the module
// that owns its setting, nothing acts while the program sets the controls, the key filters, the
// contest fields across a restart, help per tab and the browser choice.
#include "AppFixture.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

using setup::LookColor;

namespace {

// What a row's control changed: a stored key "Section/Key", or one of the owners' states.
QString observe(mainwindow::TonedeckApp& app, const QString& what) {
    auto& s = app.setupDialog;
    const QStringList p = what.split('/');
    if (p[0] == "look")
        return QString::number(app.setupLink.lookColor(LookColor(p[1].toInt()), p[2].toInt()), 16);
    if (p[0] == "size") return QString::number(app.setupLink.lookFont(p[1].toInt()).pointSizeF());
    if (p[0] == "family")
        return app.setupLink.lookFont(0).family() == s.FontSelector->itemText(1) ? "same" : "other";
    if (p[0] == "spectrum") return QString::number(app.xcvr.SpectrumDisplayColor(), 16);
    if (p[0] == "contest") return s.ContestMode() ? "on" : "off";
    if (p[0] == "browser") return app.common.HelpBrowser();
    if (p[0] == "serial") return s.TXSerialNumber->text();
    if (p[0] == "tooltips") return s.AboutCmd->toolTip().isEmpty() ? "hidden" : "shown";
    return app.services.settings.getSetting(p[0], p[1]);
}

// Sets a control the way the operator would; "%1" in a name picks the option button.
void act(setup::TonedeckSetup& s, const QString& control, const QString& value) {
    QWidget* w = s.findChild<QWidget*>(control.contains("%1") ? control.arg(value) : control);
    QVERIFY2(w, qPrintable(control));
    if (auto* r = qobject_cast<QRadioButton*>(w))
        r->click();
    else if (auto* f = qobject_cast<QFontComboBox*>(w))
        f->setCurrentIndex(value.toInt());
    else if (auto* c = qobject_cast<QComboBox*>(w))
        c->setEditText(value);
    else if (auto* sl = qobject_cast<QSlider*>(w))
        sl->setValue(value.toInt());
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(value);
    else if (auto* x = qobject_cast<QCheckBox*>(w))
        x->setChecked(value == "1");
    else if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (control.startsWith("Reset"))
            s.TXSerialNumber->setText(value);
        else
            s.SetSelectorColor(value.toInt(nullptr, 16));
        b->click();
    }
}

} // namespace

class TestSetup : public QObject {
    Q_OBJECT
    std::unique_ptr<fake::AppFixture> shared_;
    // One program for the tests that only watch a control and its owner.
    fake::AppFixture& shared() {
        if (!shared_) {
            shared_ = std::make_unique<fake::AppFixture>();
            shared_->start();
        }
        return *shared_;
    }

private slots:
    void cleanupTestCase() { shared_.reset(); }
    void everyControlReachesItsOwner_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* c, const char* a, const char* b, const char* what,
                      const char* expected) {
            QTest::newRow(QString(c).arg(b).toLatin1()) << c << a << b << what << expected;
        };
        row("MyCallsign", "K1ABC", "DL1ABC", "General/Callsign", "DL1ABC");
        row("SlashZeroCheckbox", "0", "1", "Display/ShowSlashedZero", "1");
        row("TooltipsCheckbox", "1", "0", "tooltips", "hidden");
        row("BrowserPathname", "", "/usr/bin/lynx", "browser", "/usr/bin/lynx");
        row("ContestModeCheckbox", "0", "1", "contest", "on");
        row("ResetTXSerialNumberCmd", "9", "57", "serial", "1");
        row("FontColorCmd(1)", "654321", "123456", "look/0/1", "123456");
        row("BackColorCmd(2)", "654321", "123456", "look/1/2", "123456");
        row("KeyboardColorCmd", "654321", "123456", "look/2/0", "123456");
        row("KeyboardBackColorCmd", "654321", "123456", "look/3/0", "123456");
        row("TransmittedFontColorCmd", "654321", "123456", "look/4/0", "123456");
        row("SelectedChannelLabelColorCmd", "654321", "123456", "look/5/0", "123456");
        row("SpectrumTraceColorCmd", "654321", "123456", "spectrum", "123456");
        row("SizeSlider", "12", "20", "size/2", "20");
        row("KeyboardSizeSlider", "12", "20", "size/3", "20");
        row("FontSelector", "2", "1", "family", "same");
        row("SoundcardSelectionButton(%1)", "3", "2", "SoundCard/Soundcard", "1");
        row("RcvModeButton(%1)", "0", "2", "Receiver/Modulation", "2");
        row("RcvSquelchSpeedButton(%1)", "0", "1", "Receiver/SquelchSpeed", "1");
        row("RcvDisplayButton(%1)", "0", "1", "Receiver/RcvDisplay", "1");
        row("WaterfallColorButton(%1)", "0", "1", "Receiver/WaterfallColor", "1");
        row("XmitModeButton(%1)", "0", "2", "Transmitter/Modulation", "2");
        row("XmitCWIDButton(%1)", "0", "3", "Transmitter/CWIdentificationSpeed", "4");
        row("XmitPTTButton(%1)", "0", "3", "Transmitter/PTTMode", "3");
        row("XmitPTTPortButton(%1)", "5", "2", "Transmitter/PTTPort", "3");
        row("SerialPortDevice(2)", "/dev/ttyS9", "/dev/ttyUSB0", "SerialPorts/COM3",
            "/dev/ttyUSB0");
        row("RcvIntensitySlider", "2", "7", "Receiver/RcvIntensity", "7");
        row("RcvClippingSlider", "1", "3", "Receiver/RcvContrast", "3");
        row("RcvSmoothingSlider", "2", "4", "Receiver/RcvSmoothing", "4");
        row("RcvSearchLimitSlider", "10", "20", "Receiver/SearchRange", "20");
        row("RcvAFCLimitSlider", "100", "300", "Receiver/AFCLimit", "300");
        row("WaterfallTraceWidthSlider", "2", "3", "Receiver/WaterfallTraceWidth", "3");
        row("RcvSquelchSpeedSettingSlider", "50", "120", "Receiver/SquelchSpeedSetting", "120");
        row("OptimalOffset", "1000", "1200", "Receiver/OptimalOffset", "1200");
        row("XmitOffset", "5", "-25", "Transmitter/XmitOffset", "-25");
        row("XmitCWID", "de X", "de TEST", "Transmitter/CWIdentificationString", "de TEST");
        row("RTTYModemEnabled", "0", "1", "RTTYModem/RTTYModemEnabled", "1");
        row("RTTYModemReverseXmitCheck", "0", "1", "RTTYModem/RTTYModemTransmitReverse", "1");
        row("TransmitPaneControlChars", "0", "1", "RTTYModem/RTTYModemControlChars", "1");
        row("RTTYModemModeButton(%1)", "0", "1", "RTTYModem/RTTYMode", "1");
        row("ModemPortButton(%1)", "1", "3", "RTTYModem/RTTYModemPort", "3");
        row("ModemSpeedButton(%1)", "2", "5", "RTTYModem/RTTYModemSpeed", "5");
        row("ModemStopBitsButton(%1)", "1", "3", "RTTYModem/RTTYModemStopBits", "3");
    }
    void everyControlReachesItsOwner() {
        QFETCH(QString, control);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, what);
        QFETCH(QString, expected);
        fake::AppFixture& f = shared();
        auto& app = *f.app;
        auto& s = app.setupDialog;
        if (control.startsWith("Reset")) s.TXSerialNumber->setText(b);
        const QString before = observe(app, what);
        QVERIFY(before != expected);
        // While the program sets the controls, nothing is applied or stored.
        s.IgnoreParameterChanges();
        act(s, control, b);
        QCOMPARE(observe(app, what), before);
        s.SaveParameterChanges();
        act(s, control, a);
        act(s, control, b);
        QCOMPARE(observe(app, what), expected);
        QVERIFY2(!QFile::exists(f.errorLogPath()), qPrintable(f.errorLog()));
    }

    void contestFieldsAndPowerSurviveARestart() {
        fake::AppFixture f;
        f.store({"Contest/Mode=1", "Contest/ID=CQ-WPX", "Contest/TransmitSerialNumber=42",
                 "Display/TransmitPower=100"});
        auto& s = f.start().setupDialog;
        QVERIFY(s.ContestMode() && s.ContestModeCheckbox->isChecked());
        QCOMPARE(s.ContestID->text(), QStringLiteral("CQ-WPX"));
        QCOMPARE(s.TransmitPower->text(), QStringLiteral("100"));
        s.TXSerialNumber->setText("43");
        s.ContestModeCheckbox->setChecked(false);
        f.app->main.close();
        QCOMPARE(f.settings.getSetting("Contest", "TransmitSerialNumber"), QStringLiteral("43"));
        QCOMPARE(f.settings.getSetting("Contest", "Mode"), QStringLiteral("0"));
    }

    // Out of contest, serial number 1, unless the store says otherwise.
    void aGarbledSerialNumberIsReportedAndKeepsOne() {
        fake::AppFixture f;
        f.settings.saveSetting("Contest", "TransmitSerialNumber", "4x2");
        auto& s = f.start().setupDialog;
        QVERIFY(!s.ContestMode() && s.ContestID->text().isEmpty());
        QCOMPARE(f.settings.getSetting("Contest", "Mode"), QStringLiteral("0"));
        QCOMPARE(s.TXSerialNumber->text(), QStringLiteral("1"));
        QCOMPARE(f.settings.getSetting("Contest", "TransmitSerialNumber"), QStringLiteral("1"));
        QVERIFY(f.errorLog().contains("program error 13 in module "
                                      "TonedeckSetup.InitializeSetupFields"));
    }

    void modemTabFromTheStoreAndTheModemsFolder() {
        fake::AppFixture f;
        f.writeFile("Modems/KAM.txt");
        f.writeFile("Modems/PK232.txt");
        f.store({"RTTYModem/RTTYModemModel=PK232", "RTTYModem/RTTYModemSpeed=fast",
                 "RTTYModem/RTTYModemParity=3"});
        auto& s = f.start().setupDialog;
        QCOMPARE(s.RTTYModemModel->count(), 2);
        QCOMPARE(s.RTTYModemModel->currentText(), QStringLiteral("PK232"));
        QVERIFY(s.ModemParityButton[3]->isChecked());
        QVERIFY(s.ModemSpeedButton[2]->isChecked()); // the default, reported
        QVERIFY(
            f.errorLog().contains("error 13 in module TonedeckSetup.InitializeRTTYModemFields"));
        QCOMPARE(f.settings.getSetting("RTTYModem", "RTTYModemSpeed"), QStringLiteral("2"));
        for (int port = 1; port <= 8; ++port)
            QVERIFY(!s.ModemPortButton[port]->isChecked());
        s.RTTYModemModel->setCurrentIndex(0);
        QCOMPARE(f.settings.getSetting("RTTYModem", "RTTYModemModel"), QStringLiteral("KAM"));
    }

    void keyFilters_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const char* field, const char* typed, const char* kept) {
            QTest::newRow(name) << QString(field) << QString(typed) << QString(kept);
        };
        row("serial: digits, backspace", "TXSerialNumber", "12ab\b3", "13");
        row("serial: no point or sign", "TXSerialNumber", "-1.5", "15");
        row("optimal offset", "OptimalOffset", "15a0.5-", "150.5");
        row("transmit offset", "XmitOffset", "-2x5.5 ", "-25.5");
    }
    void keyFilters() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        auto* e = shared().app->setupDialog.findChild<QLineEdit*>(field);
        e->clear();
        QTest::keyClicks(e, typed);
        QCOMPARE(e->text(), expected);
    }

    void anEmptyCallsignLeavesDeInThePreviews() {
        fake::AppFixture f;
        auto& s = f.start().setupDialog;
        QCOMPARE(s.TrialTransmit[0]->text(), QStringLiteral("de Q0CALL"));
        s.MyCallsign->clear();
        for (QLabel* l :
             {s.TrialTransmit[0], s.TrialTransmit[1], s.TrialTransmit[2], s.KeyboardTrialTransmit})
            QCOMPARE(l->text(), QStringLiteral("de "));
    }

    void helpOpensThePageOfTheTab_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("page");
        const char* pages[] = {"GeneralSettings.htm",       "DisplaySettings.htm",
                               "PTTSettings.htm",           "SoundcardPSKSettings.htm",
                               "SoundcardRTTYSettings.htm", "RTTYModemSettings.htm"};
        for (int i = 0; i < 6; ++i)
            QTest::newRow(pages[i]) << i << pages[i];
    }
    void helpOpensThePageOfTheTab() {
        QFETCH(int, tab);
        QFETCH(QString, page);
        fake::AppFixture& f = shared();
        f.writeFile("Help/" + page);
        auto& s = f.app->setupDialog;
        s.SSTab1->setCurrentIndex(tab);
        f.shell.clear();
        s.SetupHelpCmd->click();
        QCOMPARE(f.shell.calls().size(), 1);
        QCOMPARE(f.shell.calls()[0].file, f.dir.path() + "/Help/" + page);
    }

    void theChosenBrowserShowsHelpAndCancelKeepsIt() {
        fake::AppFixture f;
        auto& app = f.start();
        auto& s = app.setupDialog;
        f.dialogs.answerOpenFile("/opt/web/browser");
        s.BrowserSelectCmd->click();
        f.dialogs.answerOpenFile(QString());
        s.BrowserSelectCmd->click();
        QCOMPARE(s.BrowserPathname->text(), QStringLiteral("/opt/web/browser"));
        QCOMPARE(app.common.HelpBrowser(), QStringLiteral("/opt/web/browser"));
        f.app->main.close();
        QCOMPARE(f.settings.getSetting("General", "HelpBrowser"),
                 QStringLiteral("/opt/web/browser"));
    }

    void theSquelchSliderShowsOnlyWithItsOption() {
        auto& s = shared().app->setupDialog;
        QWidget* row = s.RcvSquelchSpeedSettingSlider->parentWidget();
        s.RcvSquelchSpeedButton[2]->click();
        QVERIFY(!row->isHidden());
        s.RcvSquelchSpeedButton[1]->click();
        QVERIFY(row->isHidden());
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
