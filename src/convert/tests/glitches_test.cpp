// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/glitches.h"

#include <gtest/gtest.h>

#include <vector>

#include "convert/tests/track_builder.h"

namespace trakor {
namespace {

using test::kMetresPerDegree;
using test::put;

std::vector<int32_t> lats(const PointStore& s) { return {s.lat, s.lat + s.count}; }
int32_t sc(double deg) { return degreesToSemicircles(deg); }

class Spikes : public ::testing::Test {
protected:
    std::unique_ptr<Context> ctx = test::makeContext();
    void SetUp() override {
        ctx->settings.RemovalGlitches = 1;
        // Row 1 is a user waypoint, row 2 of class 8, row 3 of class 9, row 4 of class 3.
        for (uint8_t cls : {0, 8, 9, 3}) ctx->waypointIndex.add(0, cls, "W");
    }
    // O, P, Q, P, R with the tip Q carrying `tipVia`.
    void outAndBack(int32_t tipVia) {
        put(*ctx, 0, 0);
        put(*ctx, 1, 0);
        put(*ctx, 2, 0, tipVia);
        put(*ctx, 1, 0);
        put(*ctx, 3, 0);
    }
};

TEST_F(Spikes, OrdinaryTipGoesWithItsReturnPoint) {
    outAndBack(0);
    removeGlitches(*ctx);
    EXPECT_EQ(lats(ctx->store), (std::vector<int32_t>{sc(0), sc(1), sc(3)}));
}

TEST_F(Spikes, UserWaypointAndOtherViaPointsStay) {
    for (int32_t via : {1, 2, -1, -4}) {
        ctx->store.clear();
        outAndBack(via);
        removeGlitches(*ctx);
        EXPECT_EQ(ctx->store.count, 5) << via;
    }
}

TEST_F(Spikes, InvisibleViaTipMovesOntoTheBase) {
    for (int32_t via : {-2, -3}) {
        ctx->store.clear();
        outAndBack(via);
        removeGlitches(*ctx);
        ASSERT_EQ(ctx->store.count, 3) << via;
        EXPECT_EQ(ctx->store.lat[1], sc(1));
        EXPECT_EQ(ctx->store.via[1], via);
        EXPECT_EQ(ctx->store.time[1], 1002);
        EXPECT_EQ(ctx->store.alt[1], 102);
    }
}

TEST_F(Spikes, ReferenceOutsideTheWaypointIndexIsNoWaypoint) {
    // ITN input numbers its via points by name offsets, far beyond the index.
    for (int32_t via : {-5, -70000, INT32_MIN}) {
        ctx->store.clear();
        outAndBack(via);
        removeGlitches(*ctx);
        EXPECT_EQ(ctx->store.count, 5) << via;
    }
}

TEST_F(Spikes, SpikesAtTheEndsStayAndNestedSpikesFold) {
    // A spike from the first point and one ending at the last point are not examined.
    put(*ctx, 0, 0);
    put(*ctx, 1, 0);
    put(*ctx, 0, 0);
    put(*ctx, 5, 0);
    put(*ctx, 6, 0);
    put(*ctx, 5, 0);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 6);

    // O, A, B, C, B, A, D: the inner spike goes, then the outer one seen from A.
    ctx->store.clear();
    for (double lat : {0, 1, 2, 3, 2, 1, 4}) put(*ctx, lat, 0);
    removeGlitches(*ctx);
    EXPECT_EQ(lats(ctx->store), (std::vector<int32_t>{sc(0), sc(1), sc(4)}));

    // After a removal at index 3 the sweep does not step back to index 2: A, B, A from the
    // first point stays a spike from the first point.
    ctx->store.clear();
    for (double lat : {0, 1, 2, 1, 0, 4}) put(*ctx, lat, 0);
    removeGlitches(*ctx);
    EXPECT_EQ(lats(ctx->store), (std::vector<int32_t>{sc(0), sc(1), sc(0), sc(4)}));

    ctx->settings.RemovalGlitches = 0;
    ctx->store.clear();
    outAndBack(0);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 5);
}

class NearPoints : public ::testing::Test {
protected:
    std::unique_ptr<Context> ctx = test::makeContext();
    void SetUp() override { ctx->settings.RemovalDistance = 30; }
};

TEST_F(NearPoints, ThresholdIsATenthOfTheSettingInWholeMetres) {
    test::putMeridian(*ctx, 3, 2.9);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 2);  // the second point is within 3 m, the third 5.8 m away

    ctx->store.clear();
    test::putMeridian(*ctx, 4, 3.1);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 4);

    // A run of near points collapses onto the first one; the last point can go too.
    ctx->store.clear();
    test::putMeridian(*ctx, 6, 0.5);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 1);

    ctx->settings.RemovalDistance = 5;
    ctx->store.clear();
    test::putMeridian(*ctx, 2, 0.3);
    put(*ctx, semicirclesToDegrees(ctx->store.lat[1]), 0);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 2);  // only the coincident point went

    ctx->settings.RemovalDistance = 0;
    ctx->store.clear();
    put(*ctx, 0, 0);
    put(*ctx, 0, 0);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 2);
}

TEST_F(NearPoints, InvisibleViaPointReplacesItsOrdinaryPredecessor) {
    put(*ctx, 0, 0);
    put(*ctx, 1, 0);
    put(*ctx, 1 + 2 / kMetresPerDegree, 0, -7);
    put(*ctx, 2, 0);
    removeGlitches(*ctx);
    ASSERT_EQ(ctx->store.count, 3);
    EXPECT_EQ(ctx->store.lat[1], sc(1 + 2 / kMetresPerDegree));
    EXPECT_EQ(ctx->store.via[1], -7);
    EXPECT_EQ(ctx->store.time[1], 1002);

    // A user waypoint, or a via point after a via point, stays beside its neighbour.
    ctx->store.clear();
    put(*ctx, 0, 0);
    put(*ctx, 1 / kMetresPerDegree, 0, 4);
    put(*ctx, 2 / kMetresPerDegree, 0, -3);
    removeGlitches(*ctx);
    EXPECT_EQ(ctx->store.count, 3);
}

TEST_F(NearPoints, FirstPointKeepsBeginningTheTrack) {
    // The via point takes the first point's place, yet the store must still have a part start,
    // or no part of the track would be written.
    put(*ctx, 0, 0);
    put(*ctx, 1 / kMetresPerDegree, 0, -2);
    put(*ctx, 1, 0);
    removeGlitches(*ctx);
    ASSERT_EQ(ctx->store.count, 2);
    EXPECT_EQ(ctx->store.via[0], -2);
    EXPECT_EQ(ctx->store.partMark[0], 0);
    int32_t first = -1, end = -1;
    ctx->store.partRange(1, first, end);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 2);
}

}  // namespace
}  // namespace trakor
