#pragma once
// Opening a file with a program, or with whatever the desktop associates with it.
#include "Export.h"
#include <QString>

namespace platform {

enum class ShellResult { Ok, NoAssociation, Failed };

class TD_PLATFORM_EXPORT Shell {
public:
    virtual ~Shell() = default;
    // Runs program with the file as its argument: Failed when the program cannot be started.
    virtual ShellResult openWith(const QString& program, const QString& file) = 0;
    // Opens the file with the desktop's default handler: Failed when the file does not exist,
    // NoAssociation when nothing on the desktop would open it.
    virtual ShellResult open(const QString& file) = 0;
};

class TD_PLATFORM_EXPORT DesktopShell : public Shell {
public:
    ShellResult openWith(const QString& program, const QString& file) override;
    ShellResult open(const QString& file) override;
};

} // namespace platform
