// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/file_header.h"
#include "testsupport/gdb_image.h"
#include "import/tests/gpsbabel_oracle.h"

namespace trakor::test {
namespace {

class GdbImportReaderTest : public ImportFixture {
protected:
    int readImage(GdbImage& image) {
        const auto& b = image.bytes();
        return readGdbForImport(ctx, job, b.data(), b.size());
    }
    static GdbTrack track(const std::string& name, uint8_t colour, std::vector<std::pair<int32_t, int32_t>> pts) {
        GdbTrack t;
        t.trkName = name;
        t.trkColour = colour;
        for (auto [lat, lon] : pts) {
            GdbTrackPoint p;
            p.tptLat = lat;
            p.tptLon = lon;
            t.points.push_back(p);
        }
        return t;
    }
    static GdbRoute route(const std::string& name, int32_t colour) {
        GdbRoute r;
        r.rteName = name;
        r.rteColour = colour;
        for (int i = 0; i < 3; ++i) {
            GdbRoutePoint p;
            p.rptName = "P" + std::to_string(i);
            if (i < 2) p.links = {{i * 100, i * 100, {true, 5.0 + i}}, {i * 100 + 50, i * 100 + 50, {}}};
            p.hasBox = i < 2;
            r.points.push_back(p);
        }
        r.points[0].fixed19[0] = 1;  // eight more bytes follow the fixed ones
        return r;
    }
};

TEST_F(GdbImportReaderTest, TracksKeepPointsTimesAndColour) {
    GdbImage image('m');
    GdbTrack t = track("Walk", 9, {{10, 20}, {30, 40}, {50, 60}});
    t.points[0].alt = {true, 12.5};
    t.points[0].tptTime = 1243850400;
    t.points[1].hasDepth = true;
    t.points[1].hasTemperature = true;
    image.track(t).track(track("Two", 0, {{1, 1}, {2, 2}})).end();
    EXPECT_EQ(readImage(image), kReadDone);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Walk-1");
    EXPECT_EQ(tracks[0].color, 9);
    ASSERT_EQ(tracks[0].points.size(), 3u);
    EXPECT_EQ(tracks[0].points[0].time, 1243850400);
    EXPECT_EQ(tracks[0].points[0].altValid, 1);
    EXPECT_DOUBLE_EQ(tracks[0].points[0].alt, 12.5);
    EXPECT_EQ(tracks[0].points[2].lat, 50);
    EXPECT_EQ(tracks[0].points[2].lon, 60);
    EXPECT_EQ(tracks[1].name, "Two-2");
}

TEST_F(GdbImportReaderTest, RoutesBecomeTracksOfTheirLinkPoints) {
    for (char version : {'k', 'l', 'm'}) {
        SCOPED_TRACE(version);
        ctx.resetRun();
        tracks.clear();
        notifier.answers = {Answer::Ok};
        GdbImage image(static_cast<uint8_t>(version));
        image.route(route("Way", 5)).route(route("Plain", 0)).end();
        EXPECT_EQ(readImage(image), kReadDone);
        ASSERT_EQ(tracks.size(), 2u);
        EXPECT_EQ(tracks[0].name, "Way-1");
        ASSERT_EQ(tracks[0].points.size(), 4u);
        EXPECT_EQ(tracks[0].points[1].lat, 50);
        EXPECT_EQ(tracks[0].points[2].lat, 100);
        EXPECT_EQ(tracks[0].points[2].altValid, 1);
        EXPECT_DOUBLE_EQ(tracks[0].points[2].alt, 6.0);
        EXPECT_EQ(tracks[0].points[3].altValid, 0);
        // The colour of version 3 routes, 14 otherwise and for colour 0.
        EXPECT_EQ(tracks[0].color, version == 'm' ? 5 : 14);
        EXPECT_EQ(tracks[1].color, 14);
        EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG59"});
        notifier.entries.clear();
    }
}

TEST_F(GdbImportReaderTest, CancelSkipsRoutesOfEveryLaterFile) {
    GdbImage image('m');
    image.route(route("Way", 5)).track(track("T", 0, {{1, 1}, {2, 2}})).end();
    EXPECT_EQ(readImage(image), kReadDone);
    EXPECT_EQ(readImage(image), kReadDone);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "T-1");
    EXPECT_EQ(tracks[1].name, "T-2");
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG59"});
}

TEST_F(GdbImportReaderTest, UserWaypointsAreCopiedUnderNumberedNames) {
    GdbImage image('m');
    GdbWaypoint w;
    w.wptName = "Home";
    w.wptLat = 123;
    w.wptComment = "kept";
    w.wptSymbol = 64;
    image.waypoint(w).waypoint("Via", 8, kMarkerVia).waypoint("Hut", 0, kMarkerNormal, 5, 6).end();
    EXPECT_EQ(readImage(image), kReadNothing);
    EXPECT_EQ(ctx.run.waypointCount, 2);
    // The output holds the two user waypoints, renamed, the rest of each record unchanged.
    const uint8_t* data = out.data();
    size_t size = static_cast<size_t>(out.size()), pos = 0;
    RecordView rec;
    std::vector<GdbWaypoint> copied;
    while (nextRecord(data, size, pos, rec)) {
        ASSERT_EQ(rec.type, 'W');
        copied.emplace_back();
        EXPECT_EQ(parseWaypoint(rec.data, static_cast<size_t>(rec.length), 'm', copied.back()), kRecordOk);
    }
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied[0].wptName, "Home-1");
    EXPECT_EQ(copied[0].wptLat, 123);
    EXPECT_EQ(copied[0].wptComment, "kept");
    EXPECT_EQ(copied[0].wptSymbol, 64);
    EXPECT_EQ(copied[1].wptName, "Hut-2");
    EXPECT_EQ(copied[1].wptLon, 6);
}

