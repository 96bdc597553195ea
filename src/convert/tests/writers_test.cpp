// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>

#include "convert/route_writer.h"
#include "convert/track_writer.h"
#include "convert/tests/convert_fixture.h"

namespace trakor {
namespace {

using test::deg;

struct WriterTest : ::testing::Test {
    Context ctx;
    MemoryStream out;

    void SetUp() override {
        ctx.run.outputVersion = 'm';
        ctx.run.nextWaypointNumber = 1;
        ctx.settings.Prefix = ':';
        writeNewHeader(out, 0);
    }
    // Points 0..n-1 along a meridian; odd points without altitude, even points with time.
    void fill(int n) {
        ctx.store.clear();
        for (int i = 0; i < n; ++i)
            ctx.store.addPoint(ctx.run, deg(50.0 + i * 0.01), deg(8.0), 100.0 + i, i % 2 == 0, 0,
                               i % 2 == 0 ? 1000 + i : 0);
    }
    std::vector<test::OutRecord> written() {
        writeEndRecord(out);
        return test::readRecords(out.bytes(), ctx.run.outputVersion);
    }
};

TEST_F(WriterTest, TrackPartsShareTheirBoundaryPoint) {
    fill(9);
    // Parts begin at 0, 3 and 6.
    for (int i : {3, 6}) ctx.store.partMark[i] = 0;
    ctx.run.displayColor = 14;
    writeTrackPart(ctx, out, "Tour#2", 2);
    writeTrackPart(ctx, out, "Tour#3", 3);
    auto recs = written();
    ASSERT_EQ(test::outline(recs), "T:Tour#2 T:Tour#3 V:");
    const GdbTrack& t2 = recs[0].trk;
    ASSERT_EQ(t2.points.size(), 4u);  // points 3..6, the last being the first of part 3
    EXPECT_EQ(t2.points[0].tptLat, ctx.store.lat[3]);
    EXPECT_EQ(t2.points[3].tptLat, ctx.store.lat[6]);
    EXPECT_EQ(recs[1].trk.points.size(), 3u);  // 6..8
    EXPECT_EQ(t2.trkColour, 14);
    EXPECT_EQ(t2.trkDisplay, 1);
    // Point 3 has neither altitude nor time; point 4 has both.
    EXPECT_FALSE(t2.points[0].alt.valid);
    EXPECT_EQ(t2.points[0].tptTime, 0);
    EXPECT_TRUE(t2.points[1].alt.valid);
    EXPECT_DOUBLE_EQ(t2.points[1].alt.metres, 104.0);
    EXPECT_EQ(t2.points[1].tptTime, 1004);
}

TEST_F(WriterTest, TrackRecordBytesByVersion) {
    fill(2);
    ctx.store.time[0] = 0;
    ctx.store.altValid[0] = 0;
    ctx.store.altValid[1] = 1;
    ctx.store.time[1] = 1001;
    for (char version : {'l', 'm'}) {
        ctx.run.outputVersion = version;
        MemoryStream rec;
        writeTrackPart(ctx, rec, "T", 1);
        const auto& b = rec.bytes();
        // name 2, display 1, colour 4, count 4; point 0: 8 + flags 1+1+1+1; point 1: 8 + 9 + 5 + 1 + 1.
        const size_t points = 12 + 24;
        const size_t trailer = version == 'm' ? 4 : 1;
        ASSERT_EQ(b.size(), 5 + 11 + points + trailer) << version;
        int32_t len = b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24;
        EXPECT_EQ(static_cast<size_t>(len), b.size() - 5);
        for (size_t i = b.size() - trailer; i < b.size(); ++i) EXPECT_EQ(b[i], 0) << version;
        // Point 0: no altitude, no time, no depth, no temperature.
        EXPECT_EQ(std::vector<uint8_t>(b.begin() + 16 + 8, b.begin() + 16 + 12), std::vector<uint8_t>(4, 0));
    }
}

TEST_F(WriterTest, RouteWithWaypointsOption21) {
    fill(3);
    ctx.run.displayColor = 5;
    writeRoutePart(ctx, out, 1, "Hike", 21);
    auto recs = written();
    ASSERT_EQ(test::outline(recs), "W::1 W::2 W::3 R:Hike V:");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(recs[i].wpt.classByte(), 0);
        EXPECT_EQ(recs[i].wpt.wptMarker(), kMarkerNormal);
        EXPECT_EQ(recs[i].wpt.wptSymbol, 18);
        EXPECT_EQ(recs[i].wpt.wptLat, ctx.store.lat[i]);
    }
    const GdbRoute& r = recs[3].rte;
    ASSERT_EQ(r.points.size(), 3u);
    EXPECT_EQ(r.points[0].rptName, ":1");
    EXPECT_EQ(r.points[2].rptName, ":3");
    EXPECT_EQ(r.points[0].links.size(), 2u);
    EXPECT_EQ(r.points[1].links.size(), 2u);
    EXPECT_EQ(r.points[2].links.size(), 0u);
    EXPECT_FALSE(r.points[2].hasBox);
    // A leg holds its route point and the next one, and its box covers both.
    EXPECT_EQ(r.points[0].links[1].lat, ctx.store.lat[1]);
    EXPECT_EQ(r.points[0].box.maxLat, ctx.store.lat[1]);
    EXPECT_EQ(r.points[0].box.minLat, ctx.store.lat[0]);
    EXPECT_EQ(r.box.maxLat, ctx.store.lat[2]);
    EXPECT_EQ(r.colourIndex(), 5);
    for (const auto& p : r.points) {
        EXPECT_EQ(p.classByte(), 0);
        EXPECT_EQ(p.marker(), kMarkerNormal);
    }
    // Every route point ends in eight 0xFF and two zero bytes; the record in 00 00 00 00
    // (no link texts), the colour, then five zero bytes.
    const std::vector<uint8_t>& d = recs[3].data;
    const std::vector<uint8_t> tail = {0, 0, 0, 0, 5, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(d.end() - 10, d.end()), tail);
    const std::vector<uint8_t> pointEnd = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(d.end() - 20, d.end() - 10), pointEnd);
}

