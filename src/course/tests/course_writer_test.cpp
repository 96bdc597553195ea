// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "convert/geometry.h"
#include "course/course_writer.h"
#include "course/tests/course_fixture.h"

namespace trakor::test {
namespace {

using CourseWriter = CourseTest;
namespace fs = std::filesystem;

std::string fmt7(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7f", v);
    return buf;
}

TEST_F(CourseWriter, OneCourseInTheDocumentLayout) {
    ctx.settings.CoursePoints = 1;
    setStore({{50, 6, 1700000000, 100.5, true}, {50.001, 6, 1700000030}, {50.001, 6.001, 1700000050, -2, true}});
    ctx.store.partMark[1] = kMarkRight;
    std::string out;
    writeCourse(ctx, out, "Tom & Jerry");
    const std::string lat2 = fmt7(semicirclesToDegrees(ctx.store.lat[1])), lon3 = fmt7(semicirclesToDegrees(ctx.store.lon[2]));
    const double d1 = pointDistance(ctx.store, 0, 1), d2 = pointDistance(ctx.store, 1, 2);
    const std::string expected =
        "    <Course>\n"
        "      <Name><![CDATA[Tom & Jerry]]></Name>\n"
        "      <Lap>\n"
        "        <TotalTimeSeconds>50.0000000</TotalTimeSeconds>\n"
        "        <DistanceMeters>" + fmt7(d1 + d2) + "</DistanceMeters>\n"
        "        <BeginPosition>\n"
        "          <LatitudeDegrees>50.0000000</LatitudeDegrees>\n"
        "          <LongitudeDegrees>6.0000000</LongitudeDegrees>\n"
        "        </BeginPosition>\n"
        "        <EndPosition>\n"
        "          <LatitudeDegrees>" + lat2 + "</LatitudeDegrees>\n"
        "          <LongitudeDegrees>" + lon3 + "</LongitudeDegrees>\n"
        "        </EndPosition>\n"
        "        <Intensity>Active</Intensity>\n"
        "      </Lap>\n"
        "      <Track>\n"
        "        <Trackpoint>\n"
        "          <Time>2023-11-14T22:13:20Z</Time>\n"
        "          <Position>\n"
        "            <LatitudeDegrees>50.0000000</LatitudeDegrees>\n"
        "            <LongitudeDegrees>6.0000000</LongitudeDegrees>\n"
        "          </Position>\n"
        "          <AltitudeMeters>100.5000000</AltitudeMeters>\n"
        "          <DistanceMeters>0.0000000</DistanceMeters>\n"
        "        </Trackpoint>\n"
        "        <Trackpoint>\n"
        "          <Time>2023-11-14T22:13:50Z</Time>\n"
        "          <Position>\n"
        "            <LatitudeDegrees>" + lat2 + "</LatitudeDegrees>\n"
        "            <LongitudeDegrees>6.0000000</LongitudeDegrees>\n"
        "          </Position>\n"
        "          <DistanceMeters>" + fmt7(d1) + "</DistanceMeters>\n"
        "        </Trackpoint>\n"
        "        <Trackpoint>\n"
        "          <Time>2023-11-14T22:14:10Z</Time>\n"
        "          <Position>\n"
        "            <LatitudeDegrees>" + lat2 + "</LatitudeDegrees>\n"
        "            <LongitudeDegrees>" + lon3 + "</LongitudeDegrees>\n"
        "          </Position>\n"
        "          <AltitudeMeters>-2.0000000</AltitudeMeters>\n"
        "          <DistanceMeters>" + fmt7(d1 + d2) + "</DistanceMeters>\n"
        "        </Trackpoint>\n"
        "      </Track>\n"
        "      <CoursePoint>\n"
        "        <Name>Right</Name>\n"
        "        <Time>2023-11-14T22:13:50Z</Time>\n"
        "        <Position>\n"
        "          <LatitudeDegrees>" + lat2 + "</LatitudeDegrees>\n"
        "          <LongitudeDegrees>6.0000000</LongitudeDegrees>\n"
        "        </Position>\n"
        "        <PointType>Right</PointType>\n"
        "      </CoursePoint>\n"
        "    </Course>\n";
    EXPECT_EQ(out, expected);
    // Without course points the marks are not written.
    ctx.settings.CoursePoints = 0;
    out.clear();
    writeCourse(ctx, out, "Plain");
    EXPECT_EQ(countOf(out, "<CoursePoint>"), 0);
    EXPECT_EQ(countOf(out, "<Name>Plain</Name>"), 1);
}

TEST_F(CourseWriter, PositionsStayInsideTheirRanges) {
    // The largest longitude stays below 180 degrees, the smallest is 180 west.
    setStore({{0, 0, 1700000000}, {0, 0, 1700000010}, {0, 0, 1700000020}});
    ctx.store.lon[1] = 2147483647;
    ctx.store.lon[2] = -2147483647 - 1;
    ctx.store.lat[2] = 1073741824 + 5000;  // past the pole, damaged input
    std::string out;
    writeCourse(ctx, out, "Edge");
    EXPECT_EQ(countOf(out, "<LongitudeDegrees>179.9999999</LongitudeDegrees>"), 1);
    EXPECT_EQ(countOf(out, "<LongitudeDegrees>-180.0000000</LongitudeDegrees>"), 2);
    EXPECT_EQ(countOf(out, "<LatitudeDegrees>90.0000000</LatitudeDegrees>"), 2);
    setStore({});
    out.clear();
    writeCourse(ctx, out, "Empty");
    EXPECT_TRUE(out.empty());
}

TEST_F(CourseWriter, TracksOfAWorkFileBecomeValidCourses) {
    TRAKOR_XMLLINT_OR_SKIP();
    ctx.settings.CoursePoints = 1;
    ctx.settings.TurnWarnings = 5;
    const double d = 100 * kDegPerMetre;
    std::vector<Pt> turning = {{50, 6}, {50 + d, 6}, {50 + d, 6 + 1.5 * d}, {50 + 2 * d, 6 + 1.5 * d}};
    writeWorkGdb({track("Morning ride", line(5, 100.5, 1700000000, 20)), track("!Morning ride", line(5)),
                  track("Tom & Jerry <3>", turning), track("Single", {{51, 7}}),
                  track("A name much longer than fifteen", line(3)), track("Morning ride", line(4))});
    EXPECT_EQ(writeCourses(ctx, nullptr, 1700000000), 0);
    EXPECT_EQ(ctx.run.trackCounter, 4);
    EXPECT_EQ(ctx.run.trackFailures, 1);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG35", "$MSG52"}));
    EXPECT_EQ(notes.entries[0].text, "Track 4 not converted\nThere are not enough track points");
    EXPECT_EQ(notes.entries[1].text, "Trakor3 has generated 2 course points.");
    const std::string tcx = readFile(ctx.paths.workTcx);
    EXPECT_EQ(schemaErrors(ctx.paths.workTcx), "");
    EXPECT_EQ(tcx.substr(0, tcx.find('\n') + 1), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n");
    EXPECT_EQ(countOf(tcx, "<Course>"), 4);
    EXPECT_EQ(countOf(tcx, "<Name>Morning ride</Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<Name>Morning ride 4</Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<Name><![CDATA[Tom & Jerry <3>]]></Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<Name>A name much l 3</Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<PointType>Right</PointType>"), 1);
    EXPECT_EQ(countOf(tcx, "<PointType>Left</PointType>"), 1);
    // The file's times of the first track are replaced at 15 km/h from its start; the other
    // tracks have no times and start now.
    EXPECT_EQ(countOf(tcx, "<Time>2023-11-14T22:13:20Z</Time>"), 4);
    EXPECT_EQ(countOf(tcx, "<Time>2023-11-14T22:13:44Z</Time>"), 4);
    EXPECT_EQ(countOf(tcx, "<Trackpoint>"), 5 + 4 + 2 + 3 + 4);  // 2 inserted warning points
}

TEST_F(CourseWriter, TheSchemaCheckRejectsWhatDevicesRefuse) {
    TRAKOR_XMLLINT_OR_SKIP();
    // The check the other tests rely on: a 16-character name and a repeated name both fail it.
    setStore(line(2, 100.5, 1700000000, 10));
    for (const char* second : {"Sixteen chars ok", "Same"}) {
        std::string doc = courseDocumentHead();
        writeCourse(ctx, doc, "Same");
        writeCourse(ctx, doc, second);
        writeFile(ctx.paths.workTcx, doc + courseDocumentTail());
        EXPECT_NE(schemaErrors(ctx.paths.workTcx), "") << second;
    }
}

TEST_F(CourseWriter, ManyCoursesWithLongNamesStayValid) {
    TRAKOR_XMLLINT_OR_SKIP();
    std::vector<GdbTrack> tracks(1100, track("Twenty-eight characters long", line(2)));
    tracks[1050].trkName = "Caf\xE9 \x01 tab\tend";
    writeWorkGdb(tracks);
    ASSERT_EQ(writeCourses(ctx, nullptr, 1700000000), 0);
    EXPECT_EQ(ctx.run.trackCounter, 1100);
    const std::string tcx = readFile(ctx.paths.workTcx);
    EXPECT_EQ(schemaErrors(ctx.paths.workTcx), "");
    EXPECT_EQ(countOf(tcx, "<Name>Twenty-eigh 999</Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<Name>Twenty-eig 1000</Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<Name>Twenty-eig 1100</Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<Name>Caf\xC3\xA9   tab end</Name>"), 1);
}

// The distances that making the times or marking the turns measured give the very course the
// writer's own give, also where turn warnings put points in between.
TEST_F(CourseWriter, DistancesKeptFromPreparingGiveTheSameCourse) {
    for (const bool turns : {true, false}) {
        ctx.settings.CoursePoints = turns ? 1 : 0;
        ctx.settings.TurnWarnings = 5;
        std::vector<Pt> zigzag;
        for (int i = 0; i < 400; ++i)  // legs of about 50 m, turning 60 degrees and more; times only with turns
            zigzag.push_back({47 + i * 25 * kDegPerMetre, 8 + (i % 2) * (45 + i % 7) * kDegPerMetre / 0.68,
                              turns ? 1700000000 + 10 * i : 0, 400.25, i % 3 != 0});
        setStore(zigzag);
        std::vector<double> legs;
        EXPECT_EQ(prepareCourse(ctx, 1700000000, &legs) > 100, turns);
        EXPECT_EQ(ctx.store.count > 400, turns);  // warnings were put in
        ASSERT_EQ(legs.size(), static_cast<size_t>(ctx.store.count) - 1);
        std::string kept, measured;
        writeCourse(ctx, kept, "Zigzag", {}, &legs);
        writeCourse(ctx, measured, "Zigzag");
        EXPECT_EQ(kept, measured) << turns;
    }
}

// The verdict reached while writing, piece by piece, is the one the written file gets when read.
TEST_F(CourseWriter, CheckWhileWritingIsTheVerdictOfTheFile) {
    std::vector<GdbTrack> tracks(3, track("Loop", line(700)));
    writeWorkGdb(tracks);
    XmlCheck check;
    check.ok = false;
    ASSERT_EQ(writeCourses(ctx, nullptr, 1700000000, &check), 0);
    const std::string tcx = readFile(ctx.paths.workTcx);
    ASSERT_GT(tcx.size(), size_t{1} << 17);  // more than one piece went to the file
    const XmlCheck read = checkXmlFile(ctx.paths.workTcx);
    EXPECT_TRUE(read.ok) << read.reason;
    EXPECT_EQ(check.ok, read.ok);
    EXPECT_EQ(check.line, read.line);
}

TEST_F(CourseWriter, EachCourseAlsoGoesToTheDeviceFolder) {
    TRAKOR_XMLLINT_OR_SKIP();
    const std::string folder = dir.file("GARMIN/Garmin/Courses/");
    fs::create_directories(folder);
    writeWorkGdb({track("Lake loop", line(3)), track("../escape", line(3)), track("Lake loop", line(2))});
    UnitCourses unit{{dir.file("GARMIN"), "Garmin/Courses"}, "ride", {}, 0, false};
    ASSERT_EQ(writeCourses(ctx, &unit, 1700000000), 0);
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"ride-.._escape.tcx", "ride-Lake loop 3.tcx", "ride-Lake loop.tcx"}));
    EXPECT_EQ(unit.written.size(), 3u);
    EXPECT_FALSE(fs::exists(dir.file("GARMIN/Garmin/escape.tcx")));
    const std::string main = readFile(ctx.paths.workTcx);
    for (const std::string& f : files) {
        EXPECT_EQ(schemaErrors(folder + f), "") << f;
        std::string one = readFile(folder + f);
        EXPECT_EQ(countOf(one, "<Course>"), 1) << f;
        // The same course as in the main file.
        size_t from = one.find("    <Course>"), to = one.find("  </Courses>");
        ASSERT_NE(from, std::string::npos);
        EXPECT_NE(main.find(one.substr(from, to - from)), std::string::npos) << f;
    }
    EXPECT_TRUE(notes.entries.empty());
    // A unit that went away: told once with the reason, and no success for the driver to report.
    UnitCourses gone{{dir.file("GONE"), "Garmin/Courses"}, "ride", {}, 0, false};
    EXPECT_EQ(writeCourses(ctx, &gone, 1700000000), 1);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"Klaar"}));
    EXPECT_EQ(notes.entries[0].text, "write error\n" + dir.file("GONE/Garmin/Courses/ride-Lake loop.tcx") + "\n" +
                                         dir.file("GONE/Garmin/Courses") + ": No such file or directory");
    EXPECT_EQ(countOf(readFile(ctx.paths.workTcx), "<Course>"), 3);
}

