// The GPX writer on GDB images made with our own record writers: what each record becomes, the
// schema, and our GPX reader reading the result back.
#include <random>
#include <regex>

#include "export/gpx_writer.h"
#include "export/tests/gpx_check.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "import/reader.h"
#include "import/tests/reader_capture.h"

namespace trakor::test {
namespace {

constexpr double kDeg = 2147483648.0 / 180.0;  // Garmin semicircles per degree

int32_t semi(double degrees) { return static_cast<int32_t>(std::llround(degrees * kDeg)); }

GdbWaypoint waypoint(const std::string& name, double lat, double lon, uint8_t cls, uint8_t marker) {
    GdbWaypoint w;
    w.wptName = name;
    w.wptLat = semi(lat);
    w.wptLon = semi(lon);
    w.setClassAndMarker(cls, marker);
    w.wptSymbol = 18;
    return w;
}

GdbRoutePoint routePoint(const std::string& name, uint8_t cls, uint8_t marker, std::vector<std::pair<double, double>> links) {
    GdbRoutePoint p;
    p.rptName = name;
    p.setClassAndMarker(cls, marker);
    for (auto [lat, lon] : links) p.links.push_back({semi(lat), semi(lon), {}});
    return p;
}

GdbTrack track(const std::string& name, int n, double lat0, int32_t t0) {
    GdbTrack t;
    t.trkName = name;
    t.trkColour = 14;
    for (int i = 0; i < n; ++i) {
        GdbTrackPoint p;
        p.tptLat = semi(lat0 + i * 0.001);
        p.tptLon = semi(-4.25 - i * 0.001);
        p.alt = {true, 10.5 + i};
        p.tptTime = t0 == 0 ? 0 : t0 + i;
        t.points.push_back(p);
    }
    return t;
}

// Waypoints (one named with markup characters and a Windows-1252 byte, one with a MapSource time),
// a route with a via point, a hidden shaping point and a visible route point, a track split in two
// parts and one track on its own.
std::vector<uint8_t> sampleImage(char version) {
    MemoryStream out;
    writeNewHeader(out, 0);
    GdbWaypoint home = waypoint("Caf\xe9 <A&B>", 52.5, 13.25, 0, kMarkerNormal);
    home.wptAltitude = {true, 34.5};
    home.wptComment = "\"quoted\"\x01";
    home.wptSymbol = 64;  // Flag
    if (version == kGdbVersion2) home.trailing = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xC9, 0x4F, 0x6E, 0x42};
    writeWaypointRecord(out, home, version);
    writeWaypointRecord(out, waypoint("S1", 52.6, 13.3, kClassRoutePoint, kMarkerInvisible), version);
    writeWaypointRecord(out, waypoint("V2", 52.7, 13.4, kClassRoutePoint, kMarkerVia), version);
    GdbRoute r;
    r.rteName = "Ride";
    r.rteColour = 10;  // Red; version 2 has no route colours
    r.points = {routePoint(home.wptName, 0, kMarkerNormal, {{52.5, 13.25}, {52.55, 13.27}, {52.6, 13.3}}),
                routePoint("S1", kClassRoutePoint, kMarkerInvisible, {{52.6, 13.3}, {52.7, 13.4}}),
                routePoint("V2", kClassRoutePoint, kMarkerVia, {})};
    writeRouteRecord(out, r, version);
    writeTrackRecord(out, track("Tour#1", 3, 40.0, 1243850400), version);
    writeTrackRecord(out, track("Tour#2", 2, 40.002, 1243850402), version);
    writeTrackRecord(out, track("Walk", 2, -33.5, 0), version);
    writeEndRecord(out);
    std::vector<uint8_t> image(out.data(), out.data() + out.size());
    image[kVersionOffset] = static_cast<uint8_t>(version);
    return image;
}

std::string gpxOf(const std::vector<uint8_t>& image, const GpxWriteOptions& options = {}) {
    MemoryStream out;
    EXPECT_EQ(writeGpx(image.data(), image.size(), out, options), kGpxWritten);
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
        GpxWriteOptions options;
        options.trackPerPart = c.trackPerPart;
        const std::string gpx = gpxOf(sampleImage(c.version), options);
        expectSchemaValid(gpx);

        const GpxFile f = parseGpx(gpx);
        ASSERT_EQ(f.waypoints.size(), 3u);
        EXPECT_EQ(f.waypoints[0].name, "Caf\xc3\xa9 <A&B>");
        EXPECT_EQ(f.waypoints[0].cmt, "\"quoted\"");
        EXPECT_EQ(f.waypoints[0].sym, "Flag");
        EXPECT_EQ(f.waypoints[0].ele, "34.5");
        EXPECT_EQ(f.waypoints[0].time, c.version == kGdbVersion2 ? "2005-04-26T14:27:21Z" : "");
        EXPECT_EQ(f.waypoints[1].sym, "Waypoint");
        EXPECT_NEAR(f.waypoints[2].lat, semi(52.7) / kDeg, 1e-9);

        ASSERT_EQ(f.routes.size(), 1u);
        EXPECT_EQ(f.routes[0].name, "Ride");
        EXPECT_EQ(f.routes[0].kinds, "VSV");
        EXPECT_EQ(f.routes[0].links, (std::vector<size_t>{3, 2, 0}));
        EXPECT_EQ(gpx.find("<gpxx:DisplayColor>Red</gpxx:DisplayColor>") != std::string::npos, c.version == kGdbVersion3);
        EXPECT_NE(gpx.find("<gpxx:DisplayColor>Magenta</gpxx:DisplayColor></gpxx:TrackExtension>"), std::string::npos);

        EXPECT_EQ(f.trackNames, c.trackNames);
        EXPECT_EQ(f.segments, c.segments);
        EXPECT_EQ(f.trackTimes.front(), "2009-06-01T10:00:00Z");
        EXPECT_EQ(f.trackTimes.size(), 5u);  // the track without times has none
    }
}

