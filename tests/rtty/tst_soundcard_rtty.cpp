// The program with its real RTTY engine on the simulated band: RTTY mode decodes into pane 0;
// an engine that dies is reported and can be started again; closing never hangs on an engine
// that does not go.
#include <csignal>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include "AppFixture.h"
#include "SoundcardRtty.h"

class TestSoundcardRtty : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void decodesInRttyMode();
    void engineKilledThenRestarted();
    void closingWithAHungEngine();

private:
    QTemporaryDir runtime_; // sockets and shared block of our own, apart from other runs
    mainwindow::TonedeckApp& start();
    std::unique_ptr<fake::AppFixture> f;
    app::SoundcardRtty* rtty = nullptr;
};

void TestSoundcardRtty::init() {
    qputenv("TONEDECK_MMTTY_SOURCE", "sim");
    f = std::make_unique<fake::AppFixture>();
    QVERIFY(QFile::link(TD_MMTTY, f->dir.filePath("mmtty")));
    f->settings.saveSetting("General", "Mode", "1");
    f->settings.saveSetting("MMTTY", "Mark", "3100"); // a station of the simulated band
    f->settings.saveSetting("MMTTY", "Space", "3270");
}

mainwindow::TonedeckApp& TestSoundcardRtty::start() {
    auto r = std::make_unique<app::SoundcardRtty>();
    rtty = r.get();
    f->app = std::make_unique<mainwindow::TonedeckApp>(f->services, fake::FakePskEngine::table(),
                                                       std::move(r));
    rtty->Attach(*f->app);
    f->app->main.Form_Load();
    return *f->app;
}

void TestSoundcardRtty::decodesInRttyMode() {
    auto& app = start();
    QTRY_VERIFY_WITH_TIMEOUT(rtty->MMTTYRunning() && rtty->module()->engineWindow() != 0, 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(app.main.Display[0]->toPlainText().contains(" DE "),
                              qPrintable(app.main.Display[0]->toPlainText()), 60000);
}

void TestSoundcardRtty::engineKilledThenRestarted() {
    auto& app = start();
    QTRY_VERIFY_WITH_TIMEOUT(rtty->module()->engineWindow() != 0, 10000);
    const qint64 first = rtty->enginePid();
    QVERIFY(first > 0);
    ::kill(pid_t(first), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!rtty->MMTTYRunning(), 10000);
    QCOMPARE(f->dialogs.messages().size(), 1);
    QVERIFY(f->dialogs.messages()[0].contains("stopped"));
    app.main.ModeButton[0]->click();
    app.main.ModeButton[1]->click();
    QTRY_VERIFY_WITH_TIMEOUT(rtty->MMTTYRunning() && rtty->module()->engineWindow() != 0, 10000);
    QVERIFY(rtty->enginePid() != first);
}

void TestSoundcardRtty::closingWithAHungEngine() {
    auto& app = start();
    QTRY_VERIFY_WITH_TIMEOUT(rtty->module()->engineWindow() != 0, 10000);
    const qint64 pid = rtty->enginePid();
    ::kill(pid_t(pid), SIGSTOP); // it will never answer the close request
    app.main.close();
    QVERIFY(!app.main.Unloaded()); // the unload waits for the engine...
    QTRY_VERIFY_WITH_TIMEOUT(app.main.Unloaded(), 3 * app::SoundcardRtty::kCloseGraceMs);
    QVERIFY(::kill(pid_t(pid), 0) != 0); // ...but not for ever: it was ended
}

void TestSoundcardRtty::initTestCase() {
    QVERIFY(runtime_.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
}

QTEST_MAIN(TestSoundcardRtty)
#include "tst_soundcard_rtty.moc"
