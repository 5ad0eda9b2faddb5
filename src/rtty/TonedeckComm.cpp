#include "TonedeckComm.h"

#include <platform/SerialPorts.h>

namespace rtty {

void TonedeckComm::ResetPort(int port) {
    const QString device = platform::serialDevicePath(port, &store_);
    if (port == 0 || device.isEmpty()) return;
    QSerialPort serial(device);
    serial.setBaudRate(9600);
    serial.setParity(QSerialPort::NoParity);
    serial.setDataBits(QSerialPort::Data8);
    serial.setStopBits(QSerialPort::OneStop);
    serial.setFlowControl(QSerialPort::NoFlowControl);
    if (!serial.open(QIODevice::ReadWrite)) return;
    if (lines_) {
        lines_->setLines(serial, false, false);
    } else {
        serial.setDataTerminalReady(false);
        serial.setRequestToSend(false);
    }
    serial.close();
}

} // namespace rtty