TEST_F(GdbImportReaderTest, OtherVersionsAndDamagedFilesAreHandled) {
    GdbImage wrong('n');
    wrong.track(track("T", 0, {{1, 1}, {2, 2}})).end();
    EXPECT_EQ(readImage(wrong), kReadInvalid);
    EXPECT_EQ(readGdbForImport(ctx, job, wrong.bytes().data(), 11), kReadInvalid);

    GdbImage image('m');
    image.track(track("T", 0, {{1, 1}, {2, 2}, {3, 3}})).waypoint("W").route(route("R", 1)).end();
    std::vector<uint8_t> bytes = image.bytes();
    readEveryPrefix(readGdbForImport, std::string(bytes.begin(), bytes.end()));
    // A record length beyond the data ends the walk.
    std::vector<uint8_t> bad = bytes;
    int32_t huge = 0x7FFFFFF0;
    std::memcpy(&bad[static_cast<size_t>(image.headerLength)], &huge, 4);
    EXPECT_EQ(readGdbForImport(ctx, job, bad.data(), bad.size()), kReadNothing);
}

// A file cut anywhere before its end record says what it lacks, also when the cut falls in its
// header or between two records before the first track (a batch logs it as incomplete then).
TEST_F(GdbImportReaderTest, EveryCutIsToldWithWhatTheFileLacks) {
    GdbImage image('m');
    image.waypoint("W").track(track("T", 0, {{1, 1}, {2, 2}, {3, 3}})).end();
    const std::vector<uint8_t>& bytes = image.bytes();
    for (size_t cut = kVersionOffset + 1; cut <= bytes.size(); ++cut) {
        ctx.run.cutNote.clear();
        readGdbForImport(ctx, job, bytes.data(), cut);
        EXPECT_EQ(ctx.run.cutNote.empty(), cut == bytes.size()) << "cut at " << cut << " of " << bytes.size();
    }
}

TEST_F(GdbImportReaderTest, CorpusFilesMatchGpsbabel) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    for (const char* name : {"gdb-sample.gdb", "gdb-sample-v3.gdb"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        SCOPED_TRACE(name);
        tracks.clear();
        ctx.resetRun();
        notifier.answers = {Answer::Ok};
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(readWholeFile(path, bytes));
        EXPECT_EQ(readGdbForImport(ctx, job, bytes.data(), bytes.size()), kReadDone);
        OracleResult babel = gpsbabelLines("gdb", "-r -t", path);
        ASSERT_TRUE(babel.ran);
        std::erase_if(babel.lines, [](const auto& l) { return l.size() < 2; });
        EXPECT_EQ(tracks.size(), babel.lines.size());
        // gpsbabel writes the file's one route first; in the file it comes first as well.
        ASSERT_FALSE(tracks.empty());
        std::vector<CapturedTrack> ourTracks(tracks.begin() + 1, tracks.end());
        std::vector<std::vector<OraclePoint>> theirTracks(babel.lines.begin() + 1, babel.lines.end());
        expectSamePoints(flatten(ourTracks), flatten(theirTracks));
        // gpsbabel lists a route's route points; our track holds the link points of its legs,
        // which begin with the route point of each leg: every route point lies on it, in order.
        EXPECT_EQ(tracks[0].name.rfind("NARVA-Leipzig-", 0), 0u);
        size_t k = 0;
        for (const OraclePoint& p : flatten({tracks[0]})) {
            const auto& route = babel.lines[0];
            if (k < route.size() && std::abs(p.lat - route[k].lat) < 1e-6 && std::abs(p.lon - route[k].lon) < 1e-6) ++k;
        }
        EXPECT_EQ(k, babel.lines[0].size());
    }
}

}  // namespace
}  // namespace trakor::test
