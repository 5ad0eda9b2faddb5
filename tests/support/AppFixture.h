#pragma once
// A fresh application for one test: temporary settings file and program directory, scripted
// dialogs, a manual clock, a recording shell and the fake engine.
#include "FakePskEngine.h"
#include "FakeShell.h"
#include "ScriptedDialogs.h"
#include <mainwindow/TonedeckApp.h>
#include <memory>
#include <platform/Clock.h>
#include <platform/Services.h>
#include <platform/SettingsStore.h>
#include <platform/Shell.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace fake {

// An RTTY side whose soundcard engine a test can pretend is running.
class FakeRtty : public rtty::RTTYXcvr {
public:
    bool running = false;
    bool windowExists = false;
    QStringList* log = nullptr;
    void Initialize() override { note("RTTY.Initialize"); }
    void Enable() override { note("RTTY.Enable"); }
    void Disable() override { note("RTTY.Disable"); }
    void Shutdown() override { note("RTTY.Shutdown"); }
    bool MMTTYRunning() const override { return running; }
    bool MMTTYWindowExists() const override { return windowExists; }
    // A path that takes `room` more characters; '[' ']' '!' mark start, stop and abort.
    bool path = false;
    int room = 0;
    QByteArray sent;
    bool CanTransmit() const override { return path; }
    void StartTransmit() override { sent += '['; }
    void StopTransmit() override { sent += ']'; }
    void AbortTransmit() override { sent += '!'; }
    bool TransmitCharacter(int code) override {
        if (room <= 0) return false;
        --room;
        sent += char(code);
        return true;
    }

private:
    void note(const char* what) {
        if (log) *log << QString::fromLatin1(what);
    }
};

struct AppFixture {
    static inline AppFixture* current = nullptr; // the fixture of the running test
    QTemporaryDir dir;
    platform::SettingsStore settings{dir.path() + "/Tonedeck.ini"};
    tdtest::ScriptedDialogs dialogs;
    platform::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9), Qt::UTC)};
    tdtest::FakeShell shell;
    platform::Services services{settings, dialogs, clock, shell, dir.path()};
    std::unique_ptr<mainwindow::TonedeckApp> app;
    FakeRtty* rtty = nullptr;

    // Lets posted messages and the 1 ms drain timers run, however loaded the machine is.
    static void settle() {
        QCoreApplication::processEvents();
        QElapsedTimer waited;
        waited.start();
        do
            QTest::qWait(10);
        while (current && current->app && current->draining() && waited.elapsed() < 5000);
    }

    explicit AppFixture(bool withCallsign = true) {
        current = this;
        FakePskEngine::instance().reset();
        if (withCallsign) settings.saveSetting("General", "Callsign", "Q0CALL");
    }
    ~AppFixture() {
        if (current == this) current = nullptr;
        if (app && !app->main.Unloaded()) app->main.close();
    }

    // Stores "Section/Key=value" entries (the value may hold '/' and '=').
    void store(std::initializer_list<QString> entries) {
        for (const QString& e : entries) {
            const qsizetype slash = e.indexOf('/'), eq = e.indexOf('=');
            settings.saveSetting(e.left(slash), e.mid(slash + 1, eq - slash - 1), e.mid(eq + 1));
        }
    }
    // With the fake engine unless another is given (the real one for end-to-end tests).
    mainwindow::TonedeckApp& create(const psk::PSKSpec& engine = FakePskEngine::table()) {
        auto r = std::make_unique<FakeRtty>();
        rtty = r.get();
        app = std::make_unique<mainwindow::TonedeckApp>(services, engine, std::move(r));
        return *app;
    }
    mainwindow::TonedeckApp& start() {
        if (!app) create();
        app->main.Form_Load();
        return *app;
    }
    // Shown, laid out and drawn (started first unless it is).
    mainwindow::TonedeckApp& show() {
        if (!app) start();
        app->main.show();
        if (!QTest::qWaitForWindowExposed(&app->main)) qWarning("main window not exposed");
        settle();
        return *app;
    }
    QStringList inputPrompts() const {
        QStringList out;
        for (const auto& c : dialogs.calls())
            if (c.kind == tdtest::ScriptedDialogs::Kind::InputBox) out << c.text;
        return out;
    }
    bool draining() const {
        auto& t = app->main.PskTimers;
        bool busy = t.DataTimer.isActive() || t.StatusTimer.isActive() || t.IMDTimer.isActive();
        for (auto& c : t.CharTimer)
            busy = busy || c.isActive();
        return busy;
    }
    // A file of the program directory with these bytes; its path.
    QString writeFile(const QString& name, const QByteArray& data = {}) const {
        QFile file(dir.filePath(name));
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (file.open(QIODevice::WriteOnly)) file.write(data);
        return file.fileName();
    }
    QString errorLogPath() const { return dir.path() + "/ErrorLog.txt"; }
    QString errorLog() const {
        QFile f(errorLogPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
};

} // namespace fake
