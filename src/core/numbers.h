// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers read from and written to text the same way on every system and compiler: the readers
// and writers call these instead of the C or C++ library's conversions, whose results and very
// presence differ between libraries. Locale-free: the decimal point is always '.'.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trakor::numbers {

// Reads a decimal number at the start of [first, last) as strtod does in the "C" locale: leading
// blanks, one sign, digits with an optional point and exponent, "inf", "infinity", "nan" and
// "nan(...)" in any case; overflow gives an infinity, underflow a zero or subnormal. Hexadecimal
// forms are not read ("0x1A" gives the 0). Returns the end of what was read, or nullptr (and 0)
// when nothing converts.
const char* readDouble(const char* first, const char* last, double& value);

// The number at the start of the text as readDouble reads it; 0 when nothing converts.
double parseDouble(std::string_view text);

// Room for any of the writers below.
constexpr size_t kNumberRoom = 400;  // the largest double has 309 digits before the point

// The shortest text that reads back as `value`, laid out as C++'s to_chars without a format
// does: plain or with an exponent ("1e-05"), whichever is shorter, plain on a tie; "-0", "inf",
// "-nan". Writes at most 24 characters; returns the end.
char* writeShortest(char* out, double value);

// `value` with `decimals` digits after the point as printf("%.*f") writes it: the exact binary
// value rounded to nearest, ties to even. decimals 0..60. Returns the end.
char* writeFixedExact(char* out, double value, int decimals);

// As printf("%g"): six significant digits, trailing zeros removed, an exponent outside
// 1e-4..1e6.
std::string formatGeneral(double value);

}  // namespace trakor::numbers
