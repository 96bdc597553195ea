// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "core/civil_time.h"
#include "core/numbers.h"

namespace trakor {

namespace {

constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// The digits of `value` with `decimals` places by whole-number arithmetic, rounded to nearest as
// printf rounds the exact binary value; null (nothing written) for a value on the middle between
// two last digits or beyond 2^52 after scaling. Below 2^52 the middle is itself a double, and
// rounding the product never carries it across the middle: it lands on the correct side or on
// the middle, which the general conversion then settles.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes v backwards so that it ends before p, with at least `width` digits (leading zeros) and
// at least one; returns where it starts.
char* putDigits(char* p, uint32_t v, int width) {
    for (; v >= 100 || width > 2; v /= 100, width -= 2) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (v % 100), 2);
    }
    if (v >= 10 || width == 2) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * v, 2);
    } else {
        *--p = static_cast<char>('0' + v);
    }
    return p;
}

char* writeFixedQuickly(char* out, double value, int decimals) {
    if (decimals < 0 || decimals > 9 || !(std::fabs(value) < 1e30)) return nullptr;
    const double scaled = std::fabs(value) * kPowersOfTen[decimals];
    if (!(scaled < 0x1p52)) return nullptr;
    auto digits = static_cast<uint64_t>(scaled);
    const double side = (scaled - static_cast<double>(digits)) - 0.5;
    if (side == 0) return nullptr;
    digits += side > 0 ? 1 : 0;
    // Digits from the back, two at a time, in 32-bit parts where they fit, then moved to the front.
    char buf[64];
    char* p = buf + 32;
    if (decimals > 0) {
        const auto scale = static_cast<uint32_t>(kPowersOfTen[decimals]);
        p = putDigits(p, static_cast<uint32_t>(digits % scale), decimals);
        *--p = '.';
        digits /= scale;
    }
    while (digits > UINT32_MAX) {
        p = putDigits(p, static_cast<uint32_t>(digits % 100000000), 8);
        digits /= 100000000;
    }
    p = putDigits(p, static_cast<uint32_t>(digits), 0);
    // Negative values keep their sign even when they round to zero, as printf writes them.
    if (std::signbit(value)) *--p = '-';
    std::memcpy(out, p, 32);  // the room holds it; only what is ours counts
    return out + (buf + 32 - p);
}

}  // namespace

char* writeFixed(char* out, double value, int decimals) {
    if (char* end = writeFixedQuickly(out, value, decimals)) return end;
    return numbers::writeFixedExact(out, value, decimals);
}

void appendFixed(std::string& out, double value, int decimals) {
    char buf[kFixedRoom];
    out.append(buf, writeFixed(buf, value, decimals));
}

namespace {

void put2(char* p, unsigned v) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
}

}  // namespace

char* writeUtcTime(char* out, int64_t seconds) {
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    if (year < 0 || year > 9999) {  // outside four digits: as printf would write it
        const int n = std::snprintf(out, kUtcTimeRoom, "%04lld-%02u-%02uT%02u:%02u:%02uZ", static_cast<long long>(year),
                                    month, day, static_cast<unsigned>(rest / 3600),
                                    static_cast<unsigned>(rest / 60 % 60), static_cast<unsigned>(rest % 60));
        return n > 0 ? out + std::min(static_cast<size_t>(n), kUtcTimeRoom - 1) : out;
    }
    static constexpr char kLayout[20] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0',
                                         'T', '0', '0', ':', '0', '0', ':', '0', '0', 'Z'};
    std::memcpy(out, kLayout, sizeof kLayout);
    const unsigned y = static_cast<unsigned>(year);
    put2(out, y / 100);
    put2(out + 2, y % 100);
    put2(out + 5, month);
    put2(out + 8, day);
    put2(out + 11, static_cast<unsigned>(rest / 3600));
    put2(out + 14, static_cast<unsigned>(rest / 60 % 60));
    put2(out + 17, static_cast<unsigned>(rest % 60));
    return out + sizeof kLayout;
}

void appendUtcTime(std::string& out, int64_t seconds) {
    char buf[kUtcTimeRoom];
    out.append(buf, writeUtcTime(buf, seconds));
}

}  // namespace trakor
