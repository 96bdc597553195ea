#include "core/text_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace trakor {

namespace {

constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// The digits of `value` with `decimals` places by whole-number arithmetic, rounded to nearest as
// printf rounds the exact binary value; false (nothing written) for a value on the middle between
// two last digits or beyond 2^52 after scaling. Below 2^52 the middle is itself a double, and
// rounding the product never carries it across the middle: it lands on the correct side or on
// the middle, which the general conversion then settles.
bool appendFixedQuickly(std::string& out, double value, int decimals) {
    if (decimals < 0 || decimals > 9 || !(std::fabs(value) < 1e30)) return false;
    const double scaled = std::fabs(value) * kPowersOfTen[decimals];
    if (!(scaled < 0x1p52)) return false;
    auto digits = static_cast<uint64_t>(scaled);
    const double side = (scaled - static_cast<double>(digits)) - 0.5;
    if (side == 0) return false;
    digits += side > 0 ? 1 : 0;
    char buf[32];
    char* p = buf + sizeof buf;
    for (int i = 0; i < decimals; ++i, digits /= 10) *--p = static_cast<char>('0' + digits % 10);
    if (decimals > 0) *--p = '.';
    do {
        *--p = static_cast<char>('0' + digits % 10);
        digits /= 10;
    } while (digits != 0);
    // Negative values keep their sign even when they round to zero, as printf writes them.
    if (std::signbit(value)) *--p = '-';
    out.append(p, buf + sizeof buf);
    return true;
}

}  // namespace

void appendFixed(std::string& out, double value, int decimals) {
    if (appendFixedQuickly(out, value, decimals)) return;
    char buf[400];  // the largest double has 309 digits before the point
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec == std::errc()) {
        out.append(buf, end);
        return;
    }
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    if (n > 0) out.append(buf, static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

namespace {

// Days since 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's civil_from_days).
void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

void put2(char* p, unsigned v) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
}

}  // namespace

void appendUtcTime(std::string& out, int64_t seconds) {
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    if (year < 0 || year > 9999) {  // outside four digits: as printf would write it
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02u:%02u:%02uZ", static_cast<long long>(year),
                                    month, day, static_cast<unsigned>(rest / 3600),
                                    static_cast<unsigned>(rest / 60 % 60), static_cast<unsigned>(rest % 60));
        if (n > 0) out.append(buf, static_cast<size_t>(n));
        return;
    }
    char buf[20] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0', 'T', '0', '0', ':', '0', '0', ':', '0', '0', 'Z'};
    const unsigned y = static_cast<unsigned>(year);
    put2(buf, y / 100);
    put2(buf + 2, y % 100);
    put2(buf + 5, month);
    put2(buf + 8, day);
    put2(buf + 11, static_cast<unsigned>(rest / 3600));
    put2(buf + 14, static_cast<unsigned>(rest / 60 % 60));
    put2(buf + 17, static_cast<unsigned>(rest % 60));
    out.append(buf, sizeof buf);
}

}  // namespace trakor
