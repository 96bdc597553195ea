// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "convert/tests/track_builder.h"

namespace trakor {
namespace {

using test::kMetresPerDegree;
using test::put;

TEST(Distance, KnownLengthsAndDegenerateCases) {
    EXPECT_NEAR(distance(0, 0, 1, 0), 111189.57696, 1e-6);
    EXPECT_NEAR(distance(45, 10, 46, 10), 111189.57696, 1e-6);
    // Across the antimeridian the short way round, in both argument orders.
    EXPECT_NEAR(distance(0, 179.5, 0, -179.5), 111189.6, 0.1);
    EXPECT_NEAR(distance(0, -179.5, 0, 179.5), 111189.6, 0.1);
    // Identical points can make the arc cosine fail; the result is 0, never NaN.
    for (double lat : {0.0, 12.345678, 47.1234567, -33.9, 89.99})
        for (double lon : {0.0, 8.54321, -122.4, 179.9}) EXPECT_EQ(distance(lat, lon, lat, lon), 0.0) << lat << " " << lon;
    EXPECT_NEAR(distance(0, 0, 0, 180), 180 * kMetresPerDegree, 1);
    EXPECT_GE(distance(10, 20, -10, -160), 0.0);
}

TEST(Distance, CacheGivesIdenticalBits) {
    auto ctx = test::makeContext();
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> lat(-89, 89), lon(-180, 180), near(-0.001, 0.001);
    for (int i = 0; i < 2000; ++i) {
        if (i % 3 == 0)
            put(*ctx, lat(rng), lon(rng));
        else
            put(*ctx, semicirclesToDegrees(ctx->store.lat[i - 1]) + near(rng), std::fmod(179.9995 + near(rng), 360));
    }
    const DistanceCache cache(ctx->store);
    for (int a = 0; a < 2000; a += 7)
        for (int b = 0; b < 2000; b += 13) ASSERT_EQ(cache(a, b), pointDistance(ctx->store, a, b)) << a << " " << b;
}

TEST(Geometry, TrackLengthAndCorners) {
    auto ctx = test::makeContext();
    EXPECT_EQ(trackLength(ctx->store), 0);
    put(*ctx, 0, 0);
    EXPECT_EQ(trackLength(ctx->store), 0);
    put(*ctx, 0.01, 0);
    put(*ctx, 0.01, 0.01);
    EXPECT_NEAR(trackLength(ctx->store), 0.02 * kMetresPerDegree, 0.05);
    // A right angle at the middle point; a straight line gives -1.
    EXPECT_NEAR(cornerCosine(ctx->store, 0), 0, 1e-3);
    put(*ctx, 0.01, 0.02);
    EXPECT_NEAR(cornerCosine(ctx->store, 1), -1, 1e-6);
    EXPECT_TRUE(std::isnan(cornerCosine(ctx->store, 2)));
    EXPECT_TRUE(std::isnan(cornerCosine(ctx->store, -1)));
}

TEST(Geometry, TurnLimitsRiseWithTheTolerance) {
    EXPECT_EQ(turnLimit(0), -1);
    EXPECT_EQ(turnLimit(180), 1);
    for (int k = 1; k <= 180; ++k) EXPECT_LT(turnLimit(k - 1), turnLimit(k)) << k;
    // A 29 degree turn passes a 30 degree limit, a 31 degree turn does not.
    EXPECT_GT(turnLimit(30), std::cos((180 - 29) * kPi / 180));
    EXPECT_LT(turnLimit(30), std::cos((180 - 31) * kPi / 180));
}

TEST(Geometry, BoundingBox) {
    auto ctx = test::makeContext();
    put(*ctx, 10, 170);
    put(*ctx, 12, -170);
    ctx->store.altValid[0] = ctx->store.altValid[1] = 0;
    ctx->store.alt[0] = ctx->store.alt[1] = 0;
    BoundingBox box = boundingBox(ctx->store, 0, 1);
    EXPECT_EQ(box.maxLat, degreesToSemicircles(12));
    EXPECT_EQ(box.minLat, degreesToSemicircles(10));
    // Spanning the antimeridian: both longitudes negated.
    EXPECT_EQ(box.maxLon, degreesToSemicircles(-170));
    EXPECT_EQ(box.minLon, degreesToSemicircles(170));
    EXPECT_EQ(box.maxAlt, 0);
    EXPECT_EQ(box.minAlt, 0);

    // Altitudes count from the first point that has one; a later point without one pulls the
    // minimum to its stored 0.
    auto alts = test::makeContext();
    for (int i = 0; i < 4; ++i) put(*alts, i, i);
    alts->store.altValid[0] = 0;
    alts->store.alt[0] = 5000;
    alts->store.alt[1] = 300;
    alts->store.alt[2] = 200;
    alts->store.altValid[3] = 0;
    alts->store.alt[3] = 0;
    box = boundingBox(alts->store, 0, 3);
    EXPECT_EQ(box.maxAlt, 300);
    EXPECT_EQ(box.minAlt, 0);
    box = boundingBox(alts->store, 1, 2);
    EXPECT_EQ(box.minAlt, 200);
    EXPECT_EQ(box.maxLon, degreesToSemicircles(2));

    // Out-of-range indexes are clamped to the stored points; an empty range keeps the start values.
    box = boundingBox(alts->store, -5, 99);
    EXPECT_EQ(box.minLat, 0);
    EXPECT_EQ(box.maxLat, degreesToSemicircles(3));
    box = boundingBox(alts->store, 2, 1);
    EXPECT_EQ(box.maxLat, -2147483647);
    EXPECT_EQ(box.minLat, 2147483647);
}

}  // namespace
}  // namespace trakor
