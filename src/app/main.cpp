#include "RttyPaths.h"
#include <common/Version.h>
#include <mainwindow/TonedeckApp.h>
#include <platform/Clock.h>
#include <platform/Dialogs.h>
#include <platform/ProgramDir.h>
#include <platform/QuitSignals.h>
#include <platform/SettingsStore.h>
#include <platform/Shell.h>
#include <QApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(common::kProductName);
    QApplication::setOrganizationName(common::kProductName);

    platform::SettingsStore settings;
    platform::QtDialogs dialogs;
    platform::SystemClock clock;
    platform::DesktopShell shell;
    platform::Services services{settings, dialogs, clock, shell,
                                platform::defaultProgramDirectory()};

    auto rtty = std::make_unique<app::RttyPaths>();
    app::RttyPaths* rttyPaths = rtty.get();
    mainwindow::TonedeckApp app(services, psk::linkedPskEngine(), std::move(rtty));
    rttyPaths->Attach(app);
    // A signal ends the program the way closing its window does: settings are saved. While the
    // unload waits for the RTTY engine, the window closes itself when that has ended.
    // Start-up can run the event loop (calls to companion programs), so a signal that arrives
    // then is only noted, and acted on once the window is up.
    bool started = false, quitPending = false;
    platform::QuitSignals quit([&](int) {
        if (started)
            app.main.close();
        else
            quitPending = true;
    });
    dialogs.setParent(&app.main);
    app.main.Form_Load();
    app.main.show();
    started = true;
    if (quitPending) QTimer::singleShot(0, &app.main, [&app] { app.main.close(); });
    return qapp.exec();
}
