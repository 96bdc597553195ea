// SPDX-License-Identifier: GPL-3.0-or-later
// The GPX writer on GDB images made with our own record writers.
#include <random>

#include "export/gpx_writer.h"
#include "testsupport/gpx_check.h"
#include "gdb/records.h"
#include "gdb/waypoint_details.h"

namespace trakor::test {
namespace {

constexpr double kDeg = 2147483648.0 / 180.0;  // Garmin semicircles per degree

int32_t semi(double degrees) { return static_cast<int32_t>(std::llround(degrees * kDeg)); }

GdbWaypoint waypoint(const std::string& name, int32_t lat, int32_t lon, uint8_t cls, uint8_t marker) {
    GdbWaypoint w;
    w.wptName = name;
    w.wptLat = lat;
    w.wptLon = lon;
    w.setClassAndMarker(cls, marker);
    w.wptSymbol = 18;
    return w;
}

GdbRoutePoint routePoint(const std::string& name, uint8_t marker, size_t links) {
    GdbRoutePoint p;
    p.rptName = name;
    p.setClassAndMarker(kClassRoutePoint, marker);
    p.links.resize(links);
    return p;
}

GdbTrack track(const std::string& name, int n, int32_t t0) {
    GdbTrack t;
    t.trkName = name;
    t.trkColour = 14;
    for (int i = 0; i < n; ++i) t.points.push_back({semi(40 + i * 0.001), semi(-4.25), {true, 10.5 + i}, t0 ? t0 + i : 0});
    return t;
}

std::vector<uint8_t> image(MemoryStream& out, char version) {
    writeEndRecord(out);
    std::vector<uint8_t> bytes(out.data(), out.data() + out.size());
    bytes[kVersionOffset] = static_cast<uint8_t>(version);
    return bytes;
}

// A waypoint named with markup and a Windows-1252 byte (with a MapSource time in version 2), a
// route of a via point, a hidden shaping point and a visible route point, a track split in two
// parts and one without times.
std::vector<uint8_t> sampleImage(char version) {
    MemoryStream out;
    writeNewHeader(out, 0);
    GdbWaypoint home = waypoint("Caf\xe9 <A&B>", semi(52.5), semi(13.25), 0, kMarkerNormal);
    home.wptAltitude = {true, 34.5};
    home.wptComment = "\"quoted\"\x01";
    home.wptSymbol = 64;  // Flag
    // Version 2 details: lead byte, 5 route bytes, description, link, category, one byte, the time.
    if (version == kGdbVersion2)
        home.trailing = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xC9, 0x4F, 0x6E, 0x42};
    // Version 3 details MapSource keeps, and the fields of Garmin's waypoint extension.
    if (version == kGdbVersion3) {
        WaypointDetails d;
        d.address = "Hauptstr. 1";
        d.description = "Turn left";
        d.links = {"http://example.com/?a=1&b=2"};
        d.category = 0x0005;
        d.phoneTexts = {"+49 30 1234", ""};
        d.postalCode = "10115";
        MemoryStream details;
        writeWaypointDetails(details, d, version);
        home.trailing.assign(details.data(), details.data() + details.size());
        home.hasProximity = true;
        home.wptProximity = 25.5;
        home.hasDepth = true;
        home.wptDepth = 3;
        home.wptDisplay = 2;
        home.wptCity = "Berlin";
    }
    writeWaypointRecord(out, home, version);
    writeWaypointRecord(out, waypoint("S1", semi(52.6), semi(13.3), kClassRoutePoint, kMarkerInvisible), version);
    writeWaypointRecord(out, waypoint("V2", semi(52.7), semi(13.4), kClassRoutePoint, kMarkerVia), version);
    GdbRoute r;
    r.rteName = "Ride";
    r.rteColour = 10;  // Red; version 2 has no route colours
    r.points = {routePoint(home.wptName, kMarkerNormal, 3), routePoint("S1", kMarkerInvisible, 2),
                routePoint("V2", kMarkerVia, 0)};
    writeRouteRecord(out, r, version);
    writeTrackRecord(out, track("Tour#1", 3, 1243850400), version);
    writeTrackRecord(out, track("Tour#2", 2, 1243850402), version);
    writeTrackRecord(out, track("Walk", 2, 0), version);
    return image(out, version);
}

std::string gpxOf(const std::vector<uint8_t>& gdb, const GpxWriteOptions& options = {}) {
    MemoryStream out;
    EXPECT_EQ(writeGpx(gdb.data(), gdb.size(), out, options), kGpxWritten);
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(out.size()));
}

