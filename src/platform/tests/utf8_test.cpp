// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/utf8.h"

namespace trakor {
namespace {

TEST(Utf8, RecognisesWellFormedUtf8Only) {
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("Espa\xC3\xB1ol \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("Fran\xE7" "ais"));        // Windows-1252
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));              // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));          // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));      // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));              // cut short at the end
    EXPECT_EQ(utf8SequenceLength("\xE2\x82", 0), 0u);
    EXPECT_EQ(utf8SequenceLength("a", 5), 0u);          // past the end
}

// Counting and cutting never split a character: "a", "ñ" (2 bytes), "€" (3), "😀" (4).
TEST(Utf8, CountsAndCutsOnCharacterBoundaries) {
    const std::string s = "a\xC3\xB1\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(utf8CharCount(s), 4u);
    const size_t charEnds[] = {0, 1, 3, 6, 10};
    for (size_t n = 0; n <= 5; ++n) EXPECT_EQ(utf8PrefixChars(s, n).size(), charEnds[n < 4 ? n : 4]) << n;
    const size_t byteCuts[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 10};
    for (size_t max = 0; max < std::size(byteCuts); ++max) EXPECT_EQ(utf8PrefixBytes(s, max).size(), byteCuts[max]) << max;
}

// Every code point round-trips through appendUtf8 and utf8Decode; surrogates are refused.
TEST(Utf8, EncodesAndDecodesEveryCodePoint) {
    for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        std::string s;
        appendUtf8(s, cp);
        uint32_t back = 0xFFFFFFFF;
        const size_t n = utf8Decode(s, 0, back);
        if (cp >= 0xD800 && cp < 0xE000) {
            ASSERT_EQ(n, 0u) << cp;
            continue;
        }
        ASSERT_EQ(n, s.size()) << cp;
        ASSERT_EQ(back, cp);
    }
}

}  // namespace
}  // namespace trakor
