// Copied beside the installed program, this behaves as the installed program does: it finds
// its folder by the same rule, starts (offscreen) and asks for the help page of the PTT tab.
// Exit 0 when the page opened exists in the program folder and Scripts and Modems are there.
#include "FakeShell.h"
#include "ScriptedDialogs.h"
#include <cstdio>
#include <mainwindow/TonedeckApp.h>
#include <platform/Clock.h>
#include <platform/ProgramDir.h>
#include <platform/SettingsStore.h>
#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Tonedeck");
    QApplication::setOrganizationName("Tonedeck");
    platform::SettingsStore settings;
    tdtest::ScriptedDialogs dialogs;
    platform::SystemClock clock;
    tdtest::FakeShell shell;
    const QString dir = platform::defaultProgramDirectory();
    platform::Services services{settings, dialogs, clock, shell, dir};
    mainwindow::TonedeckApp app(services, psk::linkedPskEngine());
    app.main.Form_Load();
    app.setupDialog.SSTab1->setCurrentIndex(setup::TonedeckSetupForm::PTT);
    app.setupDialog.SetupHelpCmd->click();
    const QString opened = shell.calls().isEmpty() ? QString() : shell.calls().first().file;
    std::printf("program folder %s, opened '%s'\n", qPrintable(dir), qPrintable(opened));
    const bool ok = dialogs.unanswered() == 0 && opened == dir + "/Help/PTTSettings.htm" &&
                    QFileInfo(opened).isFile() && QFileInfo(dir + "/Scripts").isDir() &&
                    QFileInfo(dir + "/Modems").isDir();
    app.main.close();
    return ok ? 0 : 1;
}
