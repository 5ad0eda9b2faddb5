#pragma once
// The UTC clock as a date-time value: days since 30 Dec 1899 (day 0) plus the time of day as a
// fraction, to the whole second. 31 Dec 1999 is 36525; 06-Dec-2026 12:00:00 is 46362.5.
// Before day 0 the integer part counts back and the fraction still adds the time of day:
// -1.25 is 29 Dec 1899 06:00.
#include <QDateTime>

namespace platform {
class Clock;
}

namespace common {

class UTC {
public:
    explicit UTC(const platform::Clock& clock) : clock_(clock) {}

    // The current UTC date-time value.
    double operator()() const { return Now(); }
    double Now() const;
    // The current UTC date and time, to the whole second.
    QDateTime NowDateTime() const;

    // A date and time (converted to UTC first) as a date-time value; NaN when invalid.
    static double toDateValue(const QDateTime& t);
    // The UTC date and time of a value, rounded to the second; invalid outside the years
    // 100..9999 or for NaN.
    static QDateTime fromDateValue(double value);

private:
    const platform::Clock& clock_;
};

} // namespace common
