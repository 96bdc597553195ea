// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/local_time.h"

namespace trakor {
namespace {

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

// The fields of the zone in use, also in the repeated hour when daylight saving ends and right
// after the zone was switched.
TEST(LocalFields, FollowTheZoneAndItsDaylightFlag) {
    ZoneGuard guard;
    guard.use("UTC");
    const time_t t = 1729990800 - 1800;  // 2024-10-27 00:30 UTC, the first 02:30 in Amsterdam
    std::tm local{};
    ASSERT_TRUE(toLocalFields(t, local));
    EXPECT_EQ(local.tm_hour, 0);
    guard.use("Europe/Amsterdam");
    ASSERT_TRUE(toLocalFields(t, local));
    EXPECT_EQ(local.tm_hour, 2);
    EXPECT_EQ(local.tm_isdst, 1);
    ASSERT_TRUE(toLocalFields(t + 3600, local));  // the second 02:30, winter time
    EXPECT_EQ(local.tm_hour, 2);
    EXPECT_EQ(local.tm_isdst, 0);
    ASSERT_TRUE(toLocalFields(1720000000, local));  // 2024-07-03 09:46:40 UTC
    EXPECT_EQ(local.tm_hour, 11);
    EXPECT_EQ(local.tm_min, 46);
}

}  // namespace
}  // namespace trakor
