#pragma once
// The push-to-talk line: RTS, DTR or both of a serial port, asserted while transmitting.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QSerialPort;

namespace pskcore {

class PttLine {
public:
    enum Mode { None = 0, Rts = 1, Dtr = 2, Both = 3 };
    virtual ~PttLine() = default;
    // Takes port 1..8 in the given mode (None releases it). Returns false, with error() saying
    // why, when the port cannot be opened; the line then stays unkeyed.
    virtual bool configure(int port, int mode) = 0;
    virtual void setKeyed(bool keyed) = 0;
    virtual bool isOpen() const = 0;
    virtual std::string error() const { return {}; }
};

// The real thing, on the device the user's settings map the port to.
class SerialPttLine : public PttLine {
public:
    SerialPttLine();
    ~SerialPttLine() override;
    bool configure(int port, int mode) override;
    void setKeyed(bool keyed) override;
    bool isOpen() const override;
    std::string error() const override;

private:
    void applyLines(bool keyed);
    mutable std::mutex mutex_;
    std::unique_ptr<QSerialPort> serial_;
    int mode_ = None;
    std::string error_;
};

// Reports every change of the lines to a callback instead of touching hardware (tests).
class ObservedPttLine : public PttLine {
public:
    using Observer = std::function<void(int port, bool rts, bool dtr)>;
    explicit ObservedPttLine(Observer observer) : observer_(std::move(observer)) {}
    bool configure(int port, int mode) override;
    void setKeyed(bool keyed) override;
    bool isOpen() const override { return port_ > 0 && mode_ != None; }

private:
    Observer observer_;
    int port_ = 0;
    int mode_ = None;
};

} // namespace pskcore
