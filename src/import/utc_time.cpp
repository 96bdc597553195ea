#include "import/utc_time.h"

#include <ctime>
#include <limits>

#include "platform/local_time.h"


namespace trakor {

namespace {

// timegm's day number by arithmetic (days from the civil date): linear in every field as timegm
// normalises them, without the library's per-call time-zone work.
int64_t daysFromCivil(int year, int month, int day) {
    int64_t y = year, m = month - 1;
    y += m >= 0 ? m / 12 : (m - 11) / 12;
    m -= (m >= 0 ? m / 12 : (m - 11) / 12) * 12;
    // March-based year so the leap day comes last.
    const int64_t mp = (m + 10) % 12;  // March 0 ... February 11
    if (mp >= 10) --y;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * mp + 2) / 5;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (day - 1);
}

}  // namespace

time_t utcInstant(int year, int month, int day, int hour, int minute, int second) {
    // Points of one file share their date: the day number of the last date is kept.
    thread_local bool known = false;
    thread_local int lastYear = 0, lastMonth = 0, lastDay = 0;
    thread_local int64_t lastDays = 0;
    if (!known || year != lastYear || month != lastMonth || day != lastDay) {
        lastDays = daysFromCivil(year, month, day);
        lastYear = year, lastMonth = month, lastDay = day;
        known = true;
    }
    const int64_t days = lastDays;
    return static_cast<time_t>(days * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 + second);
}

// Through local time with the system's time-zone rules and back; 0 when it lies outside what
// 32 bits hold.
int32_t storedTimeFromUtc(int year, int month, int day, int hour, int minute, int second) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return 0;
    const time_t instant = utcInstant(year, month, day, hour, minute, second);
    if (instant == static_cast<time_t>(-1)) return 0;
    const time_t t = localRoundTrip(instant);
    if (t <= 0 || t > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(t);
}

}  // namespace trakor
