// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/civil_time.h"

#include <limits>

namespace trakor {

// Howard Hinnant's days_from_civil and civil_from_days, on a year that begins in March so the
// leap day comes last.
int64_t daysFromCivil(int64_t year, int month, int day) {
    int64_t y = year, m = month - 1;
    const int64_t carry = m >= 0 ? m / 12 : (m - 11) / 12;
    y += carry;
    m -= carry * 12;
    const int64_t mp = (m + 10) % 12;  // March 0 ... February 11
    if (mp >= 10) --y;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * mp + 2) / 5;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (day - 1);
}

void civilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    year = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    if (month <= 2) ++year;
}

int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second) {
    return daysFromCivil(year, month, day) * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
}

int32_t storedTimeFromUtc(int year, int month, int day, int hour, int minute, int second) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return 0;
    const int64_t t = utcSeconds(year, month, day, hour, minute, second);
    if (t <= 0 || t > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(t);
}

}  // namespace trakor
