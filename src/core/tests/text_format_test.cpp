// SPDX-License-Identifier: GPL-3.0-or-later
// The fast formatters must write exactly what printf and gmtime write.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <random>

#include "core/text_format.h"

namespace trakor {
namespace {

std::string printfFixed(double v, int decimals) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

TEST(TextFormat, FixedEqualsPrintfOnEdgesAndRandomValues) {
    std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.00000005, -0.00000005, 0.00000015,
                                  179.99999995, -179.99999995, 1e-300, -1e-9, 123456789.123456789, 1e20, 1e300,
                                  std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                  std::nan(""), -std::nan("")};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> degrees(-180, 180), metres(-500, 9000000);
    for (int i = 0; i < 200000; ++i) values.push_back(i % 2 ? degrees(rng) : metres(rng));
    // Values on the rounding edge of the seventh decimal: k / 2e7 for random k.
    // And the doubles either side of them, and of the edges of other places.
    for (int i = 0; i < 20000; ++i) {
        const double edge = static_cast<double>(rng() % 4000000000ULL) / 2e7;
        values.push_back(edge);
        values.push_back(std::nextafter(edge, 0.0));
        values.push_back(-std::nextafter(edge, 1e9));
        const double far = (static_cast<double>(rng() % 900000000000000ULL) + 0.5) / 1e7;  // beyond 2^40 when scaled
        values.push_back(far);
        values.push_back(std::nextafter(far, 0.0));
        values.push_back(-std::nextafter(far, 1e9));
        const double other =
            (static_cast<double>(rng() % 1000000ULL) + 0.5) / std::pow(10.0, static_cast<int>(rng() % 10));
        values.push_back(other);
        values.push_back(std::nextafter(other, 0.0));
        values.push_back(std::nextafter(other, 1e9));
    }
    for (double v : {1099511627775.5, 1099511627776.5, 0x1p40, -0x1p40, 0x1p53, 0x1p53 - 1, 4503599627370495.5, 1e29,
                     1e31})
        values.push_back(v);
    for (double v : values)
        for (int decimals : {0, 1, 3, 7, 9}) {
            std::string ours;
            appendFixed(ours, v, decimals);
            ASSERT_EQ(ours, printfFixed(v, decimals)) << "value " << v;
        }
}

TEST(TextFormat, UtcTimeEqualsGmtimeOverTheInt32Range) {
    std::mt19937_64 rng(5);
    std::vector<int64_t> seconds = {0, -1, 86399, 86400, INT32_MIN, INT32_MAX, 951782400 /* 2000-02-29 */,
                                    4107542400 /* 2100-03-01 */};
    for (int i = 0; i < 200000; ++i) seconds.push_back(static_cast<int32_t>(rng()));
    for (int64_t s : seconds) {
        std::time_t t = static_cast<std::time_t>(s);
        std::tm tm{};
        gmtime_r(&t, &tm);
        char want[64];
        std::snprintf(want, sizeof want, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        std::string ours;
        appendUtcTime(ours, s);
        ASSERT_EQ(ours, want) << "seconds " << s;
    }
}

}  // namespace
}  // namespace trakor
