#include "import/text_scan.h"

#include <cmath>
#include <limits>

#include "import/tests/import_fixture.h"

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
}

TEST(TextScan, SemicirclesTruncateAndSaturate) {
    EXPECT_EQ(scan::toSemicircles(1.0), 11930464);
    EXPECT_EQ(scan::toSemicircles(-52.3), static_cast<int32_t>(-52.3 * 11930464.0));
    EXPECT_EQ(scan::toSemicircles(1e10), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(scan::toSemicircles(-INFINITY), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(scan::toSemicircles(NAN), 0);
}

TEST(TextScan, CopiesStopAtTheDelimiterTheBufferOrTheEnd) {
    const std::string data = "<a>hello<b>unterminated";
    scan::Text t{reinterpret_cast<const uint8_t*>(data.data()), data.size()};
    std::string out;
    EXPECT_EQ(t.copyUntil(3, '<', 256, out), 8u);
    EXPECT_EQ(out, "hello");
    EXPECT_EQ(t.copyUntil(3, '<', 4, out), 8u);
    EXPECT_EQ(out, "hel");
    EXPECT_EQ(t.copyUntil(11, '<', 256, out), data.size());
    EXPECT_EQ(out, "unterminated");
    EXPECT_EQ(t.copyUntil(data.size() + 5, '<', 256, out), data.size());
    EXPECT_EQ(out, "");
    EXPECT_FALSE(t.has(data.size() - 2, "ted!"));
    EXPECT_EQ(t.find(0, "<b>"), 8u);
    EXPECT_EQ(t.find(9, "<b>"), data.size());
}

TEST(TextScan, DateTimesAreReadByPosition) {
    ScopedTimeZone tz("XXX-2");
    std::tm local{};
    EXPECT_EQ(scan::utcTextToTime("2009-06-01T10:00:00Z", &local), 1243850400);
    EXPECT_EQ(local.tm_hour, 12);
    EXPECT_EQ(local.tm_mday, 1);
    EXPECT_EQ(scan::utcTextToTime("2009-06-01T10:00:00.999+05:00"), 1243850400);  // the rest is ignored
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

}  // namespace
}  // namespace trakor::test