TEST(GpxWriter, RecordsBecomeWaypointsRoutesAndTracks) {
    struct Case {
        char version;
        bool trackPerPart;
        std::vector<std::string> trackNames;
        std::vector<int> segments;
    };
    for (const Case& c : {Case{kGdbVersion3, false, {"Tour", "Walk"}, {2, 1}},
                          Case{kGdbVersion2, true, {"Tour#1", "Tour#2", "Walk"}, {1, 1, 1}}}) {
        SCOPED_TRACE(c.version);
        const std::string gpx = gpxOf(sampleImage(c.version), GpxWriteOptions{c.trackPerPart});
        expectSchemaValid(gpx);
        const GpxFile f = parseGpx(gpx);
        ASSERT_EQ(f.waypoints.size(), 3u);
        EXPECT_EQ(f.waypoints[0].name, "Caf\xc3\xa9 <A&B>");
        EXPECT_NE(gpx.find("<cmt>&quot;quoted&quot;</cmt>"), std::string::npos);
        EXPECT_EQ(f.waypoints[0].sym, "Flag");
        EXPECT_EQ(f.waypoints[0].ele, 34.5);
        EXPECT_EQ(f.waypoints[0].time, c.version == kGdbVersion2 ? std::optional<int64_t>(1114525641) : std::nullopt);
        EXPECT_EQ(f.waypoints[1].sym, "Waypoint");
        EXPECT_EQ(f.routeKinds, std::vector<std::string>{"VSV"});
        EXPECT_EQ(f.routeLinks, (std::vector<std::vector<size_t>>{{3, 2, 0}}));
        EXPECT_EQ(gpx.find("<gpxx:DisplayColor>Red</gpxx:DisplayColor>") != std::string::npos,
                  c.version == kGdbVersion3);
        EXPECT_NE(gpx.find("<gpxx:DisplayColor>Magenta</gpxx:DisplayColor></gpxx:TrackExtension>"), std::string::npos);
        EXPECT_EQ(f.trackNames, c.trackNames);
        EXPECT_EQ(f.segments, c.segments);
        EXPECT_NE(gpx.find("<ele>11.5</ele><time>2009-06-01T10:00:01Z</time>"), std::string::npos);
        if (c.version == kGdbVersion3) {
            EXPECT_NE(gpx.find("<cmt>&quot;quoted&quot;</cmt><desc>Turn left</desc>"
                               "<link href=\"http://example.com/?a=1&amp;b=2\"/><sym>Flag</sym><extensions>"
                               "<gpxx:WaypointExtension><gpxx:Proximity>25.5</gpxx:Proximity><gpxx:Depth>3</gpxx:Depth>"
                               "<gpxx:DisplayMode>SymbolAndDescription</gpxx:DisplayMode><gpxx:Categories>"
                               "<gpxx:Category>Category 1</gpxx:Category><gpxx:Category>Category 3</gpxx:Category>"
                               "</gpxx:Categories><gpxx:Address><gpxx:StreetAddress>Hauptstr. 1</gpxx:StreetAddress>"
                               "<gpxx:City>Berlin</gpxx:City><gpxx:PostalCode>10115</gpxx:PostalCode></gpxx:Address>"
                               "<gpxx:PhoneNumber>+49 30 1234</gpxx:PhoneNumber></gpxx:WaypointExtension></extensions>"),
                      std::string::npos)
                << gpx;
        }
    }
}

