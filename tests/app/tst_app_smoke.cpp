// The program itself, run as the operator runs it: a signal from the session (logout, kill,
// Ctrl+C) ends it like closing its window, so what a clean close saves is saved.
#include <csignal>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestAppSmoke : public QObject {
    Q_OBJECT

private slots:
    void signalsShutDownCleanly_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << 15;
        QTest::newRow("SIGINT") << 2;
        QTest::newRow("SIGHUP") << 1;
    }
    void signalsShutDownCleanly() {
        QFETCH(int, signal);
        QTemporaryDir home;
        const QString ini = home.path() + "/Tonedeck/Tonedeck.ini";
        {
            QSettings seed(ini, QSettings::IniFormat);
            seed.setValue("Callsign", "Q1ABC");
            seed.setValue("Display/XcvrFreq", "");
        }
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + "/tonedeck", {});
        QVERIFY(program.waitForStarted());
        // Up and running once the start-up has written the mode back.
        QTRY_VERIFY_WITH_TIMEOUT(QSettings(ini, QSettings::IniFormat).contains("Mode"), 30000);
        QVERIFY(!QSettings(ini, QSettings::IniFormat).contains("TonedeckMainWidth"));
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QSettings after(ini, QSettings::IniFormat);
        QVERIFY(after.contains("TonedeckMainWidth")); // saved only by the shut-down
    }
};

QTEST_GUILESS_MAIN(TestAppSmoke)
#include "tst_app_smoke.moc"
