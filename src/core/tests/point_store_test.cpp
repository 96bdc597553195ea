// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "core/context.h"

namespace trakor {
namespace {

struct PointStoreTest : ::testing::Test {
    Context ctx;
    void add(int32_t lat, int32_t lon, int32_t via = 0, double alt = 0, int32_t time = 0) {
        ctx.store.addPoint(ctx.run, lat, lon, alt, alt != 0, via, time);
    }
};

TEST_F(PointStoreTest, DuplicatePositionsAreSuppressedUnlessAViaPointReplacesAnOrdinaryOne) {
    add(10, 20);
    add(10, 20);  // ordinary on ordinary: dropped
    EXPECT_EQ(ctx.store.count, 1);
    add(10, 20, 5, 123.5, 77);  // via on ordinary: replaces
    ASSERT_EQ(ctx.store.count, 1);
    EXPECT_EQ(ctx.store.via[0], 5);
    EXPECT_EQ(ctx.store.alt[0], 123.5);
    EXPECT_EQ(ctx.store.time[0], 77);
    EXPECT_EQ(ctx.store.altValid[0], 1);
    add(10, 20, -3);  // anything on a via point: dropped
    add(10, 20);
    EXPECT_EQ(ctx.store.count, 1);
    EXPECT_EQ(ctx.store.via[0], 5);
    add(11, 20);
    add(11, 20, 4);  // replacement of a later point gets part mark 1
    ASSERT_EQ(ctx.store.count, 2);
    EXPECT_EQ(ctx.store.partMark[0], 0);
    EXPECT_EQ(ctx.store.partMark[1], 1);
    EXPECT_EQ(ctx.store.via[1], 4);
}

TEST_F(PointStoreTest, CapacityKeepsThe100000thPointAndReportsTheNext) {
    for (int32_t i = 0; i < kMaxPoints; ++i) add(i, i);
    EXPECT_EQ(ctx.store.count, kMaxPoints);
    EXPECT_EQ(ctx.run.infoFlag, 0);
    add(-1, -1);
    EXPECT_EQ(ctx.store.count, kMaxPoints);
    EXPECT_EQ(ctx.run.infoFlag, 1);
    EXPECT_EQ(ctx.run.infoText, "Route point limit reached - track truncated!");
    EXPECT_EQ(ctx.store.lat[kMaxPoints - 1], kMaxPoints - 1);
}

TEST_F(PointStoreTest, RemovePointsShiftsAllArraysAndClampsToCount) {
    for (int32_t i = 0; i < 6; ++i) add(i, 100 + i, i == 4 ? 9 : 0, 0, 1000 + i);
    ctx.store.removePoints(1, 2);
    ASSERT_EQ(ctx.store.count, 4);
    EXPECT_EQ(ctx.store.lat[1], 3);
    EXPECT_EQ(ctx.store.lon[2], 104);
    EXPECT_EQ(ctx.store.via[2], 9);
    EXPECT_EQ(ctx.store.time[3], 1005);
    ctx.store.removePoints(3, 50);  // past the end: only what exists
    EXPECT_EQ(ctx.store.count, 3);
    ctx.store.removePoints(7, 1);  // outside: nothing
    ctx.store.removePoints(0, -2);
    EXPECT_EQ(ctx.store.count, 3);
}

TEST_F(PointStoreTest, PartRangeIncludesTheNextPartsFirstPoint) {
    for (int32_t i = 0; i < 6; ++i) add(i, i);
    int32_t first, end;
    ctx.store.partRange(1, first, end);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 6);
    const uint8_t marks[] = {0, 1, 1, 0, 2, 2};
    for (int i = 0; i < 6; ++i) ctx.store.partMark[i] = marks[i];
    ctx.store.partRange(2, first, end);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(end, 6);
    ctx.store.partRange(1, first, end);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 4);
    ctx.store.partRange(3, first, end);  // no such part
    EXPECT_EQ(first, 0);
}

TEST(Units, SemicirclesAreExactAndRoundToTheNearest) {
    const struct {
        double deg;
        int32_t semicircles;
    } cases[] = {{1.0, 11930465},  {-0.5, -5965232},       {50.0, 596523236},   {10.0, 119304647},
                 {180.0, INT32_MAX}, {-180.0, INT32_MIN}, {1e10, INT32_MAX}, {-INFINITY, INT32_MIN}, {NAN, 0}};
    for (const auto& c : cases) EXPECT_EQ(degreesToSemicircles(c.deg), c.semicircles) << c.deg;
    EXPECT_DOUBLE_EQ(semicirclesToDegrees(INT32_MIN), -180.0);
    // Every semicircle value comes back from its degrees, however many decimals a writer keeps
    // beyond the seventh.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 100000; ++i) {
        const int32_t s = any(rng);
        ASSERT_EQ(degreesToSemicircles(semicirclesToDegrees(s)), s);
        ASSERT_EQ(degreesToSemicircles(std::round(semicirclesToDegrees(s) * 1e9) / 1e9), s);
    }
}

TEST(Units, MilesFeetAndKilometres) {
    EXPECT_EQ(kmToMiles(999), 621);
    EXPECT_EQ(milesToKm(3), 5);
    EXPECT_EQ(metresToFeet(3), 10);
}

}  // namespace
}  // namespace trakor
