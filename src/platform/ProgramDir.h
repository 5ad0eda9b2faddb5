#pragma once
// Where the program keeps ErrorLog.txt, the minilogs and its Help, Scripts and Modems folders.
#include <QString>

namespace platform {

// The executable's directory when it is writable (a build tree or a portable unpack);
// otherwise ~/.local/share/Tonedeck, seeded on first use from the installed Help, Scripts and
// Modems folders.
QString defaultProgramDirectory();

} // namespace platform
