// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/gpx_names.h"
#include "gdb/records.h"
#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

class GpxReaderTest : public ImportFixture {
protected:
    // A body that starts with a blank is a list of waypoints, routes and tracks: it is read inside
    // a GPX root that declares Garmin's extensions.
    int read(ReaderFn reader, const std::string& body) {
        if (!body.starts_with(' ')) return ImportFixture::read(reader, body);
        return ImportFixture::read(reader, "<gpx xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\" "
                                           "xmlns:trp=\"http://www.garmin.com/xmlschemas/TripExtensions/v1\">" + body + "</gpx>");
    }
};

TEST_F(GpxReaderTest, WaypointsTakeSymbolElevationAndNumberedNames) {
    const std::string gpx =
        "<?xml version=\"1.0\"?><gpx>"
        "<wpt lat=\"52.5\" lon=\"-4.25\"><ele>12.5</ele><name>Start</name><sym>Flag</sym></wpt>"
        "<wpt lon=\"5\" lat=\"51\"><name><![CDATA[A]b]]></name><sym>No Such Symbol</sym></wpt>"
        "<wpt lat=\"1\" lon=\"2\"><sym></sym></wpt>"
        "<wpt lat=\"1\" lon=\"2\"><sym>Number 3, Blue</sym></wpt>"
        "<wpt lat=\"1\" lon=\"2\"><sym>Number 4, Red</sym></wpt>"
        "<wpt lat=\"1\" lon=\"2\"><sym>Water Source</sym></wpt>"
        "</gpx>";
    ctx.settings.WaypointSymbol = 18;
    EXPECT_EQ(read(readGpx, gpx), kReadNothing);  // waypoints alone are no track
    ASSERT_EQ(waypoints.size(), 6u);
    EXPECT_EQ(waypoints[0].name, "Start-1");
    EXPECT_EQ(waypoints[0].symbol, 64);
    EXPECT_EQ(waypoints[0].at.lat, semi(52.5));
    EXPECT_EQ(waypoints[0].at.lon, semi(-4.25));
    EXPECT_EQ(waypoints[0].at.altValid, 1);
    EXPECT_DOUBLE_EQ(waypoints[0].at.alt, 12.5);
    // A CDATA section is text like any other; attribute order does not matter.
    EXPECT_EQ(waypoints[1].name, "A]b-2");
    EXPECT_EQ(waypoints[1].symbol, 18);
    EXPECT_EQ(waypoints[1].at.lat, semi(51));
    EXPECT_EQ(waypoints[1].at.altValid, 0);
    // A waypoint without a name takes none from the one before; an empty symbol is the default.
    EXPECT_EQ(waypoints[2].name, "Waypoint-3");
    EXPECT_EQ(waypoints[2].symbol, 18);
    // MapSource's codes of the numbered symbols and of the last one.
    EXPECT_EQ(waypoints[3].symbol, 199);
    EXPECT_EQ(waypoints[4].symbol, 200);
    EXPECT_EQ(waypoints[5].symbol, 248);
    EXPECT_EQ(ctx.run.waypointCount, 6);
}

TEST_F(GpxReaderTest, TracksArePointsWithElevationAndTime) {
    ScopedTimeZone tz("UTC0");
    const std::string gpx =
        " <gpx><trk><name>Ride</name><trkseg>"
        "<trkpt lat=\"10\" lon=\"20\"><ele>100</ele><time>2009-06-01T10:00:00Z</time></trkpt>"
        "<trkpt lat=\"10.5\" lon=\"20.5\"/>"
        "</trkseg><trkseg><trkpt lat=\"11\" lon=\"21\"><time>2009-06-01T10:00:07.5Z</time></trkpt></trkseg></trk>"
        "<trk><trkpt lat=\"1\" lon=\"1\"></trkpt><trkpt lat=\"2\" lon=\"2\"></trkpt></trk></gpx>";
    EXPECT_EQ(read(readGpx, gpx), kReadDone);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Ride-1");
    ASSERT_EQ(tracks[0].points.size(), 3u);  // segments are not distinguished
    EXPECT_EQ(tracks[0].points[0].time, 1243850400);
    EXPECT_EQ(tracks[0].points[0].altValid, 1);
    EXPECT_DOUBLE_EQ(tracks[0].points[0].alt, 100.0);
    EXPECT_EQ(tracks[0].points[1].lat, semi(10.5));
    EXPECT_EQ(tracks[0].points[1].altValid, 0);  // self-closing: no altitude, no time
    EXPECT_EQ(tracks[0].points[1].time, 0);
    EXPECT_EQ(tracks[0].points[2].time, 1243850408);  // 7.5 s rounded
    EXPECT_EQ(tracks[1].name, "Track-2");
}

