#include "Format.h"

#include "Errors.h"
#include "UTC.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <QVector>

namespace common {

namespace {

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

// |value| rounded half away from zero to `decimals` places, as integer and fraction digits.
// The integer digits carry no leading zeros (empty for zero).
void roundDecimal(double value, int decimals, QString& integerDigits, QString& fractionDigits) {
    const double a = std::fabs(value);
    if (a == 0.0) {
        integerDigits.clear();
        fractionDigits = QString(decimals, QLatin1Char('0'));
        return;
    }
    char buf[64]{};
    // d.dddddddddddddde+XX whatever the C library's locale (a comma locale writes d,ddd).
    std::to_chars(buf, buf + sizeof buf - 1, a, std::chars_format::scientific, 14);
    QString digits;
    digits += QLatin1Char(buf[0]);
    for (int i = 2; i < 16; ++i)
        digits += QLatin1Char(buf[i]);
    const int exponent = std::atoi(buf + 17);
    int point = exponent + 1; // digits before the point
    if (point <= 0) {
        digits.prepend(QString(-point, QLatin1Char('0')));
        point = 0;
    } else if (point > digits.size()) {
        digits += QString(point - digits.size(), QLatin1Char('0'));
    }
    const int keep = point + decimals;
    if (keep < digits.size()) {
        const bool up = digits[keep] >= QLatin1Char('5');
        digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[i] == QLatin1Char('9')) {
                    digits[i] = QLatin1Char('0');
                } else {
                    digits[i] = QChar(digits[i].unicode() + 1);
                    break;
                }
            }
            if (i < 0) {
                digits.prepend(QLatin1Char('1'));
                ++point;
            }
        }
    } else {
        digits += QString(keep - digits.size(), QLatin1Char('0'));
    }
    integerDigits = digits.left(point);
    while (!integerDigits.isEmpty() && integerDigits.front() == QLatin1Char('0'))
        integerDigits.remove(0, 1);
    fractionDigits = digits.mid(point);
}

QString group(const QString& digits) {
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

struct Token {
    enum Kind { Literal, Day, Weekday, Month, MonthName, DayOfYear, Year, Hour, Minute, Second };
    Kind kind;
    int width; // 1 or 2 for numbers, 3 or 4 for names, 2 or 4 for years
    QString text;
};

QVector<Token> tokenize(QStringView pattern) {
    QVector<Token> tokens;
    auto literal = [&](const QString& s) {
        if (!tokens.isEmpty() && tokens.back().kind == Token::Literal)
            tokens.back().text += s;
        else
            tokens.append({Token::Literal, 0, s});
    };
    qsizetype i = 0;
    const qsizetype n = pattern.size();
    while (i < n) {
        const QChar c = pattern[i];
        const char l = char(c.toLower().unicode());
        qsizetype run = 1;
        while (i + run < n && pattern[i + run].toLower() == c.toLower())
            ++run;
        switch (l) {
        case 'd':
            if (run >= 3)
                tokens.append({Token::Weekday, run >= 4 ? 4 : 3, {}});
            else
                tokens.append({Token::Day, int(run), {}});
            i += std::min<qsizetype>(run, 4);
            break;
        case 'm':
            if (run >= 3)
                tokens.append({Token::MonthName, run >= 4 ? 4 : 3, {}});
            else
                tokens.append({Token::Month, int(run), {}});
            i += std::min<qsizetype>(run, 4);
            break;
        case 'y':
            if (run >= 4) {
                tokens.append({Token::Year, 4, {}});
                i += 4;
            } else if (run >= 2) {
                tokens.append({Token::Year, 2, {}});
                i += 2;
            } else {
                tokens.append({Token::DayOfYear, 1, {}});
                i += 1;
            }
            break;
        case 'h':
        case 'n':
        case 's': {
            const Token::Kind k = l == 'h' ? Token::Hour : l == 'n' ? Token::Minute : Token::Second;
            tokens.append({k, run >= 2 ? 2 : 1, {}});
            i += std::min<qsizetype>(run, 2);
            break;
        }
        case '"': {
            const qsizetype close = pattern.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype stop = close < 0 ? n : close;
            literal(pattern.mid(i + 1, stop - i - 1).toString());
            i = stop + 1;
            break;
        }
        case '\\':
            if (i + 1 < n) literal(QString(pattern[i + 1]));
            i += 2;
            break;
        default:
            literal(QString(c));
            i += 1;
            break;
        }
    }
    // A month number right after an hour, or right before seconds, is a minute.
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        if (tokens[k].kind != Token::Month) continue;
        qsizetype before = k - 1;
        while (before >= 0 && tokens[before].kind == Token::Literal)
            --before;
        qsizetype after = k + 1;
        while (after < tokens.size() && tokens[after].kind == Token::Literal)
            ++after;
        if ((before >= 0 && tokens[before].kind == Token::Hour) ||
            (after < tokens.size() && tokens[after].kind == Token::Second))
            tokens[k].kind = Token::Minute;
    }
    return tokens;
}

