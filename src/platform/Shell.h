#pragma once
// Opening a file with a program, or with whatever the desktop associates with it.
#include <QString>

namespace platform {

enum class ShellResult { Ok, NoAssociation, Failed };

class Shell {
public:
    virtual ~Shell() = default;
    // Runs program with the file as its argument.
    virtual ShellResult openWith(const QString& program, const QString& file) = 0;
    // Opens the file with the desktop's default handler.
    virtual ShellResult open(const QString& file) = 0;
};

class DesktopShell : public Shell {
public:
    ShellResult openWith(const QString& program, const QString& file) override;
    ShellResult open(const QString& file) override;
};

} // namespace platform
