// The program with the real engine on the simulated band: it starts, decodes, and closes
// cleanly, leaving its settings and no error log.
#include "FakeShell.h"
#include "ScriptedDialogs.h"
#include <mainwindow/TonedeckApp.h>
#include <platform/Clock.h>
#include <platform/SettingsStore.h>
#include <pskcore.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestAppSmoke : public QObject {
    Q_OBJECT

private slots:
    void startsDecodesAndClosesCleanly() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        platform::SettingsStore settings(dir.path() + "/Tonedeck.ini");
        settings.saveSetting("General", "Callsign", "N0CALL");
        tdtest::ScriptedDialogs dialogs;
        platform::SystemClock clock;
        tdtest::FakeShell shell;
        platform::Services services{settings, dialogs, clock, shell, dir.path()};

        QCOMPARE(pskcoreSetSource("sim:7"), 0);
        pskcoreSetTimeScale(8);
        {
            mainwindow::TonedeckApp app(services, psk::linkedPskEngine());
            app.main.Form_Load();
            app.main.show();
            QVERIFY(app.xcvr.PSKEnabled());
            QCOMPARE(dialogs.messages(), QStringList());
            auto decoded = [&] {
                int n = 0;
                for (QTextEdit* pane : app.main.Display)
                    n += pane->toPlainText().size();
                return n;
            };
            QTRY_VERIFY_WITH_TIMEOUT(decoded() >= 20, 60000);
            QVERIFY(app.main.close());
        }
        pskcoreSetTimeScale(1);
        QVERIFY(QFile::exists(dir.path() + "/Tonedeck.ini"));
        QVERIFY2(!QFile::exists(dir.path() + "/ErrorLog.txt"),
                 qPrintable(QString("unexpected error log")));
    }
};

QTEST_MAIN(TestAppSmoke)
#include "tst_app_smoke.moc"
