// The main window's start-up and shut-down order, timers, caption, resize rule and robustness.
#include "AppFixture.h"
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;
static const QString kVersion = mainwindow::TonedeckApp::Version();

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    // A clean run: start-up in order, and at the close the engine stopped and no error log.
    void startUpAndShutDown() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QCOMPARE(e.indexOf("fnGetDLLVersion"), 0);
        QCOMPARE(e.count("fnStartSoundCard(-1,3)"), 1);
        QCOMPARE(e.window, app.main.Hwnd().handle());
        QVERIFY(app.xcvr.PSKEnabled());
        QVERIFY(app.xcvr.InterceptionStarted());
        auto& m = app.main;
        QVERIFY(m.ClockTimer.isActive() && m.BlinkTimer.isActive() && !m.MMTTYEndTimer.isActive());
        // The RTTY side is initialised before the mode, and disabled because PSK is selected.
        QVERIFY(m.ModeButton[0]->isChecked());
        QCOMPARE(f.settings.getSetting("General", "Mode"), QString("0"));
        QCOMPARE(f.settings.getSetting("SoundCard", "Soundcard"), QString("-1"));
        app.main.show();
        QVERIFY(app.main.close());
        QCOMPARE(e.count("fnStopSoundCard"), 1);
        QVERIFY(e.indexOf("fnStopSoundCard") > e.indexOf("fnStartSoundCard"));
        QVERIFY(!app.xcvr.InterceptionStarted());
        QVERIFY(app.main.ShuttingDown());
        QVERIFY(!QFile::exists(f.errorLogPath()));
        QVERIFY(QFile::exists(f.settings.fileName()));
    }

    void shutDownLinesFollowEntries() {
        AppFixture f;
        auto& app = f.start();
        app.event.LogEvent("one event");
        f.clock.advanceSeconds(3600);
        app.common.ReportError(13, "PSKXcvr.SetReceiveFrequency");
        QVERIFY(app.main.close());
        QStringList lines = f.errorLog().split("\r\n", Qt::SkipEmptyParts);
        QVERIFY(lines.value(3).startsWith(
            "06-Dec-2026 08:05:09 > program error 13 in module PSKXcvr.SetReceiveFrequency: "));
        lines[3] = "error";
        // Each writer opens with its own start-up line; the event writer's shut-down comes first.
        const QString start = "06-Dec-2026 07:05:09 > Tonedeck version " + kVersion + " startup",
                      end = "06-Dec-2026 08:05:09 > Tonedeck shutdown";
        QCOMPARE(lines, (QStringList{start, "06-Dec-2026 07:05:09 > one event", start, "error", end,
                                     end}));
    }

    void firstStartAsksForTheCallsignUntilGiven() {
        AppFixture f(false);
        f.dialogs.answerInput(std::nullopt);
        f.dialogs.answerInput(QString());
        f.dialogs.answerInput(QString("  Q2ABC "));
        auto& app = f.start();
        QCOMPARE(f.inputPrompts().size(), 3);
        QCOMPARE(f.inputPrompts().first(),
                 QString("Welcome to Tonedeck - please specify your callsign: "));
        QCOMPARE(app.setupDialog.MyCallsign->text(), QString("Q2ABC"));
        QCOMPARE(f.settings.getSetting("General", "Callsign"), QString("Q2ABC"));
    }

    void caption() {
        AppFixture f;
        auto& app = f.start();
        app.main.ClockTimer_Timer();
        QCOMPARE(app.main.windowTitle(),
                 QString("Tonedeck " + kVersion + " for Q0CALL @ 06 Dec 26  0705Z"));
        app.setupDialog.MyCallsign->clear();
        app.main.SetCaptionSuffix("Rigwright");
        app.main.ClockTimer_Timer();
        QCOMPARE(app.main.windowTitle(),
                 QString("Tonedeck " + kVersion + " @ 06 Dec 26  0705Z [Rigwright]"));
        app.main.SetCaptionSuffix("");
        // Errors of the error writer do not raise the notice; events do, until the restart.
        app.common.ReportError(5, "TonedeckMain.Test");
        app.main.ClockTimer_Timer();
        QVERIFY(!app.main.windowTitle().contains(">>>"));
        app.event.LogEvent("something happened");
        f.clock.advanceSeconds(60);
        app.main.ClockTimer_Timer();
        QCOMPARE(app.main.windowTitle(), "Tonedeck " + kVersion +
                                             " @ 06 Dec 26  0706Z>>> Check error log in " +
                                             f.dir.path() + "/ErrorLog.txt");
    }

    void resizeAfterMinimizedDoesNotRelayout() {
        AppFixture f;
        f.settings.saveSetting("General", "Mode", "1");
        auto& app = f.start();
        auto& m = app.main;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QWidget* third = m.Display[2]->parentWidget();
        m.setWindowState(Qt::WindowMinimized);
        QCOMPARE(m.LastWindowState(), 1);
        third->show();
        m.setWindowState(Qt::WindowNoState);
        QVERIFY(!third->isHidden()); // no layout right after a minimized state
        QCOMPARE(m.LastWindowState(), 0);
        m.Form_Resize();
        QVERIFY(third->isHidden()); // RTTY layout: two panes
        m.SuppressNextResize();
        third->show();
        m.Form_Resize();
        QVERIFY(!third->isHidden());
        QVERIFY(!m.ResizeSuppressed());
    }

    void closingWhileRttyEngineRunsWaitsForIt() {
        QStringList log; // outlives the fixture
        AppFixture f;
        auto& app = f.create();
        f.rtty->running = true;
        f.rtty->windowExists = true;
        app.main.Form_Load();
        app.main.show();
        app.event.LogEvent("x");
        QVERIFY(!app.main.close());
        QVERIFY(app.main.isVisible());
        QVERIFY(app.main.MMTTYEndTimer.isActive());
        QVERIFY(app.main.ShuttingDown());
        f.rtty->log = &log;
        QVERIFY(!app.main.close()); // a second close while waiting unloads nothing again
        QCOMPARE(log, QStringList());
        app.main.MMTTYEndTimer_Timer();
        QVERIFY(app.main.isVisible());
        f.rtty->windowExists = false;
        app.main.MMTTYEndTimer_Timer();
        QVERIFY(!app.main.isVisible());
        QVERIFY(app.main.Unloaded());
        // No second unload pass: one shut-down line, one engine stop.
        QCOMPARE(f.errorLog().count("Tonedeck shutdown"), 1);
        QCOMPARE(FakePskEngine::instance().count("fnStopSoundCard"), 1);
        // Every timer is stopped, member or not.
        auto& t = app.main.PskTimers;
        for (QTimer* timer : {&t.IMDBlankingTimer, &t.IdentificationTimer[0], &app.main.ClockTimer})
            QVERIFY(!timer->isActive());
    }

    // A configuration folder that cannot be written: the operator is told once, the log says
    // where, and the program goes on with what it has.
    void unwritableSettingsAreReportedOnce() {
        AppFixture f;
        // A folder that is a file: no write can succeed, whoever runs the test.
        const QString folder = f.writeFile("ro");
        platform::SettingsStore store(folder + "/Tonedeck.ini");
        f.dialogs.answerInput("Q1ABC"); // the first start asks for the callsign
        platform::Services services{store, f.dialogs, f.clock, f.shell, f.dir.path()};
        {
            mainwindow::TonedeckApp app(services, FakePskEngine::table());
            app.main.Form_Load();
            app.main.QSOFrequency->setText("7040");
            QVERIFY(app.main.close());
        }
        const QStringList messages = f.dialogs.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("settings cannot be saved to " + folder));
        for (const auto& call : f.dialogs.calls())
            if (call.text == messages[0]) QCOMPARE(call.title, QString("Tonedeck"));
        QVERIFY(f.errorLog().contains("settings cannot be saved to"));
    }

    void failedEngineStartDoesNotStopStartUp() {
        AppFixture f;
        FakePskEngine::instance().startResult = 2;
        auto& app = f.start();
        QCOMPARE(f.dialogs.messages().size(), 1);
        QCOMPARE(f.dialogs.messages().first(),
                 QString("unable to start soundcard - error code: 2"));
        QVERIFY(!app.xcvr.PSKEnabled());
        QVERIFY(app.xcvr.InterceptionStarted());
        QVERIFY(app.main.ClockTimer.isActive());
    }

    void modeSwitchDisablesOneSideAndSavesTheMode() {
        QStringList log; // outlives the fixture, whose close still reports to it
        AppFixture f;
        auto& app = f.create();
        f.rtty->log = &log;
        app.main.Form_Load();
        log.clear();
        app.main.ModeButton[1]->click();
        QCOMPARE(log, QStringList{"RTTY.Enable"});
        QVERIFY(!app.xcvr.PSKEnabled());
        QCOMPARE(FakePskEngine::instance().count("fnStopSoundCard"), 1);
        QCOMPARE(f.settings.getSetting("General", "Mode"), QString("1"));
        QCOMPARE(app.main.Display[0]->toolTip(),
                 QString("information received from soundcard RTTY"));
        app.main.ModeButton[0]->click();
        QCOMPARE(log, (QStringList{"RTTY.Enable", "RTTY.Disable"}));
        QVERIFY(app.xcvr.PSKEnabled());
        QCOMPARE(app.main.Display[2]->toolTip(), QString("information received from channel 2"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
