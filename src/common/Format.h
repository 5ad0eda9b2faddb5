#pragma once
// Number and date formats in the classic pattern language the program's texts use.
//
// Numbers: a pattern of '#' (digit if needed), '0' (digit always), ',' (anywhere before the
// point: group thousands) and '.' (the point). Before the point, the count of '0' is the least
// number of digits (none: a zero integer part is left out, "#,###.000" of 0.5 is ".500"); after
// it, every place up to the last '0' is always shown and '#' places only when not zero; the
// point itself is always shown ("###.######" of 14 is "14."). Rounding is half away from zero on
// the value's 15 significant decimal digits (1.005 -> "1.01" with two places). Negative values
// keep their sign unless they round to zero. Another character in the pattern throws 5.
//
//   "#,###.000"   14070.15 -> "14,070.150"    0 -> ".000"     -1234.5 -> "-1,234.500"
//   "##000"       7 -> "007"                  1234 -> "1234"
//   "###.######"  0.5 -> ".5"                 14 -> "14."     45.45 -> "45.45"
//
// Dates: d dd (day), ddd dddd (weekday), m mm (month, or minute right after an hour or right
// before seconds), mmm mmmm (month name), y (day of year), yy yyyy (year), h hh (24-hour), n nn
// (minute), s ss (second), in either case; "text" and \c are literal, everything else is copied.
// English names. The named format "Short Time" is "hh:nn".
//
//   "dd-mmm-yyyy hh:mm:ss"  -> "06-Dec-2026 07:05:09"     "yyyymmdd" -> "20261206"
//   "hhmmss" -> "070509"     "Short Time" -> "07:05"      "dd mmm yy  hhmm" -> "06 Dec 26  0705"
#include <QDateTime>
#include <QString>
#include <QStringView>

namespace common {

QString formatNumber(double value, QStringView pattern);

// An invalid date-time gives an empty string.
QString formatDateTime(const QDateTime& t, QStringView pattern);
// The same for a date-time value (UTC.h).
QString formatDateTime(double dateValue, QStringView pattern);

// "Jan".."Dec"; empty outside 1..12.
QString monthAbbreviation(int month);

// A number the way the platform shows one by default: up to 15 significant digits, no
// trailing zeros, a leading "0" before the point (118 / 100.0 -> "1.18", 0.5 -> "0.5"), and an
// exponent only for very large or small values ("1E+20", "1E-07").
QString formatGeneral(double value);

} // namespace common
