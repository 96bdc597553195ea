// The fast reader of plain decimals against the full one, over many generated numbers: every
// double must be the same to the bit.
#include "import/plain_decimal.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>

#include "import/text_scan.h"

namespace trakor::scan {
namespace {

TEST(PlainDecimal, GivesTheFullReadersDoubleToTheBit) {
    std::mt19937_64 rng(16);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(rng() % 15);
        std::string text = rng() % 4 == 0 ? "-" : rng() % 8 == 0 ? "+" : "";
        const int point = static_cast<int>(rng() % (digits + 2)) - 1;  // -1: none; digits: at the end
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            // Runs of nines and zeros find the rounding edges.
            const uint64_t r = rng() % 16;
            text += static_cast<char>('0' + (r < 10 ? r : r < 13 ? 9 : 0));
        }
        if (point == digits) text += '.';
        double fast = -1;
        ASSERT_TRUE(plainDecimal(text, fast)) << text;
        const double full = parseDouble(text);
        ASSERT_EQ(std::bit_cast<uint64_t>(fast), std::bit_cast<uint64_t>(full)) << text;
    }
}

TEST(PlainDecimal, LeavesEveryOtherTextToTheFullReader) {
    double v = 0;
    for (const char* text : {"", "-", "+", ".", "-.", "1e5", " 1", "1 ", "1.2.3", "1234567890123456", "0.000000000000001",
                             "+-1", "0x10", "inf", "nan", "1,5"})
        EXPECT_FALSE(plainDecimal(text, v)) << text;
    ASSERT_TRUE(plainDecimal("123456789012345", v));
    EXPECT_EQ(v, 123456789012345.0);
    ASSERT_TRUE(plainDecimal("-0", v));
    EXPECT_TRUE(std::signbit(v));
}

}  // namespace
}  // namespace trakor::scan
