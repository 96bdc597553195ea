// SPDX-License-Identifier: GPL-3.0-or-later
// The number conversions must give what the C and C++ libraries of the reference system gave
// before them (strtod, to_chars, printf), so outputs keep their bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "core/numbers.h"
#include "core/text_format.h"

#if defined(__cpp_lib_to_chars)
#include <charconv>
#endif

namespace trakor {
namespace {

std::string shortest(double v) {
    char buf[numbers::kNumberRoom];
    return {buf, numbers::writeShortest(buf, v)};
}

bool sameDouble(double a, double b) {
    return std::isnan(a) ? std::isnan(b) && std::signbit(a) == std::signbit(b) : std::memcmp(&a, &b, sizeof a) == 0;
}

// The texts written for edge values, as the writers wrote them before.
TEST(Numbers, EdgeValuesWriteAsBeforeAndReadBack) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        const char* shortestText;
        const char* fixed7;
        const char* general;
    } cases[] = {
        {0.0, "0", "0.0000000", "0"},
        {-0.0, "-0", "-0.0000000", "-0"},
        {1e-7, "1e-07", "0.0000001", "1e-07"},
        {0.1, "0.1", "0.1000000", "0.1"},
        {0.0001, "1e-04", "0.0001000", "0.0001"},
        {0.001, "0.001", "0.0010000", "0.001"},
        {100000.0, "1e+05", "100000.0000000", "100000"},
        {123456.0, "123456", "123456.0000000", "123456"},
        {1234.5678, "1234.5678", "1234.5678000", "1234.57"},
        {-8848.86, "-8848.86", "-8848.8600000", "-8848.86"},
        {1e22, "1e+22", "10000000000000000000000.0000000", "1e+22"},
        {1.7976931348623157e308, "1.7976931348623157e+308", nullptr, "1.79769e+308"},
        {5e-324, "5e-324", "0.0000000", "4.94066e-324"},
        {2.2250738585072014e-308, "2.2250738585072014e-308", "0.0000000", "2.22507e-308"},
        {0.5e-7, "5e-08", "0.0000000", "5e-08"},  // just below the middle of two seventh decimals
        {inf, "inf", "inf", "inf"},
        {-inf, "-inf", "-inf", "-inf"},
        {-std::nan(""), "-nan", "-nan", "-nan"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shortest(c.value), c.shortestText);
        EXPECT_EQ(numbers::formatGeneral(c.value), c.general);
        if (c.fixed7) {
            std::string fixed;
            appendFixed(fixed, c.value, 7);
            EXPECT_EQ(fixed, c.fixed7);
        }
        EXPECT_TRUE(sameDouble(numbers::parseDouble(c.shortestText), c.value)) << c.shortestText;
    }
}

// Reading agrees with strtod in the "C" locale on value and length, except for strtod's
// hexadecimal forms, which the readers never took.
TEST(Numbers, ReadsWhatStrtodReads) {
    std::vector<std::string> texts = {
        "", " ", "-", "+", "+-1", "--1", ".", "-.", "1e", "1e+", "2.5e-3x", " \t\n12.75<", "+.5", "-0", "5.",
        "1e5000", "-1e5000", "1e-400", "4e-320", "inf", "-Infinity", "INFx", "nan", "-nan", "NaN(12_ab)", "nan(",
        "0x1A", "1,5", "179.999999999999999999999999", "1234567890123456789012345", std::string(400, '9'),
        "0." + std::string(400, '0') + "1",  // underflows to zero, with no exponent to say so
        "0.000000000000000000000000000000000000000000000000000000000000000000000000000000001e-300"};
    std::mt19937_64 rng(7);
    const char alphabet[] = "0123456789012345678901234567890123456789..eE+- infa";
    for (int i = 0; i < 200000; ++i) {
        std::string t;
        for (size_t n = rng() % 24; n > 0; --n) t += alphabet[rng() % (sizeof alphabet - 1)];
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        if (t.find("0x") != std::string::npos || t.find("0X") != std::string::npos) continue;
        char* end = nullptr;
        const double want = std::strtod(t.c_str(), &end);
        double got = -1;
        const char* stop = numbers::readDouble(t.data(), t.data() + t.size(), got);
        ASSERT_TRUE(sameDouble(got, want)) << "\"" << t << "\": " << got << " against " << want;
        ASSERT_EQ(stop ? stop - t.data() : 0, end - t.c_str()) << "\"" << t << "\"";
    }
    EXPECT_EQ(numbers::parseDouble("0x1A"), 0.0);
}

// The fixed and general texts equal printf's, and the shortest text equals to_chars' and reads
// back to the same double, over random doubles of every magnitude and ones near rounding edges.
TEST(Numbers, WritesAsPrintfAndToCharsAndRoundTrips) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> metres(-500, 9000);
    for (int i = 0; i < 50000; ++i) {
        double v;
        const uint64_t bits = rng();
        std::memcpy(&v, &bits, sizeof v);
        if (i % 3 == 0) v = metres(rng);
        if (i % 3 == 1) v = std::round(metres(rng) * 100) / 100;  // heights as files give them
        const std::string s = shortest(v);
        ASSERT_TRUE(sameDouble(numbers::parseDouble(s), v)) << s;
#if defined(__cpp_lib_to_chars)
        char want[64];
        ASSERT_EQ(s, std::string(want, std::to_chars(want, want + sizeof want, v).ptr));
#endif
        char printed[512];
        std::snprintf(printed, sizeof printed, "%g", v);
        ASSERT_EQ(numbers::formatGeneral(v), printed);
        const int decimals = static_cast<int>(rng() % 12);
        char ours[numbers::kNumberRoom];
        std::snprintf(printed, sizeof printed, "%.*f", decimals, v);
        ASSERT_EQ(std::string(ours, numbers::writeFixedExact(ours, v, decimals)), printed);
    }
}

}  // namespace
}  // namespace trakor
