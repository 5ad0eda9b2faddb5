#pragma once
// Serial ports "com 1".."com 8" map to device paths that the setup dialog can change.
#include <QString>

namespace platform {

class SettingsStore;

// The device of port n (1..8): section "SerialPorts", key "COM<n>", default /dev/ttyS<n-1>.
// Without a store, the default. Empty for a port number out of range.
QString serialDevicePath(int port, const SettingsStore* store = nullptr);

} // namespace platform
