#pragma once
// One writer of "ErrorLog.txt" in the program's directory. The event log (PSKEvent) and the
// error log (Common) each own one; they share the file, never the state. Each entry opens the
// file for appending, writes and closes it, so the log can be read while the program runs.
//
//   06-Dec-2026 07:05:09 > Tonedeck version 0.1.0 startup      (before a writer's first entry,
//   06-Dec-2026 09:12:40 > program error 13 in module ...       stamped with its start time)
//   06-Dec-2026 11:00:02 > Tonedeck shutdown                    (only if it wrote anything)
//
// Lines end with CR LF. A write that fails (read-only directory, full disk) is lost silently.
#include <QDateTime>
#include <QString>

namespace platform {
class Clock;
}

namespace common {

class ErrorLogWriter {
public:
    // Records the start time at once, as initialize() does.
    ErrorLogWriter(const platform::Clock& clock, QString programDir, QString productName,
                   QString version);

    static QString fileName() { return QStringLiteral("ErrorLog.txt"); }

    // Start of a run: the start time is read from the clock, nothing has been written yet.
    void initialize();
    // Appends one entry, preceded by the startup line if this writer has not written one yet.
    // Returns false when the file could not be opened (the entry is lost).
    bool write(const QString& text);
    // Appends the shutdown line if this writer has written anything; only once per run.
    void shutdown();

    bool started() const { return started_; }
    QDateTime startTime() const { return startTime_; }
    QString path() const;

private:
    const platform::Clock& clock_;
    QString programDir_;
    QString productName_;
    QString version_;
    QDateTime startTime_;
    bool started_ = false;
    bool shutDown_ = false;
};

} // namespace common
