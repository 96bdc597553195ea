// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/ini_file.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

TEST(ProfileInt, ReadsLikeGetPrivateProfileInt) {
    EXPECT_EQ(profileInt("42"), 42);
    EXPECT_EQ(profileInt("-32000"), -32000);
    EXPECT_EQ(profileInt("+7"), 7);
    EXPECT_EQ(profileInt("  15km"), 15);  // trailing non-digits ignored
    EXPECT_EQ(profileInt("12 34"), 12);
    EXPECT_EQ(profileInt("abc"), 0);  // present but no digits
    EXPECT_EQ(profileInt("-"), 0);
    EXPECT_EQ(profileInt("0x1F"), 31);
    EXPECT_EQ(profileInt("0b101"), 5);
    EXPECT_EQ(profileInt("010"), 10);  // no octal for a bare leading zero
    EXPECT_EQ(profileInt("2147483647"), 2147483647);
    EXPECT_EQ(profileInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(profileInt("4294967297"), 1);  // wraps modulo 2^32
}

TEST(IniFile, ReadsAWindowsFileWithOtherSectionsAndComments) {
    IniFile ini;
    ini.parse("\xEF\xBB\xBF; written by hand\r\n"
              "[Other]\r\n"
              "Mode=99\r\n"
              "\r\n"
              "[ info ]\r\n"
              "  mode = 12 \r\n"
              ";Prefix=70\r\n"
              "Name=\"quoted value\"\r\n"
              "Left Trakor3 Menu=-32000\r\n"
              "Filter_CBR=\r\n"
              "garbage line without equals\r\n"
              "Mode=13\r\n"
              "[Info]\r\n"
              "Split=1\r\n");
    EXPECT_EQ(ini.intValue("Info", "Mode", 1), 12);  // first match, case-insensitive, trimmed
    EXPECT_EQ(ini.intValue("Info", "Prefix", 58), 58);   // commented out
    EXPECT_EQ(ini.intValue("Info", "Filter_CBR", 200), 200);  // empty value gives the default
    EXPECT_EQ(ini.intValue("Info", "Left Trakor3 Menu", 0), -32000);
    EXPECT_EQ(ini.intValue("Info", "Split", 0), 0);  // only the first [Info] section counts
    EXPECT_EQ(ini.value("Info", "Name"), "quoted value");
    EXPECT_EQ(ini.intValue("Other", "Mode", 1), 99);
    EXPECT_EQ(ini.intValue("Missing", "Mode", 5), 5);
}

TEST(IniFile, WritesInPlaceAndKeepsEverythingElse) {
    IniFile ini;
    const std::string original =
        "; comment\r\n[Other]\r\nMode=99\r\n\r\n[Info]\r\nmode=12\r\nFilter=0\r\n\r\n[Last]\r\nx=1\r\n";
    ini.parse(original);
    ini.set("Info", "Mode", "14");
    ini.set("Info", "Split", "1");
    ini.set("Extra", "A", "-5");
    EXPECT_EQ(ini.text(),
              "; comment\r\n[Other]\r\nMode=99\r\n\r\n[Info]\r\nmode=14\r\nFilter=0\r\nSplit=1\r\n\r\n[Last]\r\nx=1\r\n"
              "\r\n[Extra]\r\nA=-5\r\n");
    EXPECT_TRUE(ini.remove("INFO", "filter"));
    EXPECT_FALSE(ini.remove("Info", "filter"));
    EXPECT_FALSE(ini.value("Info", "Filter"));
    EXPECT_EQ(ini.intValue("Info", "Split", 0), 1);

    IniFile lf;  // an LF file without a final line end stays LF
    lf.parse("[Info]\nMode=1");
    lf.set("Info", "Split", "0");
    EXPECT_EQ(lf.text(), "[Info]\nMode=1\nSplit=0\n");
    IniFile empty;
    empty.set("Info", "Mode", "3");
    EXPECT_EQ(empty.text(), "[Info]\nMode=3\n");
}

// UTF-16 bytes with the byte order mark, as Windows saves a "Unicode" text file.
std::string utf16(std::u16string_view text, bool bigEndian) {
    std::string out;
    std::u16string marked(1, u'\xFEFF');
    marked += text;
    for (char16_t u : marked) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

TEST(IniFile, Utf16FilesAreReadAndWrittenBackInTheirOwnEncoding) {
    test::TempDir dir;
    const std::string path = dir.file("Trakor3.ini");
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big endian" : "little endian");
        test::writeFile(path, utf16(u"; Caf\u00E9 \U0001F6B2\r\n[Info]\r\nMode=12\r\nName=\u0141\u00F3d\u017A\r\n", bigEndian));
        IniFile ini;
        ASSERT_TRUE(ini.load(path));
        EXPECT_EQ(ini.intValue("Info", "Mode", 0), 12);
        EXPECT_EQ(ini.value("Info", "Name"), "\xC5\x81\xC3\xB3" "d\xC5\xBA");
        ini.set("Info", "Mode", "21");
        ini.set("Info", "Split", "1");
        ASSERT_TRUE(ini.save(path));
        EXPECT_EQ(test::readFile(path),
                  utf16(u"; Caf\u00E9 \U0001F6B2\r\n[Info]\r\nMode=21\r\nName=\u0141\u00F3d\u017A\r\nSplit=1\r\n", bigEndian));
    }
}

TEST(IniFile, SaveIsAtomicAndReportsFailure) {
    test::TempDir dir;
    const std::string path = dir.file("Trakor3.ini");
    IniFile ini;
    ASSERT_TRUE(ini.load(path));  // missing file: empty document
    ini.set("Info", "Mode", "21");
    ASSERT_TRUE(ini.save(path));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    IniFile again;
    ASSERT_TRUE(again.load(path));
    EXPECT_EQ(again.intValue("Info", "Mode", 1), 21);
    again.set("Info", "Mode", "22");
    ASSERT_TRUE(again.save(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // permissions survive the replacement

    // Read-only file: refused and unchanged (also when running as root).
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    again.set("Info", "Mode", "23");
    std::string error;
    EXPECT_FALSE(again.save(path, &error));
    EXPECT_NE(error.find("read-only"), std::string::npos);
    EXPECT_EQ(test::readFile(path), "[Info]\nMode=22\n");
    // Missing folder, and a folder in the file's place.
    EXPECT_FALSE(again.save(dir.file("no/such/folder/x.ini")));
    std::filesystem::create_directory(dir.file("adir"));
    EXPECT_FALSE(again.save(dir.file("adir")));
    IniFile notAFile;
    EXPECT_FALSE(notAFile.load(dir.file("adir")));
    // No temporary files are left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace trakor