TEST_F(CourseWriter, TranslatedCoursePointNamesStayValid) {
    TRAKOR_XMLLINT_OR_SKIP();
    struct Texts : TextLookup {
        std::string lookup(std::string_view key, size_t) const override {
            return key == "$MSG49" ? "        <Name>Links & ab</Name>\n" : key == "$MSG50" ? "Nach rechts abbiegen" : "";
        }
    } texts;
    ctx.texts = &texts;
    ctx.settings.Language = 1;
    ctx.settings.CoursePoints = 1;
    const double d = 100 * kDegPerMetre;
    writeWorkGdb({track("Turns", {{50, 6}, {50 + d, 6}, {50 + d, 6 + 1.5 * d}, {50 + 2 * d, 6 + 1.5 * d},
                                  {50 + 2 * d, 6 + 3 * d}})});
    ASSERT_EQ(writeCourses(ctx, nullptr, 1700000000), 0);
    const std::string tcx = readFile(ctx.paths.workTcx);
    EXPECT_EQ(schemaErrors(ctx.paths.workTcx), "");
    EXPECT_EQ(countOf(tcx, "<Name>Links &amp; ab</Name>"), 1);
    EXPECT_EQ(countOf(tcx, "<Name>Nach recht</Name>"), 2);
}

TEST_F(CourseWriter, NothingToWriteIsReported) {
    // Only copies kept by Save Track and a track too short: no course.
    writeWorkGdb({track("!copy", line(3)), track("Short", {})});
    EXPECT_EQ(writeCourses(ctx, nullptr, 1700000000), 1);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG35", "$MSG51"}));
    EXPECT_EQ(notes.entries[1].text, "No tracks available for conversion.\nConversion failed.");
    EXPECT_EQ(readFile(ctx.paths.workTcx), courseDocumentHead() + courseDocumentTail());
    // A work file that is no GDB file gives no document at all, not a tail without its head.
    notes.entries.clear();
    writeFile(ctx.paths.workGdb, "MsRcf\0garbage");
    EXPECT_EQ(writeCourses(ctx, nullptr, 1700000000), 1);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG51"}));
    EXPECT_EQ(readFile(ctx.paths.workTcx), "");
    notes.entries.clear();
    fs::remove(ctx.paths.workGdb);
    EXPECT_EQ(writeCourses(ctx, nullptr, 1700000000), 1);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG51"}));
}

