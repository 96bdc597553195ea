#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/local_time.h"

namespace trakor {
namespace {

// The local fields of an instant, as the C library gives them.
std::tm localFields(time_t instant) {
    std::tm loc{};
    localtime_r(&instant, &loc);
    return loc;
}

class ZoneGuard {
public:
    ZoneGuard() {
        const char* tz = std::getenv("TZ");
        had_ = tz != nullptr;
        if (had_) old_ = tz;
    }
    ~ZoneGuard() {
        if (had_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    void use(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

TEST(LocalRoundTrip, GivesBackTheInstantAcrossDaylightChangesAndZoneSwitches) {
    ZoneGuard guard;
    // Around the 2024 changes in Amsterdam (whole hours) and Lord Howe (half an hour at 02:00).
    struct Case {
        const char* tz;
        time_t from;
    } cases[] = {
        {"Europe/Amsterdam", 1711846800 - 7200},   // 2024-03-31 01:00 UTC change
        {"Europe/Amsterdam", 1729990800 - 7200},   // 2024-10-27 01:00 UTC change
        {"Australia/Lord_Howe", 1712413800 - 7200},
        {"America/St_Johns", 1710048600 - 7200},
        {"UTC", 1700000000},
    };
    for (const Case& c : cases) {
        guard.use(c.tz);
        for (time_t t = c.from; t < c.from + 4 * 3600; t += 7) {
            std::tm local{};
            ASSERT_EQ(localRoundTrip(t, &local), t) << c.tz << " at " << t;
            ASSERT_EQ(local.tm_hour, localFields(t).tm_hour) << c.tz << " at " << t;
            ASSERT_EQ(local.tm_isdst, localFields(t).tm_isdst) << c.tz << " at " << t;
        }
    }
    // A zone switch between two calls in the same minute is seen at once.
    guard.use("UTC");
    const time_t t = 1729990800 - 1800;
    std::tm local{};
    EXPECT_EQ(localRoundTrip(t, &local), t);
    EXPECT_EQ(local.tm_hour, 0);
    guard.use("Europe/Amsterdam");
    EXPECT_EQ(localRoundTrip(t + 1, &local), t + 1);
    EXPECT_EQ(local.tm_hour, 2);  // the first 02:30, still summer time
    EXPECT_EQ(local.tm_isdst, 1);
}

TEST(LocalRoundTrip, GivesTheLocalFields) {
    ZoneGuard guard;
    guard.use("Europe/Amsterdam");
    std::tm local{};
    localRoundTrip(1720000000, &local);  // 2024-07-03 09:46:40 UTC
    EXPECT_EQ(local.tm_hour, 11);
    EXPECT_EQ(local.tm_min, 46);
    EXPECT_EQ(local.tm_isdst, 1);
}

}  // namespace
}  // namespace trakor
