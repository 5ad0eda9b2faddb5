#include "RttyPaths.h"
#include <mainwindow/TonedeckApp.h>
#include <platform/Clock.h>
#include <platform/Dialogs.h>
#include <platform/ProgramDir.h>
#include <platform/SettingsStore.h>
#include <platform/Shell.h>
#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Tonedeck");
    QApplication::setOrganizationName("Tonedeck");

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
    dialogs.setParent(&app.main);
    app.main.Form_Load();
    app.main.show();
    return qapp.exec();
}