TEST_F(CourseWriter, DamagedRecordsEndTheWalkSafely) {
    writeWorkGdb({track("First", line(3)), track("Second", line(4))});
    std::string bytes = readFile(ctx.paths.workGdb);
    // Cut anywhere, or with a byte changed: never more courses than tracks, and a result that
    // says whether there are any.
    for (size_t cut = 0; cut < bytes.size(); cut += 3) {
        std::string damaged = bytes;
        damaged[cut] = static_cast<char>(damaged[cut] ^ 0x5A);
        for (const std::string& image : {bytes.substr(0, cut), damaged}) {
            writeFile(ctx.paths.workGdb, image);
            notes.entries.clear();
            int rc = writeCourses(ctx, nullptr, 1700000000);
            EXPECT_EQ(rc, ctx.run.trackCounter > 0 ? 0 : 1) << cut;
            EXPECT_LE(ctx.run.trackCounter, 2) << cut;
        }
    }
    // Cut inside the second track: the first course is still written.
    writeFile(ctx.paths.workGdb, bytes.substr(0, bytes.size() - 30));
    EXPECT_EQ(writeCourses(ctx, nullptr, 1700000000), 0);
    EXPECT_GE(ctx.run.trackCounter, 1);
    // A record length past the end of the file.
    std::string bad = bytes.substr(0, kNewHeaderLength) + std::string("\xff\xff\xff\x7fW", 5) + "xyz";
    writeFile(ctx.paths.workGdb, bad);
    EXPECT_EQ(writeCourses(ctx, nullptr, 1700000000), 1);
}

