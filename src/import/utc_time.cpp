#include "import/utc_time.h"

#include <ctime>
#include <limits>

#include "platform/local_time.h"


namespace trakor {

time_t utcInstant(int year, int month, int day, int hour, int minute, int second) {
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    return timegm(&utc);
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
