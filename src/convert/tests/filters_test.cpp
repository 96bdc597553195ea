// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "convert/geometry.h"
#include "convert/tests/track_builder.h"

namespace trakor {
namespace {

using test::kMetresPerDegree;
using test::put;

// Appends a point `metres` from the last one, turning `turn` degrees from the last heading.
struct Walker {
    Context& ctx;
    double lat = 0, lon = 0, heading = 0;  // heading in degrees, 0 = north
    void step(double metres, double turn = 0, int32_t via = 0, uint8_t mark = 1) {
        heading += turn;
        lat += metres * std::cos(heading * kPi / 180) / kMetresPerDegree;
        lon += metres * std::sin(heading * kPi / 180) / kMetresPerDegree;
        put(ctx, lat, lon, via, mark);
    }
};

class Filters : public ::testing::Test {
protected:
    std::unique_ptr<Context> ctx = test::makeContext();
    int run(int type, int value, int parts = 1) {
        ctx->settings.Filtertype = type;
        return filterPoints(*ctx, value, parts);
    }
    std::vector<int32_t> times() const { return {ctx->store.time, ctx->store.time + ctx->store.count}; }
};

TEST_F(Filters, ByCountKeepsTheEndsOfAStraightPart) {
    test::putMeridian(*ctx, 100, 50);
    EXPECT_EQ(run(1, 2), 0);
    EXPECT_EQ(times(), (std::vector<int32_t>{1000, 1099}));
}

TEST_F(Filters, ByCountRemovesTheStraightestPointsFirst) {
    Walker w{*ctx};
    put(*ctx, 0, 0);
    const double turns[] = {0, 5, 0, 40, 0, 90, 0, 12, 0};
    for (double t : turns) w.step(100, t);
    // 10 points down to 5: the straight points go first, then the 5 degree turn at point 1;
    // the 12, 40 and 90 degree turns at points 7, 3 and 5 stay.
    EXPECT_EQ(run(1, 5), 0);
    EXPECT_EQ(times(), (std::vector<int32_t>{1000, 1003, 1005, 1007, 1009}));
}

TEST_F(Filters, ByCountReportsViaPointsItCannotRemove) {
    put(*ctx, 0, 0);
    for (int i = 1; i <= 10; ++i) put(*ctx, i * 0.001, 0, i % 2 ? i : -i);
    put(*ctx, 0.011, 0);
    EXPECT_EQ(run(1, 5), 1);
    EXPECT_EQ(ctx->store.count, 12);
}

TEST_F(Filters, ByCountWorksPerPartAndScalesWithParts) {
    // Two parts of 30 and 21 points sharing point 29; each goes down to 4 points.
    test::putMeridian(*ctx, 50, 40);
    ctx->store.partMark[29] = 0;
    EXPECT_EQ(run(1, 4), 0);
    ASSERT_EQ(ctx->store.count, 7);
    EXPECT_EQ(ctx->store.time[0], 1000);
    EXPECT_EQ(ctx->store.time[3], 1029);
    EXPECT_EQ(ctx->store.partMark[3], 0);
    EXPECT_EQ(ctx->store.time[6], 1049);

    // With parts 3 the target is 3 * (4 - 1) + 1 = 10.
    ctx->store.clear();
    test::putMeridian(*ctx, 50, 40);
    EXPECT_EQ(run(1, 4, 3), 0);
    EXPECT_EQ(ctx->store.count, 10);
}

TEST_F(Filters, ByPercentageTargets) {
    test::putMeridian(*ctx, 101, 40);
    EXPECT_EQ(run(2, 50), 0);
    EXPECT_EQ(ctx->store.count, 50);

    ctx->store.clear();
    test::putMeridian(*ctx, 20, 40);
    EXPECT_EQ(run(2, 95), 0);
    EXPECT_EQ(ctx->store.count, 2);

    // The target counts intervals, so 0 percent still removes one point; values outside the
    // valid range neither overflow nor remove beyond the part ends.
    const std::pair<int, int> left[] = {{0, 19}, {-5, 19}, {-2147483647 - 1, 20}, {2147483647, 2}};
    for (auto [value, count] : left) {
        ctx->store.clear();
        test::putMeridian(*ctx, 20, 40);
        EXPECT_EQ(run(2, value), 0);
        EXPECT_EQ(ctx->store.count, count) << value;
    }
}

TEST_F(Filters, ByTurnRemovesTurnsBelowTheLimit) {
    // Three points turning at the middle one; a point that begins a part stays at any angle.
    const struct {
        double turn;
        uint8_t mark;
        int left;
    } cases[] = {{29, 1, 2}, {31, 1, 3}, {0, 1, 2}, {10, 0, 3}};
    for (const auto& c : cases) {
        ctx->store.clear();
        Walker w{*ctx};
        put(*ctx, 0, 0);
        w.step(100, 0, 0, c.mark);
        w.step(100, c.turn);
        EXPECT_EQ(run(3, 30), 0);
        EXPECT_EQ(ctx->store.count, c.left) << c.turn;
    }
}

TEST_F(Filters, SmallStoresAndUnknownTypesAreLeftAlone) {
    for (int type : {1, 2, 3}) {
        for (int n = 0; n < 3; ++n) {
            ctx->store.clear();
            test::putMeridian(*ctx, n, 10);
            run(type, 2);
            EXPECT_EQ(ctx->store.count, n) << type;
        }
    }
    ctx->store.clear();
    test::putMeridian(*ctx, 50, 10);
    EXPECT_EQ(run(4, 2), 0);
    EXPECT_EQ(run(0, 2), 0);
    EXPECT_EQ(ctx->store.count, 50);
}

}  // namespace
}  // namespace trakor
