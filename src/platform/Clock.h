#pragma once
// The UTC clock. Time stamps, QSO times and the caption all read it; tests set it.
#include "Export.h"
#include <QDateTime>
#include <utility>

namespace platform {

class TD_PLATFORM_EXPORT Clock {
public:
    virtual ~Clock() = default;
    // The current UTC date and time, to the whole second.
    virtual QDateTime utcNow() const = 0;
};

class TD_PLATFORM_EXPORT SystemClock : public Clock {
public:
    QDateTime utcNow() const override;
};

class TD_PLATFORM_EXPORT ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime t) : now_(std::move(t)) {}
    QDateTime utcNow() const override { return now_; }
    void set(QDateTime t) { now_ = std::move(t); }
    void advanceSeconds(qint64 s) { now_ = now_.addSecs(s); }

private:
    QDateTime now_;
};

} // namespace platform