TEST_F(GpxReaderTest, TimesFollowTheSystemZoneRulesBackToUtc) {
    const std::string gpx =
        " <trk><trkpt lat=\"1\" lon=\"1\"><time>2009-06-01T10:00:00Z</time></trkpt>"
        "<trkpt lat=\"2\" lon=\"2\"><time>2009-13-01T10:00:00Z</time></trkpt></trk>";
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0"}) {
        ScopedTimeZone tz(zone);
        tracks.clear();
        read(readGpx, gpx);
        ASSERT_EQ(tracks.size(), 1u) << zone;
        EXPECT_EQ(tracks[0].points[0].time, 1243850400) << zone;
        EXPECT_EQ(tracks[0].points[1].time, 0) << zone;  // month 13 is no time
    }
}

TEST_F(GpxReaderTest, EachTrackStartsFromTheFilesColour) {
    ctx.run.displayColor = 12;
    const std::string gpx =
        " <trk><extensions><gpxx:DisplayColor>Transparent</gpxx:DisplayColor></extensions>"
        "<trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trk>"
        "<trk><gpxx:DisplayColor>Magenta</gpxx:DisplayColor><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trk>"
        "<trk><gpxx:DisplayColor>magenta</gpxx:DisplayColor><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trk>";
    read(readGpx, gpx);
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].color, 12);
    EXPECT_EQ(tracks[1].color, 14);
    EXPECT_EQ(tracks[2].color, 12);  // names compare case-sensitively
}

TEST_F(GpxReaderTest, RoutesUseTwoNumbersAndCarryTheirShapingPoints) {
    notifier.answers = {Answer::Ok};
    const std::string gpx =
        " <rte><name>Way</name>"
        "<rtept lat=\"1\" lon=\"1\"><ele>5</ele><extensions><gpxx:RoutePointExtension>"
        "<gpxx:rpt lat=\"1.1\" lon=\"1.1\"/><gpxx:rpt lat=\"1.2\" lon=\"1.2\"/>"
        "</gpxx:RoutePointExtension></extensions></rtept>"
        "<rtept lat=\"2\" lon=\"2\"></rtept></rte>"
        "<rte><rtept lat=\"3\" lon=\"3\"/><rtept lat=\"4\" lon=\"4\"/></rte>"
        "<trk><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trk>";
    EXPECT_EQ(read(readGpx, gpx), kReadDone);
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].name, "Way-2");
    ASSERT_EQ(tracks[0].points.size(), 4u);
    EXPECT_EQ(tracks[0].points[0].altValid, 1);
    EXPECT_EQ(tracks[0].points[1].lat, semi(1.1));
    EXPECT_EQ(tracks[0].points[1].altValid, 0);
    EXPECT_EQ(tracks[0].points[3].lat, semi(2));
    EXPECT_EQ(tracks[1].name, "Route-4");
    EXPECT_EQ(tracks[2].name, "Track-5");
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG59"});  // asked once
}

// A planner's route kept as a route: points without Garmin's extensions are via points joined
// by straight legs, a shaping point is hidden, a waypoint met twice is written once, names have
// their entities resolved; nobody is asked.
TEST_F(GpxReaderTest, KeptRouteFromAPlanner) {
    ctx.run.keepGpxRoutes = true;
    const std::string gpx =
        " <rte><name>A &amp; B</name>"
        "<rtept lat=\"50\" lon=\"10\"><name>Home</name><sym>Flag, Green</sym></rtept>"
        "<rtept lat=\"50.5\" lon=\"10.5\"><extensions><trp:ShapingPoint/></extensions></rtept>"
        "<rtept lat=\"50\" lon=\"10\"><name>Home</name></rtept></rte>";
    EXPECT_EQ(read(readGpx, gpx), kReadDone);
    EXPECT_TRUE(tracks.empty());
    EXPECT_TRUE(notifier.keys().empty());
    std::vector<std::string> found;
    size_t pos = 0;
    RecordView rec;
    while (nextRecord(out.data(), static_cast<size_t>(out.size()), pos, rec)) {
        if (rec.type == 'W') {
            GdbWaypoint w;
            ASSERT_EQ(parseWaypoint(rec.data, static_cast<size_t>(rec.length), 'm', w), kRecordOk);
            found.push_back("W " + w.wptName + " " + std::to_string(w.wptSymbol) + " " + std::to_string(w.classByte()));
        } else if (rec.type == 'R') {
            GdbRoute r;
            ASSERT_EQ(parseRoute(rec.data, static_cast<size_t>(rec.length), 'm', r), kRecordOk);
            found.push_back("R " + r.rteName);
            for (const GdbRoutePoint& p : r.points) {
                std::string line = p.rptName + (isInvisibleMarker(p.marker()) ? " S" : " V");
                for (const GdbLinkPoint& l : p.links) line += " " + std::to_string(l.lat);
                found.push_back(line);
            }
        }
    }
    const std::string flag = std::to_string(waypointSymbolCode("Flag, Green")), dflt = std::to_string(18);
    const std::string a = std::to_string(semi(50)), b = std::to_string(semi(50.5));
    EXPECT_EQ(found, (std::vector<std::string>{"W Home " + flag + " 0", "W :1 " + dflt + " 8", "R A & B",
                                               "Home V " + a + " " + b, ":1 S " + b + " " + a, "Home V"}));
}

