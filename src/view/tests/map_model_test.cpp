// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing model: GDB records of every version, other inputs through the importers, and the
// before/after counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "course/fit_course_writer.h"
#include "testsupport/gdb_image.h"
#include "testsupport/testsupport.h"
#include "view/map_model.h"

using namespace trakor;
using namespace trakor::view;

namespace {
constexpr int32_t kDeg = 11930464;

GdbLinkPoint at(int32_t lat, int32_t lon) {
    GdbLinkPoint l;
    l.lat = lat;
    l.lon = lon;
    return l;
}

GdbRoutePoint routePoint(const std::string& name, uint8_t marker, std::vector<GdbLinkPoint> links) {
    GdbRoutePoint p;
    p.rptName = name;
    p.setClassAndMarker(marker == kMarkerNormal ? 0 : kClassRoutePoint, marker);
    p.links = std::move(links);
    return p;
}
}  // namespace

// One route over a user waypoint, a visible and an invisible via point, a coloured track and
// a lone waypoint, in each version the program reads (0x84 through the down-converter).
TEST(MapModel, RecordsOfEveryVersion) {
    for (uint8_t version : {uint8_t('k'), uint8_t('l'), uint8_t('m'), uint8_t(0x84)}) {
        SCOPED_TRACE(version);
        test::GdbImage img(version);
        img.waypoint("Start", 0, kMarkerNormal, 10 * kDeg, 20 * kDeg)
            .waypoint("V1", kClassRoutePoint, kMarkerVia, 11 * kDeg, 21 * kDeg)
            .waypoint("H1", kClassRoutePoint, kMarkerInvisible, 12 * kDeg, 22 * kDeg)
            .waypoint("Lone", 0, kMarkerNormal, -5 * kDeg, -6 * kDeg);
        GdbRoute r;
        r.rteName = "Tour";
        r.rteColour = 5;
        r.points = {routePoint("Start", kMarkerNormal, {at(10 * kDeg, 20 * kDeg), at(10 * kDeg + 7, 20 * kDeg + 7), at(11 * kDeg, 21 * kDeg)}),
                    routePoint("V1", kMarkerVia, {at(11 * kDeg, 21 * kDeg), at(12 * kDeg, 22 * kDeg)}),
                    routePoint("H1", kMarkerInvisible2, {})};
        GdbTrack t;
        t.trkName = "Ride";
        t.trkColour = 10;
        for (int i = 0; i < 5; ++i) {
            GdbTrackPoint p;
            p.tptLat = i * kDeg / 10;
            p.tptLon = -i * kDeg / 10;
            t.points.push_back(p);
        }
        img.route(r).track(t).end();

        MapModel m;
        ASSERT_EQ(readGdbModel(img.bytes().data(), img.bytes().size(), m), kModelRead);
        ASSERT_EQ(m.items.size(), 2u);
        const MapItem& route = m.items[0];
        EXPECT_EQ(route.kind, ItemKind::Route);
        EXPECT_EQ(route.name, "Tour");
        EXPECT_EQ(route.colour, version == 'k' || version == 'l' ? 0 : 5);
        ASSERT_EQ(route.marks.size(), 3u);
        EXPECT_TRUE(route.marks[0].visible);
        EXPECT_TRUE(route.marks[1].visible);
        EXPECT_FALSE(route.marks[2].visible);  // marker 33 reads like 31
        EXPECT_EQ(route.marks[2].pos, (GeoPoint{12 * kDeg, 22 * kDeg}));
        // The line follows the link points, joining shared ends once.
        EXPECT_EQ(route.line.size(), 4u);
        EXPECT_EQ(route.pointCount(), 3u);
        const MapItem& track = m.items[1];
        EXPECT_EQ(track.kind, ItemKind::Track);
        EXPECT_EQ(track.colour, 10);
        EXPECT_EQ(track.line.size(), 5u);
        // Via points are not listed as waypoints.
        ASSERT_EQ(m.waypoints.size(), 2u);
        EXPECT_EQ(m.waypoints[0].name, "Start");
        EXPECT_EQ(m.waypoints[1].name, "Lone");
    }
    const uint8_t junk[] = {'M', 's', 'R', 'c', 'f', 0, 2, 0, 0, 0, 'D', 'n', 0};
    MapModel m;
    EXPECT_EQ(readGdbModel(junk, sizeof junk, m), kModelUnreadable);
}

