#pragma once
// The external modem's serial port: "com 1".."com 8" through the serial device mapping, the
// line settings of the setup tab's option buttons, and plain-text reads and writes.
#include <functional>
#include <QObject>
#include <QSerialPort>
#include <QString>

namespace platform {
class SettingsStore;
}

namespace rtty {

// DTR and RTS, apart so that a test on a pseudo-terminal (which has no modem lines) can see
// what the program asked for.
class LineControl {
public:
    virtual ~LineControl() = default;
    virtual void setLines(QSerialPort& port, bool dtr, bool rts) = 0;
};

class RTTYComm : public QObject {
    Q_OBJECT
public:
    using MessageBox = std::function<void(const QString&)>;
    RTTYComm(platform::SettingsStore& store, MessageBox messageBox, QObject* parent = nullptr);
    ~RTTYComm() override;

    // Speeds of ModemSpeedButton(1..7).
    static int speedOf(int index);

    void InitializePort();
    void SetModemPort(int index);
    void SetModemSpeed(int index);
    void SetModemParity(int index);
    void SetModemStopBits(int index);
    void SetModemWordLen(int index);
    int port() const { return Port; }
    int speedIndex() const { return Speed; }
    // "9600,N,8,1"
    QString lineSettings() const;

    bool OpenPort();
    void ClosePort();
    bool PortOpened() const { return Open; }
    // What is waiting, up to maxBytes (all of it when maxBytes is 0).
    QString ReadPort(qint64 maxBytes = 0);
    bool InputWaiting() const { return Open && serial_.bytesAvailable() > 0; }
    void WritePort(const QString& text);
    void ClearPortInput();
    qint64 pendingOutput() const;
    // Waits, serving events, until the output has gone or the time is up.
    bool DrainOutput(int timeoutMs);

    // Replaces the real modem lines (tests); the caller keeps it alive.
    void setLineControl(LineControl* lines) { lines_ = lines; }

signals:
    void received();
    // The device went away under an open port (an adapter pulled); the port is closed.
    void lost(const QString& reason);

private:
    void save(const char* key, int value);
    void setIndex(int& field, const char* key, int index);
    void onError(QSerialPort::SerialPortError error);

    platform::SettingsStore& store_;
    MessageBox messageBox_;
    QSerialPort serial_;
    LineControl* lines_ = nullptr;
    int Port = 0, Speed = 2, Parity = 1, WordLen = 1, StopBits = 1;
    bool Open = false;
};

} // namespace rtty
