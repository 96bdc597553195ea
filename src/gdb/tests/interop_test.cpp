// SPDX-License-Identifier: GPL-3.0-or-later
// Files assembled with the program's writers are read by gpsbabel, an independent reader.
#include <gtest/gtest.h>

#include "core/context.h"
#include "gdb/records.h"
#include "testsupport/gdb_image.h"
#include "testsupport/gpx_oracle.h"

namespace trakor {
namespace {

using Bytes = std::vector<uint8_t>;

struct Named {
    std::string name;
    int32_t lat, lon;
    Altitude alt;
};

const int32_t kDeg = kSemicirclesPerDegree;

// Waypoints, a route over them with two-point legs and boxes, and a track, in one version.
Bytes assemble(char version, const std::vector<Named>& wpts, const GdbTrack& track) {
    MemoryStream out;
    writeNewHeader(out, 1796651109);
    out.bytes()[kVersionOffset] = static_cast<uint8_t>(version);
    for (size_t i = 0; i < wpts.size(); ++i) {
        GdbWaypoint w;
        w.wptName = wpts[i].name;
        w.wptLat = wpts[i].lat;
        w.wptLon = wpts[i].lon;
        w.wptAltitude = wpts[i].alt;
        w.wptSymbol = 18;
        if (i == 1) w.setClassAndMarker(8, kMarkerVia);
        writeWaypointRecord(out, w, version);
    }
    GdbRoute r;
    r.rteName = "Loop";
    r.rteColour = 6;
    std::vector<GdbLinkPoint> all;
    for (size_t i = 0; i < wpts.size(); ++i) {
        GdbRoutePoint p;
        p.rptName = wpts[i].name;
        if (i == 1) p.setClassAndMarker(8, kMarkerVia);
        all.push_back({wpts[i].lat, wpts[i].lon, wpts[i].alt});
        if (i + 1 < wpts.size()) {
            p.links = {{wpts[i].lat, wpts[i].lon, wpts[i].alt}, {wpts[i + 1].lat, wpts[i + 1].lon, wpts[i + 1].alt}};
            p.hasBox = true;
            p.box = test::boxOver(p.links);
        }
        r.points.push_back(p);
    }
    r.box = test::boxOver(all);
    writeRouteRecord(out, r, version);
    writeTrackRecord(out, track, version);
    writeEndRecord(out);
    return out.bytes();
}

TEST(Interop, GpsbabelReadsWhatTheWritersMake) {
    if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    const std::vector<Named> wpts = {
        {"Start", 50 * kDeg + 12345, 11 * kDeg + 678, {true, 250.5}},
        {":2", -33 * kDeg - 4444, -70 * kDeg - 5555, {}},
        {"Far East", degreesToSemicircles(-12.25), degreesToSemicircles(179.5), {true, -3.0}},
        {"End", degreesToSemicircles(-12.5), degreesToSemicircles(-179.5), {}},
    };
    GdbTrack track;
    track.trkName = "Morning ride";
    track.trkColour = 3;
    for (int i = 0; i < 50; ++i) {
        GdbTrackPoint p;
        p.tptLat = 51 * kDeg + i * 1000;
        p.tptLon = -(2 * kDeg) + i * 777;
        if (i % 3 != 0) p.alt = {true, 100.0 + i * 0.5};
        if (i % 4 != 1) p.tptTime = 1700000000 + i * 7;
        track.points.push_back(p);
    }

    test::TempDir dir;
    for (char version : {'m', 'l'}) {
        SCOPED_TRACE(version);
        Bytes ours = assemble(version, wpts, track);
        EXPECT_EQ(std::string(ours.begin() + kNewHeaderLength - 8, ours.begin() + kNewHeaderLength - 1), "Trakor3");
        const std::string path = dir.file(std::string("interop-") + version + ".gdb");
        Bytes copy = test::withCreator(ours, "MapSource");
        test::writeFile(path, std::string(copy.begin(), copy.end()));

        test::GpxData gpx;
        std::string error;
        ASSERT_TRUE(test::gpsbabelRead(path, gpx, &error)) << error;

        ASSERT_EQ(gpx.waypoints.size(), wpts.size());
        for (size_t i = 0; i < wpts.size(); ++i) {
            EXPECT_EQ(gpx.waypoints[i].name, wpts[i].name);
            EXPECT_NEAR(test::gpxSemicircles(gpx.waypoints[i].lat), wpts[i].lat, 1);
            EXPECT_NEAR(test::gpxSemicircles(gpx.waypoints[i].lon), wpts[i].lon, 1);
            EXPECT_EQ(gpx.waypoints[i].ele.has_value(), wpts[i].alt.valid) << wpts[i].name;
            if (wpts[i].alt.valid && gpx.waypoints[i].ele) {
                EXPECT_NEAR(*gpx.waypoints[i].ele, wpts[i].alt.metres, 0.001);
            }
        }

        ASSERT_EQ(gpx.routes.size(), 1u);
        EXPECT_EQ(gpx.routes[0].name, "Loop");
        ASSERT_EQ(gpx.routes[0].points.size(), wpts.size());
        for (size_t i = 0; i < wpts.size(); ++i) {
            EXPECT_EQ(gpx.routes[0].points[i].name, wpts[i].name);
            EXPECT_NEAR(test::gpxSemicircles(gpx.routes[0].points[i].lat), wpts[i].lat, 1);
            EXPECT_NEAR(test::gpxSemicircles(gpx.routes[0].points[i].lon), wpts[i].lon, 1);
        }

        ASSERT_EQ(gpx.tracks.size(), 1u);
        EXPECT_EQ(gpx.tracks[0].name, "Morning ride");
        ASSERT_EQ(gpx.tracks[0].points.size(), track.points.size());
        for (size_t i = 0; i < track.points.size(); ++i) {
            const GdbTrackPoint& p = track.points[i];
            const test::GpxPoint& g = gpx.tracks[0].points[i];
            EXPECT_NEAR(test::gpxSemicircles(g.lat), p.tptLat, 1) << i;
            EXPECT_NEAR(test::gpxSemicircles(g.lon), p.tptLon, 1) << i;
            EXPECT_EQ(g.time.has_value(), p.tptTime != 0) << i;
            if (g.time) {
                EXPECT_EQ(*g.time, p.tptTime) << i;
            }
            EXPECT_EQ(g.ele.has_value(), p.alt.valid) << i;
            if (g.ele) {
                EXPECT_NEAR(*g.ele, p.alt.metres, 0.001) << i;
            }
        }
    }
}

}  // namespace
}  // namespace trakor