// The GDB file and the GPX file MapSource made of the same data: every track the GPX importer
// reads (named "<name>-<n>", duplicates and one-point tracks dropped) lies on the GDB track of
// that name as the record readers read it.
TEST(MapModel, CorpusGdbAndItsGpxAgree) {
    TRAKOR_CORPUS_OR_SKIP(gdb, "gdb-sample.gdb");
    TRAKOR_CORPUS_OR_SKIP(gpx, "gdb-sample.gpx");
    Context ctx;
    MapModel a, b;
    std::string error;
    ASSERT_EQ(loadMapModel(ctx, gdb, a, &error), kModelRead) << error;
    ASSERT_EQ(loadMapModel(ctx, gpx, b, &error), kModelRead) << error;
    ASSERT_TRUE(a.hasPoints());
    EXPECT_EQ(a.waypoints.size(), b.waypoints.size());
    int matched = 0;
    for (const MapItem& imported : b.items) {
        const MapItem* source = nullptr;
        for (const MapItem& i : a.items)
            if (i.kind == ItemKind::Track && imported.name.rfind(i.name + "-", 0) == 0) source = &i;
        if (source == nullptr) continue;
        ++matched;
        EXPECT_LE(imported.line.size(), source->line.size());
        for (const GeoPoint& p : imported.line) {
            bool near = std::any_of(source->line.begin(), source->line.end(), [&p](const GeoPoint& q) {
                return std::abs(p.lat - q.lat) < 200 && std::abs(p.lon - q.lon) < 200;
            });
            EXPECT_TRUE(near) << imported.name;
        }
    }
    EXPECT_GE(matched, 5);
}

TEST(MapModel, UnreadableInputsSayWhy) {
    test::TempDir dir;
    Context ctx;
    MapModel m;
    std::string error;
    EXPECT_EQ(loadMapModel(ctx, dir.file("missing.gdb"), m, &error), kModelUnreadable);
    EXPECT_NE(error.find("cannot read"), std::string::npos);
    EXPECT_EQ(loadMapModel(ctx, dir.file("notes.txt"), m, &error), kModelUnreadable);
    test::writeFile(dir.file("empty.gpx"), "<gpx></gpx>");
    EXPECT_EQ(loadMapModel(ctx, dir.file("empty.gpx"), m, &error), kModelRead);
    EXPECT_FALSE(m.hasPoints());
}

TEST(MapModel, BeforeAndAfterCounts) {
    EXPECT_EQ(sourceNameOf("Track 1#03"), "Track 1");
    EXPECT_EQ(sourceNameOf("#Track 1"), "Track 1");
    EXPECT_EQ(sourceNameOf("!*Walk"), "Walk");
    EXPECT_EQ(sourceNameOf("Route #12a"), "Route #12a");
    EXPECT_EQ(groupedNumber(24817), "24 817");
    EXPECT_EQ(groupedNumber(1234567), "1 234 567");
    EXPECT_EQ(groupedNumber(500), "500");

    MapModel before, after;
    auto item = [](const std::string& name, size_t n, ItemKind kind = ItemKind::Track) {
        MapItem i;
        i.name = name;
        i.kind = kind;
        if (kind == ItemKind::Track)
            i.line.resize(n);
        else
            i.marks.resize(n);
        return i;
    };
    before.items = {item("Track 1", 24817), item("Walk", 300), item("Lost", 10)};
    after.items = {item("!Track 1", 24817), item("Track 1#1", 200), item("Track 1#2", 200), item("Track 1#3", 100),
                   item("Walk-2", 40, ItemKind::Route)};
    // A split TCX run read back: course names numbered once more, a long name shortened.
    before.items.push_back(item("A-ride-1", 1270));
    before.items.push_back(item("Riverside evening tour-2", 90));
    before.items.push_back(item("Track-1", 839));
    before.items.back().filePoints = 1866;
    before.removalDistance = 30;
    for (const char* name : {"A-ride-1#1-4", "A-ride-1#2-5", "A-ride-1#3-6", "Riverside eve 1-7", "Track-1-8"})
        after.items.push_back(item(name, 100));
    auto cmp = compareModels(before, after);
    ASSERT_EQ(cmp.size(), 6u);
    EXPECT_EQ(comparisonLine(cmp[0]), "Track 1: 24 817 \u2192 500 points, 3 parts");
    EXPECT_EQ(comparisonLine(cmp[1]), "Walk: 300 \u2192 40 points");
    EXPECT_EQ(comparisonLine(cmp[2]), "Lost: 10 \u2192 not in the result");
    EXPECT_EQ(comparisonLine(cmp[3]), "A-ride-1: 1 270 \u2192 300 points, 3 parts");
    EXPECT_EQ(comparisonLine(cmp[4]), "Riverside evening tour-2: 90 \u2192 100 points");
    EXPECT_EQ(comparisonLine(cmp[5]), "Track-1: 1 866 points, 1 027 closer than 3 m dropped, 839 \u2192 100 points");
}

