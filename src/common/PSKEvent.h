#pragma once
// The event log: notable events (the engines' reports, macro file problems) written to
// ErrorLog.txt. While it has written anything, the main window's caption asks the operator to
// look into the log (EventLogged).
#include "ErrorLog.h"
#include "platform/Services.h"

namespace common {

class PSKEvent {
public:
    explicit PSKEvent(const platform::Services& services);
    PSKEvent(const platform::Clock& clock, const QString& programDir, const QString& productName,
             const QString& version);

    // At start-up: records the start time, forgets earlier entries.
    void Initialize();
    void LogEvent(const QString& text);
    bool EventLogged() const;
    // At shut-down, before Common::Shutdown: the shutdown line if anything was logged.
    void Shutdown();

    const ErrorLogWriter& writer() const { return writer_; }

private:
    ErrorLogWriter writer_;
};

} // namespace common
