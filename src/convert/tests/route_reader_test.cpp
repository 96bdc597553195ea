// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "convert/geometry.h"
#include "convert/route_reader.h"
#include "convert/tests/convert_fixture.h"

namespace trakor {
namespace {

using test::deg;
using test::RoutePointSpec;

struct RouteReaderTest : ::testing::Test {
    Context ctx;
    test::RecordingNotifier notes;

    void SetUp() override {
        ctx.notifier = &notes;
        ctx.run.outputVersion = 'm';
        ctx.settings.RemovalDistance = 0;
    }
    int read(const GdbRoute& route, int option, char version = 'm') {
        ctx.run.outputVersion = version;
        MemoryStream rec;
        writeRouteRecord(rec, route, version);
        rec.seek(0);
        int32_t length = readInt32(rec);
        readU8(rec);
        readGdbRoute(ctx, rec, length, option);
        return removeGlitchesAndSplitRoute(ctx, option);
    }
    std::vector<int32_t> vias() const { return {ctx.store.via, ctx.store.via + ctx.store.count}; }
};

TEST_F(RouteReaderTest, AllPointsOrRoutePointsOnly) {
    ctx.waypointIndex.add(0, 0, "P");
    ctx.waypointIndex.add(0, 0, "Q");
    ctx.waypointIndex.add(0, 0, "R");
    // Legs of 40 and 60 shape points.
    GdbRoute twoLegs = test::calculatedRoute("PQR", {{"P", 0, 255, 50, 8}, {"Q", 0, 255, 50.5, 8.5}, {"R", 0, 255, 51, 8}}, 40);
    twoLegs.points[1] = test::calculatedRoute("x", {{"Q", 0, 255, 50.5, 8.5}, {"R", 0, 255, 51, 8}}, 60).points[0];

    ASSERT_EQ(read(twoLegs, 14), 0);
    EXPECT_EQ(ctx.store.count, 3);
    EXPECT_EQ(vias(), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(ctx.store.name, "PQR");

    ASSERT_EQ(read(twoLegs, 13), 0);
    ASSERT_EQ(ctx.store.count, 1 + 40 + 1 + 60 + 1);
    EXPECT_EQ(ctx.store.via[0], 1);
    EXPECT_EQ(ctx.store.via[41], 2);
    EXPECT_EQ(ctx.store.via[102], 3);
    EXPECT_EQ(ctx.store.lat[102], deg(51));
    EXPECT_EQ(ctx.store.time[5], 0);
    EXPECT_TRUE(ctx.store.altValid[5]);
    EXPECT_DOUBLE_EQ(ctx.store.alt[5], 105.0);
}

TEST_F(RouteReaderTest, ViaValuesFollowClassMarkerAndPriority) {
    ctx.waypointIndex.add(0, 0, "Home");  // 1
    ctx.waypointIndex.add(0, 8, "V");     // 2: a visible via point's waypoint
    ctx.waypointIndex.add(0, 0, "User");  // 3
    ctx.waypointIndex.add(0, 8, "End");   // 4
    GdbRoute r = test::calculatedRoute("T", {{"Home", 0, 255, 50, 8},
                                             {"Dir", 10, 31, 50.1, 8},  // a direction point
                                             {"V", 8, 15, 50.2, 8},
                                             {"User", 0, 255, 50.3, 8},
                                             {"End", 8, 15, 50.4, 8}});
    ASSERT_EQ(read(r, 14), 0);
    EXPECT_EQ(vias(), (std::vector<int32_t>{1, 0, 0, 3, -4}));
    ctx.settings.WaypointPriority = 1;
    ASSERT_EQ(read(r, 14), 0);
    EXPECT_EQ(vias(), (std::vector<int32_t>{1, 0, -2, 3, -4}));
    EXPECT_TRUE(notes.entries.empty());
}

TEST_F(RouteReaderTest, UnknownViaPointKeepsItsOwnName) {
    ctx.waypointIndex.add(0, 0, "Home");
    // The last point's waypoint is hidden (marker 31), so the index lacks it; an inner user
    // waypoint names no waypoint of the file at all.
    GdbRoute r = test::calculatedRoute("T", {{"Home", 0, 255, 50, 8}, {"Lost", 0, 255, 50.1, 8}, {"Hidden", 10, 31, 50.2, 8}});
    ASSERT_EQ(read(r, 14), 0);
    ASSERT_EQ(ctx.waypointIndex.rows.size(), 3u);
    EXPECT_EQ(vias(), (std::vector<int32_t>{1, -2, -3}));
    EXPECT_EQ(ctx.waypointIndex.row(2).name, "Lost");
    EXPECT_EQ(ctx.waypointIndex.row(2).cls, 8);
    EXPECT_EQ(ctx.waypointIndex.row(3).name, "Hidden");
    EXPECT_EQ(ctx.waypointIndex.row(3).cls, 10);
    // A second route through the same points treats them alike.
    ASSERT_EQ(read(r, 14), 0);
    EXPECT_EQ(vias(), (std::vector<int32_t>{1, -2, -3}));
    EXPECT_EQ(ctx.waypointIndex.rows.size(), 3u);
}

TEST_F(RouteReaderTest, ColourAndTooFewPoints) {
    GdbRoute r = test::calculatedRoute("C", {{"A", 0, 255, 50, 8}, {"B", 0, 255, 51, 8}}, 0, 6);
    ASSERT_EQ(read(r, 11), 0);
    EXPECT_EQ(ctx.run.displayColor, 6);
    r.rteColour = 0;
    ASSERT_EQ(read(r, 11), 0);
    EXPECT_EQ(ctx.run.displayColor, 14);
    r.rteColour = 6;
    ASSERT_EQ(read(r, 11, 'l'), 0);
    EXPECT_EQ(ctx.run.displayColor, 14);

    ctx.run.routeCounter = 4;
    GdbRoute single = test::calculatedRoute("S", {{"A", 0, 255, 50, 8}});
    EXPECT_EQ(read(single, 13), 1);
    EXPECT_EQ(ctx.run.routeFailures, 1);
    ASSERT_EQ(notes.entries.size(), 1u);
    EXPECT_EQ(notes.entries[0].key, "$MSG32");
    EXPECT_EQ(notes.entries[0].text, "Route 4 not converted\nThere are not enough route points");
}

TEST_F(RouteReaderTest, DamagedRecordsGiveADefinedResult) {
    GdbRoute r = test::calculatedRoute("D", {{"A", 0, 255, 50, 8}, {"B", 0, 255, 50.1, 8}, {"C", 0, 255, 50.2, 8}}, 5);
    MemoryStream rec;
    writeRouteRecord(rec, r, 'm');
    std::vector<uint8_t> data(rec.bytes().begin() + 5, rec.bytes().end());
    std::mt19937 rng(7);
    for (size_t cut = 0; cut < data.size(); cut += 3) {
        MemoryStream in(data.data(), cut);
        readGdbRoute(ctx, in, static_cast<int32_t>(data.size()), 13);
        const int result = removeGlitchesAndSplitRoute(ctx, 13);
        EXPECT_TRUE(result == 0 || result == 1);
        EXPECT_EQ(in.tell(), static_cast<int64_t>(cut));
    }
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> bad = data;
        for (int k = 0; k < 4; ++k) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
        MemoryStream in(bad.data(), bad.size());
        readGdbRoute(ctx, in, static_cast<int32_t>(bad.size()), 11);
        const int result = removeGlitchesAndSplitRoute(ctx, 11);
        EXPECT_TRUE(result == 0 || result == 1);
        EXPECT_LE(ctx.store.count, kMaxPoints);
    }
    MemoryStream empty;
    readGdbRoute(ctx, empty, -5, 12);
    EXPECT_EQ(removeGlitchesAndSplitRoute(ctx, 12), 1);
}

// Spreading as described, k raised one step at a time with a full simulation each time.
int referenceSpread(PointStore& s, int maxPoints, int extraKm) {
    double intervals = maxPoints - 1;
    double byDistance = trackLength(s) / (extraKm * 1000.0);
    if (byDistance < intervals) intervals = byDistance;
    int n = static_cast<int>(intervals);
    if (n == 0) n = 1;
    long long k = s.count / n + 1;
    for (;;) {
        long long v = 1, e = 1, run = 0;
        for (int i = 1; i < s.count; ++i) {
            if (s.via[i] != 0) {
                ++v;
                run = 0;
            } else if (++run == k) {
                ++e;
                run = 0;
            }
        }
        if (v >= maxPoints - 1 || v >= s.count - 1) {
            k = LLONG_MAX;
            break;
        }
        if (v + e <= maxPoints - 1) break;
        ++k;
    }
    std::vector<int> kept = {0};
    long long counter = 0;
    for (int i = 1; i < s.count; ++i) {
        if (s.via[i] != 0 || ++counter == k) {
            kept.push_back(i);
            counter = 0;
        }
    }
    if (kept.back() != s.count - 1) kept.push_back(s.count - 1);
    for (size_t j = 0; j < kept.size(); ++j) {
        s.lat[j] = s.lat[kept[j]];
        s.via[j] = s.via[kept[j]];
    }
    s.count = static_cast<int32_t>(kept.size());
    return s.count > maxPoints ? 1 : 0;
}

TEST_F(RouteReaderTest, SpreadKeepsViaPointsAndEvenlySpacedPoints) {
    ctx.settings.MaximumPoints = 50;
    ctx.settings.ExtraDistance = 3;
    // A 30 km route of 1000 points with via points at 200, 400, 600 and 800.
    for (int i = 0; i < 1000; ++i)
        ctx.store.addPoint(ctx.run, deg(50.0 + i * (30000.0 / 999 / 111189.57696)), deg(8), 0, 0,
                           i > 0 && i % 200 == 0 ? -i : 0, 0);
    ASSERT_NEAR(trackLength(ctx.store), 30000, 1);
    std::vector<int32_t> lats(ctx.store.lat, ctx.store.lat + 1000);
    EXPECT_EQ(spreadViaPoints(ctx), 0);
    const std::vector<int> expected = {0, 101, 200, 301, 400, 501, 600, 701, 800, 901, 999};
    ASSERT_EQ(ctx.store.count, static_cast<int32_t>(expected.size()));
    for (size_t j = 0; j < expected.size(); ++j) EXPECT_EQ(ctx.store.lat[j], lats[expected[j]]) << j;
}

TEST_F(RouteReaderTest, TooManyViaPointsForTheMaximum) {
    ctx.settings.MaximumPoints = 5;
    std::vector<RoutePointSpec> pts;
    for (int i = 0; i < 10; ++i) {
        pts.push_back({"W" + std::to_string(i), 0, 255, 50 + i * 0.01, 8});
        ctx.waypointIndex.add(0, 0, pts.back().name);
    }
    ctx.run.routeCounter = 1;
    ASSERT_EQ(read(test::calculatedRoute("Many", pts, 20), 15), 0);
    EXPECT_EQ(ctx.store.count, 10);
    EXPECT_EQ(ctx.run.infoFlag, 2);
    EXPECT_EQ(ctx.run.infoText, "The original route contained more via points (10)\nthan the requested maximum number (5).");
}

TEST_F(RouteReaderTest, SpreadMatchesTheStepwiseSearch) {
    std::mt19937 rng(11);
    for (int round = 0; round < 150; ++round) {
        const int n = 2 + static_cast<int>(rng() % 2000);
        const int viaPercent = static_cast<int>(rng() % 6);
        ctx.store.clear();
        for (int i = 0; i < n; ++i)
            ctx.store.addPoint(ctx.run, deg(50 + i * 0.0007), deg(8 + (rng() % 100) * 1e-5), 0, 0,
                               static_cast<int>(rng() % 100) < viaPercent ? -1 : 0, 0);
        ctx.settings.MaximumPoints = 2 + static_cast<int>(rng() % 80);
        ctx.settings.ExtraDistance = 1 + static_cast<int>(rng() % 5);
        PointStore reference;
        reference.count = ctx.store.count;
        std::copy(ctx.store.lat, ctx.store.lat + n, reference.lat);
        std::copy(ctx.store.lon, ctx.store.lon + n, reference.lon);
        std::copy(ctx.store.via, ctx.store.via + n, reference.via);
        const int want = referenceSpread(reference, ctx.settings.MaximumPoints, ctx.settings.ExtraDistance);
        ASSERT_EQ(spreadViaPoints(ctx), want) << round;
        ASSERT_EQ(ctx.store.count, reference.count) << round;
        for (int32_t j = 0; j < reference.count; ++j) ASSERT_EQ(ctx.store.lat[j], reference.lat[j]) << round;
    }
}

}  // namespace
}  // namespace trakor