TEST_F(CourseWriter, RealMapSourceFilesGiveValidCourses) {
    TRAKOR_XMLLINT_OR_SKIP();
    for (const char* name : {"gdb-sample.gdb", "gdb-sample-v3.gdb"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        ctx.paths.workGdb = path;
        notes.entries.clear();
        ctx.run.trackFailures = 0;
        ctx.settings.CoursePoints = 1;
        ctx.settings.TurnWarnings = 5;
        ASSERT_EQ(writeCourses(ctx, nullptr, 1700000000), 0) << name;
        EXPECT_EQ(schemaErrors(ctx.paths.workTcx), "") << name;
        const std::string tcx = readFile(ctx.paths.workTcx);
        EXPECT_EQ(countOf(tcx, "<Course>"), ctx.run.trackCounter) << name;
        if (!haveProgram("gpsbabel")) continue;
        // gpsbabel finds the same number of tracks in the input and of courses in our file.
        std::string gpx, back;
        ASSERT_EQ(runCommand("gpsbabel -t -i gdb -f '" + path + "' -o gpx -F - 2>/dev/null", &gpx), 0);
        ASSERT_EQ(runCommand("gpsbabel -t -i gtrnctr -f '" + ctx.paths.workTcx + "' -o gpx -F - 2>/dev/null", &back),
                  0);
        EXPECT_EQ(countOf(back, "<trk>"), ctx.run.trackCounter) << name;
        EXPECT_EQ(countOf(gpx, "<trk>"), ctx.run.trackCounter + ctx.run.trackFailures) << name;
        EXPECT_EQ(countOf(back, "<trkpt "), countOf(tcx, "<Trackpoint>")) << name;
    }
}

}  // namespace
}  // namespace trakor::test