TEST_F(WriterTest, VisibleAndInvisibleViaPointsOptions22And23) {
    fill(4);
    writeRoutePart(ctx, out, 1, "V", 22);
    writeRoutePart(ctx, out, 1, "#I", 23);
    auto recs = written();
    ASSERT_EQ(test::outline(recs), "W::1 W::2 W::3 W::4 R:V W::1 W::2 W::3 W::4 R:#I V:");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(recs[i].wpt.classByte(), 8);
        EXPECT_EQ(recs[i].wpt.wptMarker(), 15);
        EXPECT_EQ(recs[4].rte.points[i].classByte(), 8);
        EXPECT_EQ(recs[4].rte.points[i].marker(), 15);
    }
    const uint8_t inner[] = {15, 31, 31, 15};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(recs[5 + i].wpt.classByte(), 8);
        EXPECT_EQ(recs[5 + i].wpt.wptMarker(), inner[i]) << i;
        EXPECT_EQ(recs[9].rte.points[i].classByte(), 8);
        EXPECT_EQ(recs[9].rte.points[i].marker(), inner[i]) << i;
    }
}

TEST_F(WriterTest, SplitRouteWritesTheBoundaryWaypointOnce) {
    fill(5);
    ctx.store.partMark[2] = 0;
    writeRoutePart(ctx, out, 1, "R#1", 21);
    writeRoutePart(ctx, out, 2, "R#2", 21);
    auto recs = written();
    ASSERT_EQ(test::outline(recs), "W::1 W::2 W::3 R:R#1 W::4 W::5 R:R#2 V:");
    EXPECT_EQ(recs[3].rte.points.back().rptName, ":3");
    EXPECT_EQ(recs[6].rte.points.front().rptName, ":3");
}

