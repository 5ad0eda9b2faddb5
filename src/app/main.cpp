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
    // A signal ends the program the way closing its window does: settings are saved. It is
    // acted on from the event loop, so one that arrives during start-up waits for it to end.
    // While the unload waits for the RTTY engine, the window closes itself when that has ended.
    platform::QuitSignals quit([&app](int) { app.main.close(); });
    dialogs.setParent(&app.main);
    app.main.Form_Load();
    app.main.show();
    return qapp.exec();
}