// Our GPX reader finds the points of each route and track, at the same places to 1e-6 degree.
TEST(GpxWriter, OurReaderReadsTheResultBack) {
    const std::string gpx = gpxOf(sampleImage(kGdbVersion3));
    ReaderRun r;
    r.ctx.run.importQuestion = 1;  // routes are read as tracks
    EXPECT_EQ(r.read(readGpx, gpx), kReadDone);
    ASSERT_EQ(r.waypoints.size(), 3u);
    EXPECT_EQ(r.waypoints[0].symbol, 64);
    ASSERT_EQ(r.tracks.size(), 3u);
    const std::vector<std::vector<std::pair<double, double>>> expected = {
        {{52.5, 13.25}, {52.55, 13.27}, {52.6, 13.3}, {52.7, 13.4}},
        {{40.0, -4.25}, {40.001, -4.251}, {40.002, -4.252}, {40.002, -4.25}, {40.003, -4.251}},
        {{-33.5, -4.25}, {-33.499, -4.251}}};
    for (size_t k = 0; k < expected.size(); ++k) {
        const EmittedTrack& t = r.tracks[k];
        std::vector<std::pair<double, double>> want;
        for (const auto& p : expected[k])
            if (want.empty() || want.back() != p) want.push_back(p);  // equal neighbours merge
        ASSERT_EQ(t.lat.size(), want.size()) << k;
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(t.lat[i] / 11930464.0, semi(want[i].first) / kDeg, 1e-6) << k << "/" << i;
            EXPECT_NEAR(t.lon[i] / 11930464.0, semi(want[i].second) / kDeg, 1e-6) << k << "/" << i;
        }
    }
    EXPECT_EQ(r.tracks[1].time[0], 1243850400);
    EXPECT_EQ(r.tracks[1].alt[1], 11.5);
    EXPECT_EQ(r.tracks[2].time[0], 0);
}

// Coordinates are written to nine decimals of the Garmin degrees, for any semicircle value.
TEST(GpxWriter, CoordinatesAreTheGarminDegreesToNineDecimals) {
    std::mt19937 rng(5);
    std::vector<int32_t> values = {0, 1, -1, 536870, -536871, INT32_MAX, INT32_MIN + 1, 1073741824, -1073741824};
    for (int i = 0; i < 300; ++i) values.push_back(static_cast<int32_t>(rng()));
    MemoryStream out;
    writeNewHeader(out, 0);
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        GdbWaypoint w = waypoint("P" + std::to_string(i), 0, 0, 0, kMarkerNormal);
        w.wptLat = values[i] / 2;  // inside +-90 degrees
        w.wptLon = values[i + 1];
        writeWaypointRecord(out, w, kGdbVersion3);
    }
    writeEndRecord(out);
    const std::vector<uint8_t> image(out.data(), out.data() + out.size());
    const GpxFile f = parseGpx(gpxOf(image));
    ASSERT_EQ(f.waypoints.size(), values.size() - 1);
    for (size_t i = 0; i < f.waypoints.size(); ++i) {
        EXPECT_NEAR(f.waypoints[i].lat, (values[i] / 2) / kDeg, 5.001e-10) << values[i];
        EXPECT_NEAR(f.waypoints[i].lon, values[i + 1] / kDeg, 5.001e-10) << values[i + 1];
    }
    EXPECT_NE(gpxOf(image).find("<wpt lat=\"0.000000000\" lon=\"0.000000084\">"), std::string::npos);
}

TEST(GpxWriter, RefusesWhatIsNoGdbImage) {
    MemoryStream out;
    std::vector<uint8_t> image = sampleImage(kGdbVersion3);
    EXPECT_EQ(writeGpx(image.data(), kVersionOffset, out), kGpxNotGdb);
    image[kVersionOffset] = 'x';
    EXPECT_EQ(writeGpx(image.data(), image.size(), out), kGpxNotGdb);
    const std::string text = "<gpx></gpx>";
    EXPECT_EQ(writeGpx(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out), kGpxNotGdb);
    EXPECT_EQ(out.size(), 0);
    // A cut image gives the records that are whole.
    image = sampleImage(kGdbVersion3);
    for (size_t n = kNewHeaderLength; n < image.size(); n += 7) {
        MemoryStream cut;
        EXPECT_EQ(writeGpx(image.data(), n, cut), kGpxWritten) << n;
    }
}

}  // namespace
}  // namespace trakor::test
