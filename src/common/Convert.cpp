#include "Convert.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace common {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isExponentMark(QChar c) {
    const char l = char(c.toLower().unicode());
    return l == 'e' || l == 'd';
}

// Parses the ASCII form "[-]digits[.digits][e[-]digits]" (already checked) to a double.
// False when the value is out of a double's range.
bool toDouble(const std::string& s, double& out) {
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    if (ec == std::errc::result_out_of_range) {
        // from_chars also says so for values too small: those are zero.
        const size_t e = s.find('e');
        const bool negativeExponent = e != std::string::npos && s[e + 1] == '-';
        if (!negativeExponent) return false;
        out = (s[0] == '-') ? -0.0 : 0.0;
        return true;
    }
    return ec == std::errc() && ptr == s.data() + s.size();
}

} // namespace

double roundHalfEven(double x) {
    if (!std::isfinite(x)) return x;
    const double r = std::round(x); // halves away from zero
    if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
    return r;
}

int16_t toInt16(double x) {
    const double r = roundHalfEven(x);
    if (!(r >= -32768.0 && r <= 32767.0)) throw RuntimeError(err::Overflow);
    return int16_t(r);
}

int32_t toInt32(double x) {
    const double r = roundHalfEven(x);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw RuntimeError(err::Overflow);
    return int32_t(r);
}

double parseDouble(const QString& text) {
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;
    const QString body = text.mid(i, end - i);
    if (body.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return -1.0;
    if (body.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return 0.0;

    std::string s;
    qsizetype p = 0;
    const qsizetype n = body.size();
    if (p < n && (body[p] == QLatin1Char('+') || body[p] == QLatin1Char('-'))) {
        if (body[p] == QLatin1Char('-')) s += '-';
        ++p;
    }
    int mantissaDigits = 0;
    while (p < n && (isDigit(body[p]) || body[p] == QLatin1Char(','))) {
        if (body[p] == QLatin1Char(',')) {
            // A thousands comma only between digits.
            if (mantissaDigits == 0 || p + 1 >= n || !isDigit(body[p + 1]))
                throw RuntimeError(err::TypeMismatch);
        } else {
            s += char(body[p].unicode());
            ++mantissaDigits;
        }
        ++p;
    }
    if (p < n && body[p] == QLatin1Char('.')) {
        s += '.';
        ++p;
        while (p < n && isDigit(body[p])) {
            s += char(body[p].unicode());
            ++mantissaDigits;
            ++p;
        }
    }
    if (mantissaDigits == 0) throw RuntimeError(err::TypeMismatch);
    if (p < n && isExponentMark(body[p])) {
        s += 'e';
        ++p;
        if (p < n && (body[p] == QLatin1Char('+') || body[p] == QLatin1Char('-'))) {
            if (body[p] == QLatin1Char('-')) s += '-';
            ++p;
        }
        int exponentDigits = 0;
        while (p < n && isDigit(body[p])) {
            s += char(body[p].unicode());
            ++exponentDigits;
            ++p;
        }
        if (exponentDigits == 0) throw RuntimeError(err::TypeMismatch);
    }
    if (p != n) throw RuntimeError(err::TypeMismatch);
    if (s.front() == '.' || (s.front() == '-' && s[1] == '.'))
        s.insert(s.front() == '-' ? 1 : 0, 1, '0');
    if (s.back() == '.')
        s.pop_back();
    else if (const size_t dotE = s.find(".e"); dotE != std::string::npos)
        s.erase(dotE, 1);
    double value = 0;
    if (!toDouble(s, value)) throw RuntimeError(err::Overflow);
    return value;
}

int16_t parseInt16(const QString& text) {
    return toInt16(parseDouble(text));
}

int32_t parseInt32(const QString& text) {
    return toInt32(parseDouble(text));
}

double leadingNumber(const QString& text) noexcept {
    // Blanks are skipped everywhere, so the text is walked through a filter.
    std::string s;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto skip = [&] {
        while (p < n &&
               (isBlank(text[p]) || text[p] == QLatin1Char('\n') || text[p] == QLatin1Char('\r')))
            ++p;
    };
    try {
        skip();
        if (p < n && (text[p] == QLatin1Char('+') || text[p] == QLatin1Char('-'))) {
            if (text[p] == QLatin1Char('-')) s += '-';
            ++p;
        }
        s += '0'; // so that ".5" and "-" parse
        bool any = false;
        for (skip(); p < n && isDigit(text[p]); skip()) {
            s += char(text[p++].unicode());
            any = true;
        }
        if (p < n && text[p] == QLatin1Char('.')) {
            ++p;
            std::string fraction;
            for (skip(); p < n && isDigit(text[p]); skip())
                fraction += char(text[p++].unicode());
            if (!fraction.empty()) {
                s += '.' + fraction;
                any = true;
            }
        }
        if (!any) return 0.0;
        if (p < n && isExponentMark(text[p])) {
            // Only a complete exponent counts: "1e" is 1.
            qsizetype q = p + 1;
            std::string exponent = "e";
            auto skipAt = [&] {
                while (q < n && (isBlank(text[q]) || text[q] == QLatin1Char('\n') ||
                                 text[q] == QLatin1Char('\r')))
                    ++q;
            };
            skipAt();
            if (q < n && (text[q] == QLatin1Char('+') || text[q] == QLatin1Char('-'))) {
                if (text[q] == QLatin1Char('-')) exponent += '-';
                ++q;
            }
            bool digits = false;
            for (skipAt(); q < n && isDigit(text[q]); skipAt()) {
                exponent += char(text[q++].unicode());
                digits = true;
            }
            if (digits) s += exponent;
        }
        double value = 0;
        if (!toDouble(s, value))
            return s[0] == '-' ? -std::numeric_limits<double>::max()
                               : std::numeric_limits<double>::max();
        return value;
    } catch (...) {
        return 0.0;
    }
}

void checkIndex(long long index, long long lower, long long upper) {
    if (index < lower || index > upper) throw RuntimeError(err::SubscriptOutOfRange);
}

int32_t intDivide(int32_t a, int32_t b) {
    if (b == 0) throw RuntimeError(err::DivisionByZero);
    if (a == std::numeric_limits<int32_t>::min() && b == -1) throw RuntimeError(err::Overflow);
    return a / b;
}

double dialFrequencyKHz(const QString& text) noexcept {
    const double khz = leadingNumber(text);
    return khz >= 0 && khz <= kMaxDialKHz ? khz : 0.0;
}

} // namespace common
