#include "AdifUdp.h"
#include <platform/SettingsStore.h>

namespace dde {

AdifUdp::AdifUdp(platform::SettingsStore& settings) : settings_(settings) {}

QHostAddress AdifUdp::address(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return QHostAddress(QHostAddress::LocalHost);
    // Only addresses: a name lookup could hold the window for seconds.
    return QHostAddress(host.trimmed());
}

bool AdifUdp::ValidHost(const QString& host) {
    return !address(host).isNull();
}

void AdifUdp::Initialize() {
    enabled_ = settings_.getSetting("Log", "UdpEnabled", "0").trimmed() == QLatin1String("1");
    const QString host = settings_.getSetting("Log", "UdpHost", "127.0.0.1");
    host_ = ValidHost(host) ? host.trimmed() : QStringLiteral("127.0.0.1");
    bool ok = false;
    const int port =
        settings_.getSetting("Log", "UdpPort", QString::number(kDefaultPort)).toInt(&ok);
    port_ = ok && port >= 1 && port <= 65535 ? quint16(port) : kDefaultPort;
    settings_.saveSetting("Log", "UdpEnabled", enabled_ ? "1" : "0");
    settings_.saveSetting("Log", "UdpHost", host_);
    settings_.saveSetting("Log", "UdpPort", QString::number(port_));
}

void AdifUdp::SetEnabled(bool on) {
    enabled_ = on;
    settings_.saveSetting("Log", "UdpEnabled", on ? "1" : "0");
}

bool AdifUdp::SetHost(const QString& host) {
    if (!ValidHost(host)) return false;
    host_ = host.trimmed();
    settings_.saveSetting("Log", "UdpHost", host_);
    return true;
}

bool AdifUdp::SetPort(int port) {
    if (port < 1 || port > 65535) return false;
    port_ = quint16(port);
    settings_.saveSetting("Log", "UdpPort", QString::number(port_));
    return true;
}

bool AdifUdp::Send(const QString& adifRecord) {
    lastError_.clear();
    if (!enabled_) return false;
    // ADIF counts field lengths in characters of an 8-bit text.
    const QByteArray datagram = adifRecord.toLatin1();
    if (socket_.writeDatagram(datagram, address(host_), port_) != datagram.size()) {
        lastError_ = socket_.errorString();
        return false;
    }
    return true;
}

} // namespace dde
