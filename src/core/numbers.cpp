// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numbers.h"

// Both libraries are used from their headers alone, so every build (any compiler, any C library)
// compiles the same conversion code.
#define FMT_HEADER_ONLY
#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace trakor::numbers {

namespace {

bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Digits with an optional point and no exponent, as coordinates and heights are written: with at
// most 15 digits the digits are an exact double, and so is the power of ten; one division of two
// exact values is the correctly rounded value. Null for anything else.
const char* plainDecimal(const char* p, const char* end, double& v) {
    uint64_t digits = 0;
    const char* q = p;
    // Whole part, then the fraction (more than 19 digits wrap, but more than 15 are not used).
    for (unsigned c; q < end && (c = static_cast<unsigned char>(*q) - '0') <= 9; ++q) digits = digits * 10 + c;
    size_t count = static_cast<size_t>(q - p);
    size_t fraction = 0;
    if (q < end && *q == '.') {
        const char* f = ++q;
        for (unsigned c; q < end && (c = static_cast<unsigned char>(*q) - '0') <= 9; ++q) digits = digits * 10 + c;
        fraction = static_cast<size_t>(q - f);
        count += fraction;
    }
    if (count == 0 || count > 15 || (q < end && (*q == 'e' || *q == 'E'))) return nullptr;
    v = fraction > 0 ? static_cast<double>(digits) / kPow10[fraction] : static_cast<double>(digits);
    return q;
}

}  // namespace

namespace {

// Exponents, long digit runs, "inf" and "nan": kept out of line so that the plain path inlines.
[[gnu::noinline]] const char* readGeneral(const char* p, const char* last, double& v) {
    const auto [end, ec] = fast_float::from_chars(p, last, v);
    return ec == std::errc() ? end : nullptr;
}

const char* readNumber(const char* first, const char* last, double& value) {
    const char* p = first;
    while (p < last && blank(*p)) ++p;
    bool negative = false;
    if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // One sign only: the library would take a '-' of its own.
    if (p == last || *p == '+' || *p == '-') return nullptr;
    double v = 0.0;
    const char* end = plainDecimal(p, last, v);
    if (end == nullptr && (end = readGeneral(p, last, v)) == nullptr) return nullptr;
    value = negative ? -v : v;
    return end;
}

}  // namespace

const char* readDouble(const char* first, const char* last, double& value) {
    value = 0.0;
    return readNumber(first, last, value);
}

double parseDouble(std::string_view text) {
    double v = 0.0;
    readNumber(text.data(), text.data() + text.size(), v);
    return v;
}

namespace {

// The shortest digits of a finite, non-zero magnitude that read back as it (the nearest such when
// several are as short), without trailing zeros, and the power of ten of the first digit (digits
// "15", exponent -3 for 0.0015). The library's own shortest-digits routine, which its formatting
// uses. Returns the digit count (at most 17).
int shortestDigits(double magnitude, char (&digits)[32], int& exponent) {
    const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
    uint64_t significand = decimal.significand;
    int tenPower = decimal.exponent;
    while (significand % 10 == 0) significand /= 10, ++tenPower;
    char* const end = digits + sizeof digits;
    char* p = end;
    for (; significand != 0; significand /= 10) *--p = static_cast<char>('0' + significand % 10);
    const int n = static_cast<int>(end - p);
    std::memmove(digits, p, static_cast<size_t>(n));
    exponent = tenPower + n - 1;
    return n;
}

}  // namespace

char* writeShortest(char* out, double value) {
    char* p = out;
    if (std::signbit(value)) *p++ = '-';
    const double magnitude = std::fabs(value);
    if (std::isnan(value) || std::isinf(value) || magnitude == 0) {
        const char* word = std::isnan(value) ? "nan" : std::isinf(value) ? "inf" : "0";
        const size_t n = std::strlen(word);
        std::memcpy(p, word, n);
        return p + n;
    }
    char digits[32];
    int e = 0;
    const int n = shortestDigits(magnitude, digits, e);
    const int expDigits = std::abs(e) >= 100 ? 3 : 2;
    const int scientificLength = n + (n > 1 ? 1 : 0) + 2 + expDigits;
    const int plainLength = e >= n - 1 ? e + 1 : e >= 0 ? n + 1 : n + 1 - e;
    if (plainLength <= scientificLength) {
        if (e >= n - 1) {
            p = std::copy_n(digits, n, p);
            return std::fill_n(p, e - n + 1, '0');
        }
        if (e >= 0) {
            p = std::copy_n(digits, e + 1, p);
            *p++ = '.';
            return std::copy(digits + e + 1, digits + n, p);
        }
        *p++ = '0';
        *p++ = '.';
        p = std::fill_n(p, -e - 1, '0');
        return std::copy_n(digits, n, p);
    }
    *p++ = digits[0];
    if (n > 1) {
        *p++ = '.';
        p = std::copy(digits + 1, digits + n, p);
    }
    return fmt::format_to(p, "e{}{:0{}}", e < 0 ? '-' : '+', std::abs(e), expDigits);
}

char* writeFixedExact(char* out, double value, int decimals) {
    decimals = std::clamp(decimals, 0, 60);
    return fmt::format_to_n(out, kNumberRoom - 1, "{:.{}f}", value, decimals).out;
}

std::string formatGeneral(double value) { return fmt::format("{:.6g}", value); }

}  // namespace trakor::numbers
