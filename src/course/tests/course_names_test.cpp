// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/context.h"
#include "course/course_names.h"
#include "platform/utf8.h"

namespace trakor {
namespace {

const std::string k28 = "Abcdefghijklmnopqrstuvwxyz12";

TEST(CourseNames, LongNamesEndInTheCourseNumber) {
    CourseNames names;
    EXPECT_EQ(names.form(k28, 3), "Abcdefghijklm 3");
    EXPECT_EQ(names.form(k28, 12), "Abcdefghijkl 12");
    EXPECT_EQ(names.form(k28, 123), "Abcdefghijk 123");
    EXPECT_EQ(names.form("Exactly15chars!", 4), "Exactly15chars!");
    EXPECT_EQ(names.form("Short", 5), "Short");
}

TEST(CourseNames, LongNamesStayWithinFifteenFromTheThousandthCourseOn) {
    CourseNames names;
    EXPECT_EQ(names.form(k28, 1000), "Abcdefghij 1000");
    EXPECT_EQ(names.form(k28, 99999), "Abcdefghi 99999");
    EXPECT_EQ(utf8CharCount(names.form(k28, 1234567)), 15u);
}

TEST(CourseNames, EveryCourseKeepsANameOfItsOwn) {
    CourseNames names;
    EXPECT_EQ(names.form("ACTIVE LOG", 1), "ACTIVE LOG");
    EXPECT_EQ(names.form("ACTIVE LOG", 2), "ACTIVE LOG 2");
    // A track really called "ACTIVE LOG 3" after the generated one still differs.
    EXPECT_EQ(names.form("ACTIVE LOG 2", 3), "ACTIVE LOG 2 3");
    // Names that differ only in blanks are the same name to a reader.
    EXPECT_EQ(names.form(" ACTIVE  LOG ", 4), " ACTIVE  LOG  4");
    // When the numbered form is taken too, a number of its own is found.
    EXPECT_EQ(names.form("ACTIVE LOG 5", 6), "ACTIVE LOG 5");
    EXPECT_EQ(names.form("ACTIVE LOG", 5), "ACTIVE  1000005");
}

// Device file systems (FAT) ignore case and refuse some characters: names that would share a
// file there get a number of their own.
TEST(CourseNames, NamesThatShareADeviceFileGetANumber) {
    CourseNames names;
    const std::pair<const char*, const char*> cases[] = {
        {"Tour", "Tour"},     {"TOUR", "TOUR 2"},     {"tour", "tour 3"},   {"Tour/1", "Tour/1"},
        {"tour:1", "tour:1 5"}, {"\xC3\x96" "dland", "\xC3\x96" "dland"}, {"\xC3\xB6" "DLAND", "\xC3\xB6" "DLAND 7"},
        {"TOUR 2", "TOUR 2 8"}, {"Tour 9", "Tour 9"}};
    int32_t d = 1;
    for (const auto& [track, course] : cases) EXPECT_EQ(names.form(track, d++), course) << track;
}

TEST(CourseNames, EncodingControlsAndEmptyNames) {
    CourseNames names;
    // Windows-1252 from MapSource becomes UTF-8; a character is counted once.
    EXPECT_EQ(names.form("Caf\xE9", 1), "Caf\xC3\xA9");
    std::string e15, e16;
    for (int i = 0; i < 15; ++i) e15 += "\xC3\xA9";
    e16 = e15 + "\xC3\xA9";
    EXPECT_EQ(names.form(e15, 2), e15);
    EXPECT_EQ(names.form(e16, 3), e15.substr(0, 26) + " 3");
    EXPECT_EQ(names.form("a\tb\x01", 4), "a b ");
    EXPECT_EQ(names.form("", 5), "Course");
    EXPECT_EQ(names.form("   ", 6), "Course 6");
}

TEST(CourseNames, XmlContentAndFileNames) {
    EXPECT_EQ(nameContent("Plain name"), "Plain name");
    EXPECT_EQ(nameContent("Tom & Jerry"), "<![CDATA[Tom & Jerry]]>");
    EXPECT_EQ(nameContent("a<b"), "<![CDATA[a<b]]>");
    EXPECT_EQ(nameContent("x]]>y"), "<![CDATA[x]]]]><![CDATA[>y]]>");
    EXPECT_EQ(escapeXml("L&R <1>"), "L&amp;R &lt;1&gt;");
    EXPECT_EQ(courseFileName("Tom & Jerry"), "Tom & Jerry.tcx");
    EXPECT_EQ(courseFileName("../../etc/x"), ".._.._etc_x.tcx");
    EXPECT_EQ(courseFileName("a:b*c?d\"e<f>g|h\\"), "a_b_c_d_e_f_g_h_.tcx");
}

class FixedTexts : public TextLookup {
public:
    std::string left, right;
    std::string lookup(std::string_view key, size_t limit) const override {
        std::string t = key == "$MSG49" ? left : key == "$MSG50" ? right : std::string();
        return t.substr(0, limit);
    }
};

TEST(CoursePointName, EnglishOrTheNameInsideTheTranslatedLine) {
    Context ctx;
    FixedTexts texts;
    ctx.texts = &texts;
    EXPECT_EQ(coursePointName(ctx, false), "Left");
    EXPECT_EQ(coursePointName(ctx, true), "Right");
    ctx.settings.Language = 1;
    texts.left = "        <Name>Links</Name>\n";
    texts.right = "Rechts";
    EXPECT_EQ(coursePointName(ctx, false), "Links");
    EXPECT_EQ(coursePointName(ctx, true), "Rechts");
    // Too long for a course point, or nothing usable: cut to 10 characters, or English.
    texts.left = "<Name>Tourner \xE0 gauche</Name>";
    texts.right = "  <Name>  </Name>";
    EXPECT_EQ(coursePointName(ctx, false), "Tourner \xC3\xA0");
    EXPECT_EQ(coursePointName(ctx, true), "Right");
    texts.right = "<Name>broken";
    EXPECT_EQ(coursePointName(ctx, true), "Right");
}

}  // namespace
}  // namespace trakor
