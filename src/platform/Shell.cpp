#include "Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

ShellResult DesktopShell::openWith(const QString& program, const QString& file) {
    if (program.isEmpty()) return ShellResult::Failed;
    return QProcess::startDetached(program, {file}) ? ShellResult::Ok : ShellResult::Failed;
}

ShellResult DesktopShell::open(const QString& file) {
    if (file.isEmpty() || !QFileInfo::exists(file)) return ShellResult::Failed;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()))
               ? ShellResult::Ok
               : ShellResult::NoAssociation;
}

} // namespace platform
