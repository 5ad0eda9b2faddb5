#pragma once
// TonedeckComm: the PTT serial port, reset at start-up so that a transmitter left keyed by a
// run that ended badly is released.
#include "RTTYComm.h"

namespace platform {
class SettingsStore;
}

namespace rtty {

class TonedeckComm {
public:
    // lines replaces the real modem lines (tests); the caller keeps it alive.
    explicit TonedeckComm(const platform::SettingsStore& store, LineControl* lines = nullptr)
        : store_(store), lines_(lines) {}

    // Port 1..8 is opened at 9600,n,8,1 with DTR and RTS off and closed again at once; a port
    // that cannot be opened is ignored, and port 0 is none.
    void ResetPort(int port);

private:
    const platform::SettingsStore& store_;
    LineControl* lines_;
};

} // namespace rtty
