#pragma once
// The UTC clock. Time stamps, QSO times and the caption all read it; tests set it.
#include <QDateTime>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // The current UTC date and time, to the whole second.
    virtual QDateTime utcNow() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime utcNow() const override;
};

class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime t) : now_(std::move(t)) {}
    QDateTime utcNow() const override { return now_; }
    void set(QDateTime t) { now_ = std::move(t); }
    void advanceSeconds(qint64 s) { now_ = now_.addSecs(s); }

private:
    QDateTime now_;
};

} // namespace platform
