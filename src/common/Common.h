#pragma once
// The error log's error writer, error reporting, help pages and the shell.
#include "ErrorLog.h"
#include "platform/Services.h"

namespace common {

class Common {
public:
    explicit Common(const platform::Services& services);
    Common(const platform::Services& services, const QString& productName, const QString& version);

    // At start-up: records the start time, forgets earlier entries, empties the help browser.
    void Initialize();
    // At the very end of shut-down: the shutdown line if anything was logged.
    void Shutdown();

    void LogError(const QString& text);
    // "program error <n> in module <where>: <description of n>". Never throws.
    void ReportError(int errorNumber, const QString& where) noexcept;

    // Opens <program dir>/Help/<pageName> with the help browser, or with the desktop's handler
    // when none is set. A missing page says so in a message box.
    void InvokeHelp(const QString& pageName);

    // Opens file with the desktop's handler, or, with parameters, runs file (a program) with
    // them. Where the desktop has no program for the file, the operator may pick one in a file
    // dialog (cancelling leaves it at that); other failures are ignored. Every operation is
    // "Open" on this platform, and programs start in the current directory.
    void RunShellExecute(const QString& operation, const QString& file,
                         const QString& parameters = QString(),
                         const QString& directory = QString());

    void SetHelpBrowser(const QString& path) { helpBrowser_ = path; }
    QString HelpBrowser() const { return helpBrowser_; }

    // True when the text is not empty and starts with 0..9.
    static bool IsDigit(const QString& text);

    const ErrorLogWriter& writer() const { return writer_; }
    QString productName() const { return productName_; }

private:
    platform::Dialogs& dialogs_;
    platform::Shell& shell_;
    QString programDir_;
    QString productName_;
    QString helpBrowser_;
    ErrorLogWriter writer_;
};

} // namespace common
