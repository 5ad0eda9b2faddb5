#include "Common.h"

#include "Errors.h"
#include "Trap.h"
#include "Version.h"

#include <QFileInfo>

namespace common {

Common::Common(const platform::Services& services)
    : Common(services, QString::fromLatin1(kProductName), QString::fromLatin1(kVersionString)) {}

Common::Common(const platform::Services& services, const QString& productName,
               const QString& version)
    : dialogs_(services.dialogs), shell_(services.shell), programDir_(services.programDir),
      productName_(productName),
      writer_(services.clock, services.programDir, productName, version) {}

void Common::Initialize() {
    writer_.initialize();
    helpBrowser_.clear();
}

void Common::Shutdown() {
    writer_.shutdown();
}

void Common::LogError(const QString& text) {
    writer_.write(text);
}

void Common::ReportError(int errorNumber, const QString& where) noexcept {
    try {
        LogError(QStringLiteral("program error ") + QString::number(errorNumber) +
                 QStringLiteral(" in module ") + where + QStringLiteral(": ") +
                 errorDescription(errorNumber));
    } catch (...) {
        // The log is the last resort; an error while writing it is lost.
    }
}

void Common::InvokeHelp(const QString& pageName) {
    guard(*this, "Common.InvokeHelp", [&] {
        const QString path = programDir_ + QStringLiteral("/Help/") + pageName;
        if (!QFileInfo(path).isFile()) {
            dialogs_.messageBox(QStringLiteral("missing help file: ") + path, productName_,
                                platform::Dialogs::Ok);
            return;
        }
        if (!helpBrowser_.isEmpty())
            RunShellExecute(QStringLiteral("Open"), helpBrowser_, path);
        else
            RunShellExecute(QStringLiteral("Open"), path);
    });
}

void Common::RunShellExecute(const QString& operation, const QString& file,
                             const QString& parameters, const QString& directory) {
    Q_UNUSED(operation);
    Q_UNUSED(directory);
    guard(*this, "Common.RunShellExecute", [&] {
        if (!parameters.isEmpty()) {
            shell_.openWith(file, parameters);
            return;
        }
        if (shell_.open(file) != platform::ShellResult::NoAssociation) return;
        const QString program = dialogs_.openFileName(
            QStringLiteral("Choose a program to open %1").arg(QFileInfo(file).fileName()),
            QStringLiteral("/usr/bin"), QStringLiteral("Programs (*)"));
        if (!program.isEmpty()) shell_.openWith(program, file);
    });
}

bool Common::IsDigit(const QString& text) {
    return !text.isEmpty() && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

} // namespace common
