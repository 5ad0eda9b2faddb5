// The program with the external modem on a simulated one: RTTY mode sets the modem up, text
// typed in the transmit pane goes out through it and its echo and received text show in
// pane 1; the soundcard engine stays off.
#include "FakeShell.h"
#include "FakeTnc.h"
#include "RttyPaths.h"
#include "ScriptedDialogs.h"
#include <mainwindow/TonedeckApp.h>
#include <platform/Clock.h>
#include <platform/SettingsStore.h>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>
#include <rtty/MMTTYPanel.h>

class TestModemEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void sendsAndReceivesInPaneOne() {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("Modems"));
        QVERIFY(QFile::copy(TD_MODEMS "/TestModem.txt", dir.filePath("Modems/TestModem.txt")));
        tdtest::FakeTnc tnc(dir.filePath("ttyTNC"));
        platform::SettingsStore settings(dir.filePath("Tonedeck.ini"));
        settings.saveSetting("General", "Callsign", "Q0CALL");
        settings.saveSetting("MMTTY", "MMTTYEnabled", "0");
        settings.saveSetting("SerialPorts", "COM2", tnc.path());
        for (auto [k, v] : {std::pair{"RTTYModemPort", "2"},
                            {"RTTYModemEnabled", "1"},
                            {"RTTYModemModel", "TestModem"},
                            {"RTTYModemBaud", "50"},
                            {"RTTYModemShift", "170"}})
            settings.saveSetting("RTTYModem", k, v);
        tdtest::ScriptedDialogs dialogs;
        platform::SystemClock clock;
        tdtest::FakeShell shell;
        platform::Services services{settings, dialogs, clock, shell, dir.path()};
        auto owned = std::make_unique<app::RttyPaths>();
        app::RttyPaths& rtty = *owned;
        {
            mainwindow::TonedeckApp app(services, psk::linkedPskEngine(), std::move(owned));
            rtty.Attach(app);
            app.main.Form_Load();
            app.main.show();
            app.main.ModeButton[1]->click();
            QVERIFY(rtty.modem()->Enabled());
            QVERIFY(tnc.waitFor([&] { return tnc.commands.contains("s1"); }));
            QCOMPARE(tnc.commands, (QStringList{"i", "t", "rr0", "tr0", "u0", "b2", "s1"}));
            rtty::MMTTYPanel& panel = *rtty.soundcard().panel();
            QCOMPARE(panel.RTTYTransmitFrame->title(), QString("Transmit RTTY (TestModem)"));
            QCOMPARE(app.display.ActivePane(), 1);

            panel.RTTYStartCmd->click();
            QVERIFY(rtty.modem()->Transmitting());
            QTest::keyClicks(app.main.Keyboard, "cq test");
            panel.RTTYStopCmd->click();
            QVERIFY(tnc.waitFor([&] { return !rtty.modem()->Transmitting(); }));
            QCOMPARE(tnc.text, QByteArray("cq test"));
            QVERIFY(app.main.Display[1]->toPlainText().contains("cq test"));

            tnc.inject("RYRY DE DL1ABC\r\n");
            QVERIFY(tnc.waitFor(
                [&] { return app.main.Display[1]->toPlainText().contains("RYRY DE DL1ABC"); }));
            QVERIFY(app.main.Display[0]->toPlainText().isEmpty());
            QCOMPARE(dialogs.messages(), QStringList());
            QVERIFY(app.main.close());
        }
        QVERIFY(tnc.waitFor([&] {
            return tnc.commands.contains("c");
        })); // told to return to its command mode on the way out
    }
};

QTEST_MAIN(TestModemEndToEnd)
#include "tst_modem_endtoend.moc"
