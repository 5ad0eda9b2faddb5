#pragma once
// What the desktop gives the program, bundled so that a test can build a fresh application
// with a temporary settings file, a scripted dialog service, a manual clock and its own
// program directory.
#include "Clock.h"
#include "Dialogs.h"
#include "SettingsStore.h"
#include "Shell.h"
#include <QString>

namespace platform {

struct Services {
    SettingsStore& settings;
    Dialogs& dialogs;
    Clock& clock;
    Shell& shell;
    QString programDir; // no trailing separator
};

} // namespace platform
