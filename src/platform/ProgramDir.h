#pragma once
// Where the program keeps ErrorLog.txt, the minilogs and its Help, Scripts and Modems folders.
#include "Export.h"
#include <QString>
#include <QStringList>

namespace platform {

// The executable's directory when it is writable (a build tree or a portable unpack);
// otherwise ~/.local/share/Tonedeck, seeded on first use from the installed Help, Scripts and
// Modems folders.
TD_PLATFORM_EXPORT QString defaultProgramDirectory();

// The rule above with its inputs spelled out: executableDir when it is writable, else userDir
// (created if need be) with each of Help, Scripts and Modems that it lacks copied from the first
// of installedDirs that has it. Where userDir cannot be created or written, a folder
// "Tonedeck-<user>" in the temporary directory takes its place; empty only when neither can.
TD_PLATFORM_EXPORT QString chooseProgramDirectory(const QString& executableDir,
                                                  const QString& userDir,
                                                  const QStringList& installedDirs);

} // namespace platform
