#pragma once
// A fresh set of desktop services for one test: a temporary program directory and settings
// file, scripted dialogs, a manual clock (06-Dec-2026 07:05:09 UTC unless moved) and a fake
// shell. Everything is removed when it goes out of scope.
#include "FakeShell.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QTemporaryDir>

namespace tdtest {

struct TestServices {
    QTemporaryDir root;
    QString programDir = root.path() + QStringLiteral("/program");
    platform::SettingsStore settings{root.path() + QStringLiteral("/Tonedeck.ini")};
    ScriptedDialogs dialogs;
    platform::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9), Qt::UTC)};
    FakeShell shell;

    TestServices() { QDir().mkpath(programDir); }

    platform::Services services() { return {settings, dialogs, clock, shell, programDir}; }
};

} // namespace tdtest
