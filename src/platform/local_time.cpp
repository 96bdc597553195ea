#include "platform/local_time.h"

#include <cstdlib>
#include <string>

namespace trakor {

namespace {
struct MinuteCache {
    bool valid = false;
    bool hadTz = false;
    std::string tz;
    time_t minute = 0;
    time_t offset = 0;  // result minus instant within that minute
};

bool sameZone(const MinuteCache& c) {
    const char* tz = std::getenv("TZ");
    return c.hadTz == (tz != nullptr) && (!tz || c.tz == tz);
}

time_t floorMinute(time_t t) { return t >= 0 ? t / 60 : -((-t + 59) / 60); }
}  // namespace

time_t localRoundTrip(time_t instant, std::tm* local) {
    thread_local MinuteCache cache;
    std::tm loc{};
    if (localtime_r(&instant, &loc) == nullptr) return -1;
    if (local) *local = loc;
    const time_t minute = floorMinute(instant);
    if (cache.valid && cache.minute == minute && sameZone(cache)) return instant + cache.offset;
    loc.tm_isdst = -1;
    const time_t back = mktime(&loc);
    if (back == static_cast<time_t>(-1)) return -1;
    const char* tz = std::getenv("TZ");
    cache.valid = true;
    cache.hadTz = tz != nullptr;
    cache.tz = tz ? tz : "";
    cache.minute = minute;
    cache.offset = back - instant;
    return back;
}

}  // namespace trakor