// A route's point written also as a <wpt> (as GPX files of GDB routes are) is one waypoint: the
// route's. A <wpt> of the same name elsewhere is a waypoint of its own.
TEST_F(GpxReaderTest, KeptRoutePointThatIsAWaypointIsWrittenOnce) {
    ctx.run.keepGpxRoutes = true;
    read(readGpx, " <wpt lat=\"50\" lon=\"10\"><name>3</name></wpt><wpt lat=\"51\" lon=\"10\"><name>3</name></wpt>"
                  "<rte><name>R</name><rtept lat=\"50\" lon=\"10\"><name>3</name></rtept>"
                  "<rtept lat=\"50.5\" lon=\"10\"><name>4</name></rtept></rte>");
    std::vector<std::string> names;
    size_t pos = 0;
    RecordView rec;
    while (nextRecord(out.data(), static_cast<size_t>(out.size()), pos, rec)) {
        GdbWaypoint w;
        if (rec.type == 'W' && parseWaypoint(rec.data, static_cast<size_t>(rec.length), 'm', w) == kRecordOk)
            names.push_back(w.wptName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"3", "4"}));
    ASSERT_EQ(waypoints.size(), 1u);  // the one at 51 degrees
    EXPECT_EQ(waypoints[0].at.lat, semi(51));
}

TEST_F(GpxReaderTest, CancelledQuestionSkipsRoutesForTheWholeAction) {
    const std::string gpx =
        " <rte><rtept lat=\"3\" lon=\"3\"/><rtept lat=\"4\" lon=\"4\"/></rte>"
        "<trk><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trk>";
    EXPECT_EQ(read(readGpx, gpx), kReadDone);
    EXPECT_EQ(read(readGpx, gpx), kReadDone);  // a second file of the same action
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Track-1");
    EXPECT_EQ(tracks[1].name, "Track-2");
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG59"});
    EXPECT_EQ(ctx.run.importQuestion, 2);
}

TEST_F(GpxReaderTest, TagAtTheFirstByteIsRead) {
    EXPECT_EQ(read(readGpx, "<trk><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trk>"), kReadDone);
    EXPECT_EQ(tracks.size(), 1u);
}

TEST_F(GpxReaderTest, ShortTrackIsReportedNotWritten) {
    EXPECT_EQ(read(readGpx, " <trk><name>One</name><trkpt lat=\"1\" lon=\"1\"/></trk>"), kReadDone);
    EXPECT_TRUE(tracks.empty());
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG35"});
    EXPECT_EQ(ctx.run.trackFailures, 1);
}

TEST_F(GpxReaderTest, TruncatedInputEndsCleanly) {
    const std::string gpx =
        " <wpt lat=\"1\" lon=\"2\"><name>W</name></wpt>"
        "<trk><name>Cut</name><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/><trkpt lat=\"3\" lon=\"3\"><ele>4</ele>"
        "<trkpt lat=\"5\" lon=\"5\"></trkpt></trk><wpt lat=\"9\" lon=\"9\"><name>never";
    readEveryPrefix(readGpx, gpx);
    read(readGpx, gpx);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "Cut-1");
    EXPECT_EQ(tracks[0].points.size(), 2u);  // the unclosed point is not taken
    EXPECT_EQ(waypoints.size(), 1u);         // the unfinished waypoint is not written
    EXPECT_NE(ctx.run.cutNote.find("not well formed at line 1, column "), std::string::npos) << ctx.run.cutNote;
}

TEST_F(GpxReaderTest, LongTextsAreCutToTheirBuffers) {
    std::string longName(1000, 'n');
    std::string gpx = " <trk><name>" + longName + "</name><trkpt lat=\"1" + std::string(500, '0') +
                      "\" lon=\"2\"/><trkpt lat=\"3\" lon=\"4\"/><trkpt lat=\"5\" lon=\"6\"/></trk>";
    read(readGpx, gpx);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, std::string(255, 'n'));  // "%s-%u" cut to its 256-byte buffer
    EXPECT_EQ(tracks[0].points.size(), 2u);  // 1e127 degrees is no place
}

TEST_F(GpxReaderTest, PointWithoutACoordinateIsLeftOut) {
    read(readGpx, " <trk><trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"3\"/><trkpt lon=\"9\"/><trkpt lat=\"4\" lon=\"5\"/></trk>");
    ASSERT_EQ(tracks.size(), 1u);
    ASSERT_EQ(tracks[0].points.size(), 2u);
    EXPECT_EQ(tracks[0].points[1].lat, semi(4));
    EXPECT_EQ(notifier.entries.back().text, "2 points with impossible coordinates were left out of Track-1");
}

}  // namespace
}  // namespace trakor::test
