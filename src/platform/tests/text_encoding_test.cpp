// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "platform/utf8.h"

namespace trakor {
namespace {

TEST(TextEncoding, Windows1252MapsEveryByte) {
    EXPECT_EQ(windows1252ToUtf8("\x80\x8A\x9F\xA0\xE9\xFF"),
              "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC2\xA0\xC3\xA9\xC3\xBF");
    EXPECT_EQ(windows1252ToUtf8("\x81"), "\xC2\x81");  // undefined byte keeps its value
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_TRUE(isValidUtf8(windows1252ToUtf8(all)));
    EXPECT_EQ(toUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(toUtf8("caf\xE9"), "caf\xC3\xA9");
}

}  // namespace
}  // namespace trakor
