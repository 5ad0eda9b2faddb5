#include "Clock.h"

namespace platform {

QDateTime SystemClock::utcNow() const {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QTime t = now.time();
    // Whole seconds: two readings within one second must compare equal.
    return QDateTime(now.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
}

} // namespace platform
