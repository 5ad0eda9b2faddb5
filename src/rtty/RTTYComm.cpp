#include "RTTYComm.h"

#include <platform/SerialPorts.h>
#include <platform/SettingsStore.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

namespace rtty {

namespace {
const QString kSection = QStringLiteral("RTTYModem");
constexpr int kSpeeds[] = {19200, 9600, 4800, 2400, 1200, 600, 300};
const char kParityLetters[] = "NOEMS";
constexpr QSerialPort::Parity kParities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                             QSerialPort::EvenParity, QSerialPort::MarkParity,
                                             QSerialPort::SpaceParity};
constexpr QSerialPort::DataBits kWordLens[] = {QSerialPort::Data8, QSerialPort::Data7,
                                               QSerialPort::Data6};
constexpr QSerialPort::StopBits kStopBits[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                               QSerialPort::TwoStop};
const char* const kStopCaptions[] = {"1", "1.5", "2"};

int storedIndex(const platform::SettingsStore& store, const char* key, int def, int lo, int hi) {
    bool ok = false;
    const int v = store.getSetting(kSection, key, QString::number(def)).trimmed().toInt(&ok);
    return ok && v >= lo && v <= hi ? v : def;
}

struct RealLines : LineControl {
    void setLines(QSerialPort& port, bool dtr, bool rts) override {
        // A device without modem lines refuses; that does not stop the modem talking.
        port.setDataTerminalReady(dtr);
        port.setRequestToSend(rts);
    }
};
} // namespace

RTTYComm::RTTYComm(platform::SettingsStore& store, MessageBox messageBox, QObject* parent)
    : QObject(parent), store_(store), messageBox_(std::move(messageBox)) {
    serial_.setReadBufferSize(0);
    connect(&serial_, &QSerialPort::readyRead, this, &RTTYComm::received);
    connect(&serial_, &QSerialPort::errorOccurred, this, &RTTYComm::onError);
}

RTTYComm::~RTTYComm() {
    ClosePort();
}

int RTTYComm::speedOf(int index) {
    return index >= 1 && index <= 7 ? kSpeeds[index - 1] : 9600;
}

void RTTYComm::InitializePort() {
    Open = false;
    Port = storedIndex(store_, "RTTYModemPort", 0, 0, 8);
    Speed = storedIndex(store_, "RTTYModemSpeed", 2, 1, 7);
    Parity = storedIndex(store_, "RTTYModemParity", 1, 1, 5);
    WordLen = storedIndex(store_, "RTTYModemWordLen", 1, 1, 3);
    StopBits = storedIndex(store_, "RTTYModemStopBits", 1, 1, 3);
}

void RTTYComm::save(const char* key, int value) {
    store_.saveSetting(kSection, key, QString::number(value));
}

void RTTYComm::setIndex(int& field, const char* key, int index) {
    field = index;
    save(key, index);
    if (Open) OpenPort();
}

void RTTYComm::SetModemPort(int index) {
    setIndex(Port, "RTTYModemPort", index);
}
void RTTYComm::SetModemSpeed(int index) {
    setIndex(Speed, "RTTYModemSpeed", index);
}
void RTTYComm::SetModemParity(int index) {
    setIndex(Parity, "RTTYModemParity", index);
}
void RTTYComm::SetModemStopBits(int index) {
    setIndex(StopBits, "RTTYModemStopBits", index);
}
void RTTYComm::SetModemWordLen(int index) {
    setIndex(WordLen, "RTTYModemWordLen", index);
}

QString RTTYComm::lineSettings() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(speedOf(Speed))
        .arg(QLatin1Char(kParityLetters[qBound(1, Parity, 5) - 1]))
        .arg(8 - (qBound(1, WordLen, 3) - 1))
        .arg(QLatin1String(kStopCaptions[qBound(1, StopBits, 3) - 1]));
}

bool RTTYComm::OpenPort() {
    const QString product = QStringLiteral("Com%1").arg(Port);
    if (Port == 0) {
        messageBox_(QStringLiteral("No com port selected"));
        return false;
    }
    ClosePort();
    const QString device = platform::serialDevicePath(Port, &store_);
    serial_.setPortName(device);
    serial_.setBaudRate(speedOf(Speed));
    serial_.setParity(kParities[qBound(1, Parity, 5) - 1]);
    serial_.setDataBits(kWordLens[qBound(1, WordLen, 3) - 1]);
    serial_.setStopBits(kStopBits[qBound(1, StopBits, 3) - 1]);
    serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!serial_.open(QIODevice::ReadWrite)) {
        // Busy and locked devices report a permission error; a device we may use is held
        // by someone else, one we may not use is simply not ours to open.
        const QFileInfo info(device);
        const bool inUse = serial_.error() == QSerialPort::PermissionError && info.exists() &&
                           info.isReadable() && info.isWritable();
        messageBox_(inUse ? product + QStringLiteral(" is already in use")
                          : QStringLiteral("Unable to open ") + product);
        serial_.clearError();
        Open = false;
        return false;
    }
    static RealLines real;
    (lines_ ? lines_ : &real)->setLines(serial_, true, true);
    serial_.clear(QSerialPort::AllDirections);
    serial_.clearError();
    Open = true;
    return true;
}

void RTTYComm::ClosePort() {
    if (!Open) return;
    serial_.close();
    Open = false;
}

QString RTTYComm::ReadPort(qint64 maxBytes) {
    if (!Open) return {};
    return QString::fromLatin1(maxBytes > 0 ? serial_.read(maxBytes) : serial_.readAll());
}

void RTTYComm::WritePort(const QString& text) {
    if (!Open || text.isEmpty()) return;
    serial_.write(text.toLatin1());
}

void RTTYComm::ClearPortInput() {
    if (!Open) return;
    serial_.readAll();
    serial_.clear(QSerialPort::Input);
}

qint64 RTTYComm::pendingOutput() const {
    return Open ? serial_.bytesToWrite() : 0;
}

bool RTTYComm::DrainOutput(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (Open && serial_.bytesToWrite() > 0 && !deadline.hasExpired()) {
        serial_.waitForBytesWritten(20);
        QCoreApplication::processEvents();
    }
    return !Open || serial_.bytesToWrite() == 0;
}

void RTTYComm::onError(QSerialPort::SerialPortError error) {
    // Framing, parity and line-state trouble is the modem's business; a device that is gone
    // is ours: close it at once, or the dead descriptor keeps waking the event loop.
    if (error != QSerialPort::ResourceError || !Open) return;
    // Closed from the event loop, not inside the port's own notification.
    QMetaObject::invokeMethod(
        this,
        [this, reason = serial_.errorString()] {
            if (!Open) return;
            serial_.close();
            Open = false;
            emit lost(reason);
        },
        Qt::QueuedConnection);
}

} // namespace rtty
