#include "UTC.h"

#include "platform/Clock.h"

#include <cmath>
#include <limits>

namespace common {

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr double kFirstDay = -657434;  // 1 Jan 100
constexpr double kLastDay = 2958465.0; // 31 Dec 9999

} // namespace

QDateTime UTC::NowDateTime() const {
    const QDateTime now = clock_.utcNow().toUTC();
    const QTime t = now.time();
    return QDateTime(now.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
}

double UTC::Now() const {
    return toDateValue(NowDateTime());
}

double UTC::toDateValue(const QDateTime& t) {
    if (!t.isValid()) return std::numeric_limits<double>::quiet_NaN();
    const QDateTime u = t.toUTC();
    const double days = double(kDayZero.daysTo(u.date()));
    const double fraction = (u.time().msecsSinceStartOfDay() / 1000) / 86400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime UTC::fromDateValue(double value) {
    if (!std::isfinite(value) || value < kFirstDay || value >= kLastDay + 1) return QDateTime();
    double days = std::trunc(value);
    qint64 seconds = qint64(std::llround(std::fabs(value - days) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        days += 1;
    }
    const QDate date = kDayZero.addDays(qint64(days));
    return QDateTime(date, QTime(0, 0).addSecs(int(seconds)), Qt::UTC);
}

} // namespace common
