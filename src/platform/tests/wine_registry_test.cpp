// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/wine_registry.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

const char* kUserReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Garmin\\\\MapSource] 1700000000\n"
    "#time=1d9c0a0b0c0d0e0\n"
    "\"DistanceUnitsType\"=dword:00000001\n"
    "\n"
    "[Software\\\\Garmin\\\\MapSource\\\\Settings] 1700000001\n"
    "#time=1d9c0a0b0c0d0e1\n"
    "@=\"the default\"\n"
    "\"Big\"=hex(b):10,00,00,00,00,00,00,01\n"
    "\"Blob\"=hex:01,02,03,\\\n"
    "  04,05\n"
    "\"DistanceUnitsType\"=dword:00000002\n"
    "\"InstallDir\"=\"C:\\\\Garmin\\\\\"\n"
    "\"Negative\"=dword:ffffffff\n"
    "\"Path\"=str(2):\"%ProgramFiles%\\\\Garmin\"\n"
    "\"Quote \\\"and\\\" name\"=\"caf\\x00e9 \\\"q\\\" tab\\tend\"\n"
    "\"Smiley\"=\"\\xd83d\\xde00\"\n"
    "\"Unterminated\"=\"abc\n"
    "\n"
    "[Software\\\\Other] 1700000002\n"
    "\"InstallDir\"=\"D:\\\\Elsewhere\"\n";

struct WineRegistryTest : ::testing::Test {
    test::TempDir dir;
    std::string reg = dir.file("user.reg");
    void SetUp() override { test::writeFile(reg, kUserReg); }
    std::optional<std::string> value(std::string_view name,
                                     std::string_view key = "Software\\Garmin\\MapSource\\Settings") {
        return readWineRegistryValue(reg, key, name);
    }
};

TEST_F(WineRegistryTest, ValuesOfTheRightKeyAreDecodedByType) {
    EXPECT_EQ(value("DistanceUnitsType"), "2");  // not the parent key's 1
    EXPECT_EQ(value("InstallDir"), "C:\\Garmin\\");
    EXPECT_EQ(value("Negative"), "4294967295");
    EXPECT_EQ(value("Path"), "%ProgramFiles%\\Garmin");
    EXPECT_EQ(value("Big"), "72057594037927952");
    EXPECT_EQ(value("@"), "the default");
    EXPECT_EQ(value(""), "the default");
    EXPECT_EQ(value("InstallDir", "Software\\Other"), "D:\\Elsewhere");
    EXPECT_EQ(value("DistanceUnitsType", "Software\\Garmin\\MapSource"), "1");
}

TEST_F(WineRegistryTest, NamesCompareCaseInsensitivelyAndEscapesAreDecoded) {
    EXPECT_EQ(value("distanceunitstype", "SOFTWARE\\garmin\\MAPSOURCE\\settings\\"), "2");
    EXPECT_EQ(value("Quote \"and\" name"), "caf\xc3\xa9 \"q\" tab\tend");
    EXPECT_EQ(value("Smiley"), "\xf0\x9f\x98\x80");
    // A doubled separator as written in the file itself is accepted too.
    EXPECT_EQ(value("DistanceUnitsType", "Software\\\\Garmin\\\\MapSource\\\\Settings"), "2");
}

TEST_F(WineRegistryTest, MissingOrUnreadableValuesGiveNothing) {
    EXPECT_FALSE(value("Blob"));          // binary data has no text
    EXPECT_FALSE(value("Unterminated"));  // damaged line
    EXPECT_FALSE(value("NoSuchValue"));
    EXPECT_FALSE(value("DistanceUnitsType", "Software\\Garmin"));
    EXPECT_FALSE(value("DistanceUnitsType", "Software\\Garmin\\MapSource\\Settings\\Sub"));
    EXPECT_FALSE(readWineRegistryValue(dir.file("missing.reg"), "Software", "x"));
    test::writeFile(reg, "[Software\\\\Garmin\\\\MapSource\\\\Settings\n\"DistanceUnitsType\"=dword:0000000");
    EXPECT_FALSE(value("DistanceUnitsType"));
    test::writeFile(reg, std::string("[Software\\\\Garmin\\\\MapSource\\\\Settings] 1\r\n"
                                     "\"DistanceUnitsType\"=dword:00000000\r\n"));
    EXPECT_EQ(value("DistanceUnitsType"), "0");  // CRLF file
}

TEST(WinePrefix, FromEnvironmentOrHome) {
    Environment env;
    env.vars["HOME"] = "/home/u";
    EXPECT_EQ(winePrefix(env), "/home/u/.wine");
    env.vars["WINEPREFIX"] = "";
    EXPECT_EQ(winePrefix(env), "/home/u/.wine");
    env.vars["WINEPREFIX"] = "/opt/garmin-prefix";
    EXPECT_EQ(winePrefix(env), "/opt/garmin-prefix");
}

}  // namespace
}  // namespace trakor