// Coordinates are the Garmin degrees to nine decimals, for any semicircle value.
TEST(GpxWriter, CoordinatesAreTheGarminDegreesToNineDecimals) {
    std::mt19937 rng(5);
    std::vector<int32_t> values = {0, 1, -1, 536870, -536871, INT32_MAX, INT32_MIN + 1, 1073741824, -1073741824};
    for (int i = 0; i < 300; ++i) values.push_back(static_cast<int32_t>(rng()));
    MemoryStream out;
    writeNewHeader(out, 0);
    for (size_t i = 0; i + 1 < values.size(); ++i)
        writeWaypointRecord(out, waypoint("P", values[i] / 2, values[i + 1], 0, kMarkerNormal), kGdbVersion3);
    const std::string gpx = gpxOf(image(out, kGdbVersion3));
    const GpxFile f = parseGpx(gpx);
    ASSERT_EQ(f.waypoints.size(), values.size() - 1);
    for (size_t i = 0; i < f.waypoints.size(); ++i) {
        EXPECT_NEAR(f.waypoints[i].lat, (values[i] / 2) / kDeg, 5.001e-10) << values[i];
        EXPECT_NEAR(f.waypoints[i].lon, values[i + 1] / kDeg, 5.001e-10) << values[i + 1];
    }
    EXPECT_NE(gpx.find("<wpt lat=\"0.000000000\" lon=\"0.000000084\">"), std::string::npos);
}

// A damaged record beyond the pole has no place in a GPX file: left out and counted.
TEST(GpxWriter, PositionsOffTheEarthAreLeftOutAndCounted) {
    MemoryStream out;
    writeNewHeader(out, 0);
    writeWaypointRecord(out, waypoint("North", semi(100), semi(13.25), 0, kMarkerNormal), kGdbVersion3);
    writeWaypointRecord(out, waypoint("Pole", semi(90), semi(13.25), 0, kMarkerNormal), kGdbVersion3);
    GdbRoute r;
    r.rteName = "Ride";
    r.points = {routePoint("Pole", kMarkerVia, 2), routePoint("Lost", kMarkerVia, 1)};
    r.points[0].links[1].lat = semi(-100);
    r.points[1].links[0].lat = semi(100);
    writeRouteRecord(out, r, kGdbVersion3);
    GdbTrack t = track("Walk", 3, 0);
    t.points[1].tptLat = semi(100);
    writeTrackRecord(out, t, kGdbVersion3);
    GpxLeftOut leftOut;
    GpxWriteOptions options;
    options.leftOut = &leftOut;
    const std::string gpx = gpxOf(image(out, kGdbVersion3), options);
    expectSchemaValid(gpx);
    const GpxFile f = parseGpx(gpx);
    ASSERT_EQ(f.waypoints.size(), 1u);
    EXPECT_EQ(f.waypoints[0].name, "Pole");
    EXPECT_EQ(f.routeLinks, (std::vector<std::vector<size_t>>{{1}}));
    EXPECT_EQ(gpx.find("lat=\"100"), std::string::npos);
    EXPECT_EQ(gpx.find("lat=\"-100"), std::string::npos);
    EXPECT_EQ(leftOut.waypoints, 1);
    EXPECT_EQ(leftOut.points, 3);  // the track point, the link and the route point without a waypoint
}

TEST(GpxWriter, RefusesWhatIsNoGdbImageAndKeepsTheWholeRecordsOfACutOne) {
    MemoryStream out;
    std::vector<uint8_t> gdb = sampleImage(kGdbVersion3);
    EXPECT_EQ(writeGpx(gdb.data(), kVersionOffset, out), kGpxNotGdb);
    gdb[kVersionOffset] = 'x';
    EXPECT_EQ(writeGpx(gdb.data(), gdb.size(), out), kGpxNotGdb);
    EXPECT_EQ(out.size(), 0);
    gdb = sampleImage(kGdbVersion3);
    for (size_t n = kNewHeaderLength; n < gdb.size(); n += 7) gpxOf({gdb.begin(), gdb.begin() + static_cast<long>(n)});
}

}  // namespace
}  // namespace trakor::test
