#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl+C in a terminal) turned into a call on the
// event loop's thread, so the program can shut down as a closed window does and keep its
// settings.
#include "Export.h"
#include <functional>
#include <memory>

namespace platform {

class TD_PLATFORM_EXPORT QuitSignals {
public:
    // Installs the handlers; onQuit runs from the event loop once per signal received.
    explicit QuitSignals(std::function<void(int signal)> onQuit);
    ~QuitSignals(); // restores the default actions

    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
