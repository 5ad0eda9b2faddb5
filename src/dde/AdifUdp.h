#pragma once
// Every logged contact also goes out as one UDP datagram of ADIF text, the way loggers on a
// Linux station take contacts from other programs. Off by default; settings in section "Log":
// "UdpEnabled" (0/1), "UdpHost" (an IP address or "localhost"), "UdpPort".
#include <QHostAddress>
#include <QString>
#include <QUdpSocket>

namespace platform {
class SettingsStore;
}

namespace dde {

class AdifUdp {
public:
    static constexpr quint16 kDefaultPort = 2333;

    explicit AdifUdp(platform::SettingsStore& settings);

    // Reads the three settings (a stored value that cannot be used gives the default) and
    // writes them back.
    void Initialize();
    bool Enabled() const { return enabled_; }
    QString Host() const { return host_; }
    quint16 Port() const { return port_; }
    // Each stores its setting; false (nothing stored) for a host that is not an address or a
    // port outside 1..65535.
    void SetEnabled(bool on);
    bool SetHost(const QString& host);
    bool SetPort(int port);
    static bool ValidHost(const QString& host);

    // The record as it was written to the log, ending in "<EOR>". Sent only when enabled;
    // returns whether the datagram went out (LastError says why not).
    bool Send(const QString& adifRecord);
    QString LastError() const { return lastError_; }

private:
    static QHostAddress address(const QString& host);

    platform::SettingsStore& settings_;
    QUdpSocket socket_;
    bool enabled_ = false;
    QString host_ = QStringLiteral("127.0.0.1");
    quint16 port_ = kDefaultPort;
    QString lastError_;
};

} // namespace dde
