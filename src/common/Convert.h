#pragma once
// Conversions with the error numbers an operator would see in the log. Floating values round
// to the nearest integer with halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
#include "Errors.h"

#include <cstdint>
#include <iterator>
#include <QString>

namespace common {

// Nearest integer, halves to even. NaN and infinities come back unchanged.
double roundHalfEven(double x);

// Rounded as above; 6 (overflow) outside the type's range or for NaN. 32767.5 rounds to 32768
// and overflows; -32768.5 rounds to -32768 and does not.
int16_t toInt16(double x);
int32_t toInt32(double x);

// A number typed into a field: blanks around it are ignored; an optional sign, digits with
// optional thousands commas, an optional decimal point and fraction, an optional exponent
// (E or D). "True" and "False" read as -1 and 0. 13 (type mismatch) for an empty or
// non-numeric text, 6 (overflow) when the value does not fit.
double parseDouble(const QString& text);
int16_t parseInt16(const QString& text);
int32_t parseInt32(const QString& text);

// The number at the start of a text, as far as it goes ("14070.15 kHz" -> 14070.15, "abc" -> 0).
// Blanks, tabs and line ends are skipped anywhere; no thousands commas. Never throws; a value
// too large for a double comes back as the largest one of its sign.
double leadingNumber(const QString& text) noexcept;

// The dial frequency in kHz a QSO frequency field gives: its leading number when that is a
// plausible radio frequency (0 .. 1,000,000,000 kHz), otherwise 0, as for a text that is not a
// number. Keeps every label built from it to a bounded width.
double dialFrequencyKHz(const QString& text) noexcept;
inline constexpr double kMaxDialKHz = 1e9;

// 9 (subscript out of range) unless lower <= index <= upper.
void checkIndex(long long index, long long lower, long long upper);

// Element index of a container or array, with the range check above.
template <class Container> decltype(auto) at(Container& c, long long index) {
    checkIndex(index, 0, static_cast<long long>(std::size(c)) - 1);
    return c[static_cast<std::size_t>(index)];
}

// Integer division truncating toward zero: 11 for a zero divisor, 6 when the quotient does not
// fit (INT32_MIN / -1).
int32_t intDivide(int32_t a, int32_t b);

} // namespace common
