#include "SerialPorts.h"

#include "SettingsStore.h"

#include <QSerialPortInfo>

namespace platform {

QString serialDevicePath(int port, const SettingsStore* store) {
    if (port < 1 || port > 8) return QString();
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(port - 1);
    if (!store) return fallback;
    const QString path =
        store->getSetting(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(port))
            .trimmed();
    return path.isEmpty() ? fallback : path;
}

QStringList availableSerialDevices() {
    QStringList devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        devices << info.systemLocation();
    devices.sort();
    return devices;
}

} // namespace platform