// A FIT course of ours read back is named after its course, and so found beside its track.
TEST(MapModel, FitCourseReadBackIsFoundByItsCourseName) {
    test::TempDir dir;
    Context ctx;
    ctx.settings.RemovalDistance = 0;
    ctx.settings.RemovalGlitches = 0;
    for (int i = 0; i < 50; ++i) ctx.store.addPoint(ctx.run, (50 * 1000 + i) * (kDeg / 1000), 6 * kDeg, 0, 0, 0, 0);
    test::writeFile(dir.file("C-ui-dg100-1.fit"), encodeFitCourse(ctx, "Lake loop", nullptr, 1700000000));
    MapModel before, after;
    MapItem track;
    track.name = "Lake loop";
    track.kind = ItemKind::Track;
    track.line.resize(50);
    before.items = {track};
    ASSERT_EQ(loadMapModel(ctx, dir.file("C-ui-dg100-1.fit"), after), kModelRead);
    ASSERT_EQ(after.items.size(), 1u);
    EXPECT_EQ(after.items[0].name, "Lake loop-1");
    EXPECT_EQ(comparisonLine(compareModels(before, after)[0]), "Lake loop: 50 \u2192 50 points");
}

// The before counts of an input read through its importer give the file's own points too.
TEST(MapModel, FilePointsCountWhatTheNearPointStepDropped) {
    test::TempDir dir;
    std::string gpx = "<gpx><trk><name>T</name><trkseg>";
    // Ten points 0.11 m apart (1e-6 degrees of latitude), then ten 111 m apart.
    for (int i = 0; i < 20; ++i)
        gpx += "<trkpt lat=\"" + std::to_string(50.0 + (i < 10 ? i * 1e-6 : i * 1e-3)) + "\" lon=\"10\"/>";
    test::writeFile(dir.file("near.gpx"), gpx + "</trkseg></trk></gpx>");
    for (int32_t removal : {0, 30}) {
        Context ctx;
        ctx.settings.RemovalDistance = removal;
        ctx.settings.RemovalGlitches = 0;
        MapModel m;
        ASSERT_EQ(loadMapModel(ctx, dir.file("near.gpx"), m), kModelRead);
        addFilePoints(ctx, dir.file("near.gpx"), m);
        ASSERT_EQ(m.items.size(), 1u);
        const auto cmp = compareModels(m, m);
        if (removal == 0) {
            EXPECT_EQ(m.items[0].filePoints, 0u);
            EXPECT_EQ(comparisonLine(cmp[0]), "T-1: 20 \u2192 20 points");
        } else {
            EXPECT_EQ(m.items[0].filePoints, 20u);
            EXPECT_EQ(comparisonLine(cmp[0]), "T-1: 20 points, 9 closer than 3 m dropped, 11 \u2192 11 points");
        }
    }
}