QString number(int value, int width) {
    return width >= 2 ? QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'))
                      : QString::number(value);
}

} // namespace

QString monthAbbreviation(int month) {
    if (month < 1 || month > 12) return QString();
    return QString::fromLatin1(kMonths[month - 1], 3);
}

QString formatNumber(double value, QStringView pattern) {
    if (std::isnan(value)) return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QStringView integerPattern = point < 0 ? pattern : pattern.left(point);
    const QStringView fractionPattern = point < 0 ? QStringView() : pattern.mid(point + 1);
    int minIntegerDigits = 0;
    bool grouping = false;
    for (QChar c : integerPattern) {
        if (c == QLatin1Char('0'))
            ++minIntegerDigits;
        else if (c == QLatin1Char(','))
            grouping = true;
        else if (c != QLatin1Char('#'))
            throw RuntimeError(err::InvalidProcedureCall);
    }
    int requiredDecimals = 0;
    for (qsizetype i = 0; i < fractionPattern.size(); ++i) {
        if (fractionPattern[i] == QLatin1Char('0'))
            requiredDecimals = int(i) + 1;
        else if (fractionPattern[i] != QLatin1Char('#'))
            throw RuntimeError(err::InvalidProcedureCall);
    }
    const int decimals = int(fractionPattern.size());

    QString integerDigits, fractionDigits;
    roundDecimal(value, decimals, integerDigits, fractionDigits);
    const bool isZero =
        integerDigits.isEmpty() && std::all_of(fractionDigits.cbegin(), fractionDigits.cend(),
                                               [](QChar c) { return c == QLatin1Char('0'); });
    while (fractionDigits.size() > requiredDecimals && fractionDigits.endsWith(QLatin1Char('0')))
        fractionDigits.chop(1);
    if (integerDigits.size() < minIntegerDigits)
        integerDigits.prepend(QString(minIntegerDigits - integerDigits.size(), QLatin1Char('0')));
    QString out;
    if (value < 0 && !isZero) out += QLatin1Char('-');
    out += grouping ? group(integerDigits) : integerDigits;
    if (point >= 0) out += QLatin1Char('.') + fractionDigits;
    return out;
}

QString formatDateTime(const QDateTime& t, QStringView pattern) {
    if (!t.isValid()) return QString();
    if (pattern.compare(QLatin1String("Short Time"), Qt::CaseInsensitive) == 0) pattern = u"hh:nn";
    const QDate d = t.date();
    const QTime tm = t.time();
    QString out;
    for (const Token& k : tokenize(pattern)) {
        switch (k.kind) {
        case Token::Literal:
            out += k.text;
            break;
        case Token::Day:
            out += number(d.day(), k.width);
            break;
        case Token::Weekday: {
            const char* name = kWeekdays[d.dayOfWeek() - 1];
            out += k.width == 3 ? QString::fromLatin1(name, 3) : QString::fromLatin1(name);
            break;
        }
        case Token::Month:
            out += number(d.month(), k.width);
            break;
        case Token::MonthName: {
            const char* name = kMonths[d.month() - 1];
            out += k.width == 3 ? QString::fromLatin1(name, 3) : QString::fromLatin1(name);
            break;
        }
        case Token::DayOfYear:
            out += QString::number(d.dayOfYear());
            break;
        case Token::Year:
            out += k.width == 4 ? number(d.year(), 4) : number(d.year() % 100, 2);
            break;
        case Token::Hour:
            out += number(tm.hour(), k.width);
            break;
        case Token::Minute:
            out += number(tm.minute(), k.width);
            break;
        case Token::Second:
            out += number(tm.second(), k.width);
            break;
        }
    }
    return out;
}

QString formatDateTime(double dateValue, QStringView pattern) {
    return formatDateTime(UTC::fromDateValue(dateValue), pattern);
}

QString formatGeneral(double value) {
    if (std::isnan(value)) return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (value == 0.0) return QStringLiteral("0");
    char buf[64]{};
    std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 14);
    const char* e = std::strchr(buf, 'e');
    const int exponent = std::atoi(e + 1);
    if (exponent >= 15 || exponent < -5) {
        // Mantissa without trailing zeros, then E+XX.
        QString mantissa = QString::fromLatin1(buf, int(e - buf));
        while (mantissa.endsWith(QLatin1Char('0')))
            mantissa.chop(1);
        if (mantissa.endsWith(QLatin1Char('.'))) mantissa.chop(1);
        return mantissa + QStringLiteral("E%1%2")
                              .arg(exponent < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                              .arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    }
    char fixed[400]{};
    std::to_chars(fixed, fixed + sizeof fixed - 1, value, std::chars_format::fixed,
                  std::max(0, 14 - exponent));
    QString text = QString::fromLatin1(fixed);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    return text;
}

} // namespace common