TEST_F(WriterTest, DirectRouteFromIndexedWaypoints) {
    ctx.waypointIndex.add(0, 0, "Home");   // row 1: a user waypoint
    ctx.waypointIndex.add(0, 10, "Shop");  // row 2: a route point's waypoint
    fill(4);
    ctx.store.via[0] = 1;
    ctx.store.via[2] = -2;
    ctx.store.via[3] = -2;  // the same waypoint again: written once
    ctx.run.autoName = 1;
    writeRoutePart(ctx, out, 1, "D", 13);
    auto recs = written();
    ASSERT_EQ(test::outline(recs), "W::2 W:Shop R:D V:");
    EXPECT_EQ(recs[0].wpt.classByte(), 8);
    EXPECT_EQ(recs[0].wpt.wptMarker(), 15);
    EXPECT_EQ(recs[1].wpt.classByte(), 10);
    EXPECT_EQ(recs[1].wpt.wptMarker(), 15);
    EXPECT_EQ(ctx.waypointIndex.row(2).inOutput, 1);
    const GdbRoute& r = recs[2].rte;
    EXPECT_EQ(r.rteAutoName, 1);
    ASSERT_EQ(r.points.size(), 4u);
    EXPECT_EQ(r.points[0].rptName, "Home");
    EXPECT_EQ(r.points[0].classByte(), 0);
    EXPECT_EQ(r.points[0].marker(), kMarkerNormal);
    EXPECT_EQ(r.points[1].rptName, ":2");
    EXPECT_EQ(r.points[1].classByte(), 8);
    EXPECT_EQ(r.points[2].rptName, "Shop");
    EXPECT_EQ(r.points[2].classByte(), 10);
    EXPECT_EQ(r.points[2].marker(), 15);

    // A waypoint already in the output (kept input waypoints) is not written again.
    MemoryStream again;
    writeRoutePart(ctx, again, 1, "D", 14);
    auto more = test::readRecords([&] {
        MemoryStream img;
        writeNewHeader(img, 0);
        img.write(again.bytes().data(), again.bytes().size());
        return img.bytes();
    }(), 'm');
    EXPECT_EQ(test::outline(more), "W::2 R:D");
}

TEST_F(WriterTest, WaypointRecordBytes) {
    fill(1);
    ctx.store.altValid[0] = 0;
    MemoryStream rec;
    writeWaypoint(ctx, rec, "A", 0, 22, 18, 1);
    const auto& b = rec.bytes();
    // length, "W", "A\0", the class block, position, no altitude, the 31-byte tail, nine zeros.
    ASSERT_EQ(b.size(), 5u + 2 + 27 + 8 + 1 + 31 + 9);
    EXPECT_EQ(b[4], 'W');
    const auto block = classBlock(8, 15);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 7, b.begin() + 34), std::vector<uint8_t>(block.begin(), block.end()));
    const auto tail = waypointTail(18);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 43, b.begin() + 74), std::vector<uint8_t>(tail.begin(), tail.end()));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 74, b.end()), std::vector<uint8_t>(9, 0));
}

TEST_F(WriterTest, BoxAcrossTheAntimeridian) {
    ctx.store.clear();
    ctx.store.addPoint(ctx.run, deg(10), deg(179.5), 0, 0, 0, 0);
    ctx.store.addPoint(ctx.run, deg(10), deg(-179.5), 0, 0, 0, 0);
    writeRoutePart(ctx, out, 1, "X", 21);
    auto recs = written();
    ASSERT_EQ(recs.size(), 4u);
    const GdbBox& box = recs[2].rte.box;
    EXPECT_EQ(box.maxLon, deg(-179.5));
    EXPECT_EQ(box.minLon, deg(179.5));
    EXPECT_EQ(box.maxAlt, 0.0);
}

TEST_F(WriterTest, BoxAtTheSmallestLongitude) {
    ctx.store.clear();
    ctx.store.addPoint(ctx.run, 0, INT32_MIN, 0, 0, 0, 0);
    ctx.store.addPoint(ctx.run, 0, 0, 0, 0, 0, 0);
    writeRoutePart(ctx, out, 1, "Edge", 21);
    auto recs = written();
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(recs[2].rte.box.minLon, INT32_MAX);
    EXPECT_EQ(recs[2].rte.box.maxLon, 0);
}

TEST_F(WriterTest, ItnPointsKeepTheirNames) {
    ctx.run.inputType = InputType::Itn;
    const std::string pool = std::string("Start") + '\0' + "Goal" + '\0';
    ctx.run.namePool.assign(pool.begin(), pool.end());
    fill(3);
    ctx.store.via[0] = -1;
    ctx.store.via[2] = -7;
    ctx.store.via[1] = -1000;  // outside the pool: a generated name
    writeRoutePart(ctx, out, 1, "Trip", 22);
    EXPECT_EQ(test::outline(written()), "W:Start W::2 W:Goal R:Trip V:");
}

}  // namespace
}  // namespace trakor
