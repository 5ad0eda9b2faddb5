#include "PttLine.h"

#include <QSerialPort>

#include "platform/SerialPorts.h"
#include "platform/SettingsStore.h"

namespace pskcore {

SerialPttLine::SerialPttLine() = default;

SerialPttLine::~SerialPttLine() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (serial_ && serial_->isOpen()) {
        applyLines(false);
        serial_->close();
    }
}

bool SerialPttLine::configure(int port, int mode) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (serial_ && serial_->isOpen()) {
        applyLines(false);
        serial_->close();
    }
    serial_.reset();
    error_.clear();
    mode_ = None;
    if (mode == None) return true;
    if (port < 1 || port > 8 || mode < None || mode > Both) {
        error_ = "no such port or mode";
        return false;
    }
    // The same mapping the setup dialog edits.
    const platform::SettingsStore store;
    const QString device = platform::serialDevicePath(port, &store);
    auto serial = std::make_unique<QSerialPort>();
    serial->setPortName(device);
    // Write-only: the lines are all we need, and no read notifier ties the port to a thread.
    if (!serial->open(QIODevice::WriteOnly)) {
        error_ = (device + ": " + serial->errorString()).toStdString();
        return false;
    }
    serial_ = std::move(serial);
    mode_ = mode;
    applyLines(false);
    return true;
}

void SerialPttLine::applyLines(bool keyed) {
    if (!serial_ || !serial_->isOpen()) return;
    serial_->setRequestToSend(keyed && (mode_ & Rts));
    serial_->setDataTerminalReady(keyed && (mode_ & Dtr));
}

void SerialPttLine::setKeyed(bool keyed) {
    std::lock_guard<std::mutex> lock(mutex_);
    applyLines(keyed);
}

bool SerialPttLine::isOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return serial_ && serial_->isOpen();
}

std::string SerialPttLine::error() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

bool ObservedPttLine::configure(int port, int mode) {
    if (isOpen()) observer_(port_, false, false);
    port_ = 0;
    mode_ = None;
    if (mode == None) return true;
    if (port < 1 || port > 8 || mode < None || mode > Both) return false;
    port_ = port;
    mode_ = mode;
    observer_(port_, false, false);
    return true;
}

void ObservedPttLine::setKeyed(bool keyed) {
    if (isOpen()) observer_(port_, keyed && (mode_ & Rts), keyed && (mode_ & Dtr));
}

} // namespace pskcore
