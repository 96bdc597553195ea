// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/records.h"
#include "import/reader.h"
#include "import/tests/reader_capture.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

using test::ReaderRun;

const std::string kTrip =
    "512345|5212345|Home|4|\r\n"
    "-75000|4500000|Stop A|0|\r\n"
    "600000|5300000|Work|2|\r\n";

TEST(ItnReader, LinesGivePointsWithNamesInThePool) {
    ReaderRun r("trip");
    r.job.option = 22;
    r.ctx.run.trackCounter = 2;
    EXPECT_EQ(r.read(readItn, kTrip), kReadDone);
    ASSERT_EQ(r.tracks.size(), 1u);
    const auto& t = r.tracks[0];
    EXPECT_EQ(t.name, "trip-3");
    EXPECT_EQ(t.lat, (std::vector<int32_t>{degreesToSemicircles(52.12345), degreesToSemicircles(45.0),
                                           degreesToSemicircles(53.0)}));
    EXPECT_EQ(t.lon, (std::vector<int32_t>{degreesToSemicircles(5.12345), degreesToSemicircles(-0.75),
                                           degreesToSemicircles(6.0)}));
    // Negative 1-based offsets of the names, one after the other with their zero bytes.
    EXPECT_EQ(t.via, (std::vector<int32_t>{-1, -6, -13}));
    EXPECT_EQ(r.poolNames[0], (std::vector<std::string>{"Home", "Stop A", "Work"}));
    EXPECT_EQ(t.altValid, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(r.ctx.run.displayColor, 0);
    EXPECT_TRUE(r.ctx.run.namePool.empty());  // released after the track
}

TEST(ItnReader, WaypointOptionsWriteTheNamesAsWaypoints) {
    for (int option : {0, 24}) {
        ReaderRun r("trip");
        r.job.option = option;
        r.ctx.settings.WaypointSymbol = 150;
        r.read(readItn, kTrip);
        ASSERT_EQ(r.tracks.size(), 1u);
        EXPECT_EQ(r.tracks[0].via, (std::vector<int32_t>{0, 0, 0}));
        EXPECT_EQ(r.tracks[0].name, "trip-1");
        // One user waypoint per line, under its own name, written before the track.
        const std::vector<uint8_t>& out = r.out.bytes();
        size_t pos = 0;
        RecordView rec;
        std::vector<std::string> names;
        while (nextRecord(out.data(), out.size(), pos, rec)) {
            ASSERT_EQ(rec.type, 'W');
            GdbWaypoint w;
            ASSERT_EQ(parseWaypoint(rec.data, rec.length, 'm', w), kRecordOk);
            names.push_back(w.wptName);
            EXPECT_EQ(w.classByte(), 0);
            EXPECT_EQ(w.wptMarker(), kMarkerNormal);
            EXPECT_EQ(w.wptSymbol & 0xFFFF, 150);
            EXPECT_EQ(w.wptLat, r.tracks[0].lat[names.size() - 1]);
            EXPECT_EQ(w.wptLon, r.tracks[0].lon[names.size() - 1]);
        }
        EXPECT_EQ(names, (std::vector<std::string>{"Home", "Stop A", "Work"}));
        EXPECT_EQ(r.ctx.run.waypointCount, 0);
    }
}

TEST(ItnReader, LineEndsMalformedLinesAndPlacesOffTheEarth) {
    struct Case {
        const char* text;
        size_t points;
        int leftOut;  // counted in the track's note
    } cases[] = {
        // LF-only line ends (a file saved on Linux), also mixed with CR LF, read on.
        {"512345|5212345|Home|4|\n-75000|4500000|Stop A|0|\n600000|5300000|Work|2|\n", 3, 0},
        {"512345|5212345|Home|4|\n600000|5300000|Work|2|\r\n-75000|4500000|Stop A|0|", 3, 0},
        {"512345|5212345|Home|4|\r600000|5300000|Work|2|\r\n", 1, 0},  // a lone CR is no line end
        {"512345|5212345|Home|4|\n\n600000|5300000|Work|2|\n", 1, 0},   // an empty line ends it
        {"512345|5212345|Home|42|\n600000|5300000|Work|2|\n", 1, 0},     // two type characters
        {"512345|5212345|Home|4|", 1, 0},                              // no line end at the data's end
        {"512345|5212345|Home|4|\r\n600000|5300", 1, 0},               // data end inside a field
        {"512345|5212345\r\n600000|5300000|Work|2|\r\n", 0, 0},        // line without a name field
        {"512345|5212345|Home|4|\r\n;comment\r\n600000|5300000|Work|2|\r\n", 1, 0},
        // Records off the earth or without a number are left out, and the reading goes on.
        {"512345|5212345|Home|4|\r\n1e300|5300000|Far|2|\r\n600000|5300000|Work|2|\r\n", 2, 1},
        {"512345|9500000|Pole|4|\r\n512345|5212345|Home|4|\r\n600000|abc|X|2|\r\n600000|5300000|Work|2|\r\n", 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        test::RecordingNotifier notes;
        ReaderRun r;
        r.ctx.notifier = &notes;
        r.job.option = 22;
        EXPECT_EQ(r.read(readItn, std::string(c.text)), kReadDone);
        EXPECT_EQ(r.ctx.run.trackCounter, 1);
        // A track of fewer than two points stops at the back end's check; the store still holds it.
        size_t got = r.tracks.empty() ? static_cast<size_t>(r.ctx.store.count) : r.tracks[0].lat.size();
        EXPECT_EQ(got, c.points);
        std::string note;
        for (const auto& entry : notes.entries)
            if (entry.text.find("impossible coordinates") != std::string::npos) note += entry.text;
        EXPECT_EQ(note, c.leftOut == 0   ? ""
                        : c.leftOut == 1 ? "1 point with impossible coordinates was left out of base-1"
                                         : std::to_string(c.leftOut) + " points with impossible coordinates were left out of base-1");
    }
}

TEST(ItnReader, LongFieldsAreTruncated) {
    const std::string longName(400, 'n');
    const std::string longLon = std::string(125, '0') + "512345";  // truncated to 127 characters
    ReaderRun r;
    r.job.option = 21;
    r.read(readItn, longLon + "|5212345|" + longName + "|4|\r\n600000|5300000|Work|2|\r\n");
    ASSERT_EQ(r.tracks.size(), 1u);
    EXPECT_EQ(r.poolNames[0][0], std::string(255, 'n'));
    EXPECT_EQ(r.poolNames[0][1], "Work");
    EXPECT_EQ(r.tracks[0].via[1], -257);
    EXPECT_EQ(r.tracks[0].lon[0], degreesToSemicircles(51 / 100000.0));
}

}  // namespace
}  // namespace trakor

namespace trakor {
namespace {

TEST(ItnReader, DamagedFilesReadWithoutFault) {
    std::string text;
    for (int i = 0; i < 40; ++i) text += kTrip;
    for (int option : {0, 22}) {
        for (const auto& damaged : test::damagedCopies(std::vector<uint8_t>(text.begin(), text.end()), 150)) {
            ReaderRun r;
            r.job.option = option;
            EXPECT_EQ(r.read(readItn, damaged), kReadDone);
            EXPECT_TRUE(r.ctx.run.namePool.empty());
        }
    }
}

}  // namespace
}  // namespace trakor
