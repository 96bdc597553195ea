// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/text_scan.h"

#include <clocale>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <limits>
#include <random>

#include "import/tests/import_fixture.h"
#include "core/civil_time.h"

namespace trakor::test {
namespace {

using scan::parseDouble;

TEST(TextScan, NumbersConvertLikeTheCLibraryInTheCLocale) {
    EXPECT_DOUBLE_EQ(parseDouble("52.5"), 52.5);
    EXPECT_DOUBLE_EQ(parseDouble("  \t-4.25xyz"), -4.25);
    EXPECT_DOUBLE_EQ(parseDouble("+7"), 7.0);
    EXPECT_DOUBLE_EQ(parseDouble("1.5e2"), 150.0);
    EXPECT_DOUBLE_EQ(parseDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(parseDouble("12,5"), 12.0);  // a comma is never a decimal point
    for (const char* junk : {"", "-", "+-1", "abc", " . "}) EXPECT_EQ(parseDouble(junk), 0.0) << junk;
    EXPECT_TRUE(std::isinf(parseDouble("1e999")));
    EXPECT_EQ(parseDouble("1e-999"), 0.0);
    EXPECT_EQ(parseDouble("0." + std::string(400, '0') + "1"), 0.0);  // too small without an exponent
}

TEST(TextScan, DateTimesAreReadByPosition) {
    ScopedTimeZone tz("XXX-2");
    std::tm local{};
    EXPECT_EQ(scan::utcTextToTime("2009-06-01T10:00:00Z", &local), 1243850400);
    EXPECT_EQ(local.tm_hour, 12);
    EXPECT_EQ(local.tm_mday, 1);
    // Zones and fractions: every text below is 2009-06-01T10:00:00Z.
    for (const char* same : {"2009-06-01T12:00:00+02:00", "2009-06-01T12:00:00+0200", "2009-06-01T12:00:00+02",
                             "2009-06-01T04:30:00-05:30", "2009-06-01T15:00:00.499+05:00", "2009-06-01T09:59:59.5Z",
                             "2009-06-02T00:00:00+14:00", "2009-06-01T10:00:00+0x:00"})
        EXPECT_EQ(scan::utcTextToTime(same), 1243850400) << same;
    EXPECT_EQ(scan::utcTextToTime("2008-02-29T00:00:00Z"), 1204243200);
    EXPECT_EQ(scan::utcTextToTime("2009-06-01"), 1243814400);  // a date alone is its midnight
    for (const char* bad : {"", "2009-02-29T00:00:00Z", "2009-06-01T24:00:00Z", "junk",
                            "0000-00-00T00:00:00Z"}) {
        EXPECT_EQ(scan::utcTextToTime(bad, &local), 0) << bad;
        EXPECT_EQ(local.tm_year, 0) << bad;
    }
    // Years past 2038 keep the low 32 bits of the seconds.
    EXPECT_EQ(scan::utcTextToTime("2040-01-01T00:00:00Z"), static_cast<int32_t>(static_cast<uint32_t>(2208988800ull)));
}

// The fast paths for plain numbers and dates against the C library over many generated texts:
// strtod in the C locale, and timegm for every field combination the readers can pass. Hexadecimal
// texts are where the number reader differs: it reads the 0 before the x, as strtod reads that cut text.
TEST(TextScan, FastPathsAgreeWithTheCLibrary) {
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    std::mt19937_64 rng(16);
    const std::string chars = "0123456789.";
    for (int i = 0; i < 200000; ++i) {
        std::string text = (rng() & 1) ? "-" : "";
        const size_t n = 1 + rng() % 20;
        for (size_t k = 0; k < n; ++k) text += chars[rng() % (k % 4 == 3 ? chars.size() : 10)];
        if (rng() % 8 == 0) text += (rng() & 1) ? "e-3" : "\"";
        if (rng() % 16 == 0) text = text.substr(0, text[0] == '-' ? 1 : 0) + ((rng() & 1) ? "0x1A.8p2" : "0X7f");
        const double want = std::strtod(text.substr(0, text.find_first_of("xX")).c_str(), nullptr);
        const double got = parseDouble(text);
        ASSERT_EQ(std::memcmp(&want, &got, sizeof got), 0) << text;
    }
    int year = 1601, month = 1, day = 1;
    for (int i = 0; i < 200000; ++i) {
        if (rng() % 2 == 0) {  // half of them on the date before, as points of one day come
            year = 1601 + static_cast<int>(rng() % 1000), month = static_cast<int>(rng() % 16) - 1;
            day = static_cast<int>(rng() % 33);
        }
        const int hour = static_cast<int>(rng() % 26) - 1;
        const int minute = static_cast<int>(rng() % 61), second = static_cast<int>(rng() % 62);
        std::tm t{};
        t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
        t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second;
        ASSERT_EQ(utcSeconds(year, month, day, hour, minute, second), timegm(&t))
            << year << '-' << month << '-' << day << ' ' << hour << ':' << minute << ':' << second;
    }
}

}  // namespace
}  // namespace trakor::test
