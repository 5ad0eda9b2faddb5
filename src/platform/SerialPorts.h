#pragma once
// Serial ports "com 1".."com 8" map to device paths that the setup dialog can change.
#include "Export.h"
#include <QString>
#include <QStringList>

namespace platform {

class SettingsStore;

// The device of port n (1..8): section "SerialPorts", key "COM<n>", default /dev/ttyS<n-1>.
// Without a store, the default. Empty for a port number out of range.
TD_PLATFORM_EXPORT QString serialDevicePath(int port, const SettingsStore* store = nullptr);

// The serial devices present on this machine (for the setup dialog's choice of paths).
TD_PLATFORM_EXPORT QStringList availableSerialDevices();

} // namespace platform
