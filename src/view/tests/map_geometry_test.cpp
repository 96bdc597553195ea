// SPDX-License-Identifier: GPL-3.0-or-later
// Projection, tile arithmetic, the fitted view, scale bar and simplification of the map view.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/coordinates.h"
#include "view/map_geometry.h"
#include "view/polyline_cache.h"

using namespace trakor::view;

TEST(MapProjection, KnownTilesOfPlaces) {
    struct Case {
        double lat, lon;
        int z, x, y;
    } cases[] = {
        {51.5074, -0.1278, 12, 2046, 1362},   // London
        {52.52, 13.405, 10, 550, 335},        // Berlin
        {-33.8688, 151.2093, 10, 942, 614},   // Sydney
        {40.7128, -74.006, 15, 9647, 12320},  // New York
        {0, 0, 1, 1, 1},
        {0, 0, 0, 0, 0},
        {85.1, 179.9999, 5, 31, 0},  // beyond the clip latitude: the top row
        {-89, -180, 3, 0, 7},        // near the south pole: the bottom row
        {10, 180, 4, 0, 7},          // 180 east is 180 west
    };
    for (const Case& c : cases) {
        TileId t = tileAt(c.lat, c.lon, c.z);
        EXPECT_EQ(t, (TileId{c.z, c.x, c.y})) << c.lat << "," << c.lon << " z" << c.z << " gave " << t.x << "/" << t.y;
    }
}

TEST(MapProjection, RoundTripClipAndSemicircles) {
    for (double lat : {-85.0, -45.5, 0.0, 12.25, 60.0, 85.0})
        for (double lon : {-179.5, -10.0, 0.0, 90.0, 179.5}) {
            WorldPoint p = project(lat, lon);
            EXPECT_NEAR(latitudeOf(p.y), lat, 1e-9);
            EXPECT_NEAR(longitudeOf(p.x), lon, 1e-9);
        }
    // The poles are clipped to the square world.
    EXPECT_DOUBLE_EQ(project(90, 0).y, project(kMaxLatitude, 0).y);
    EXPECT_NEAR(project(90, 0).y, 0.0, 1e-12);
    EXPECT_NEAR(project(-90, 0).y, 1.0, 1e-12);
    WorldPoint s = projectSemicircles(trakor::degreesToSemicircles(45), trakor::degreesToSemicircles(-90));
    EXPECT_NEAR(s.x, 0.25, 1e-9);
    EXPECT_NEAR(latitudeOf(s.y), 45.0, 1e-6);
}

TEST(MapProjection, AntimeridianLinesStayContinuousAndFitNarrow) {
    // 179.5 E then 179.5 W: the second point continues east of 1 instead of jumping back.
    WorldPoint a = project(0, 179.5), b = project(0, -179.5);
    double bx = unwrapX(b.x, a.x);
    EXPECT_NEAR(bx - a.x, 1.0 / 360, 1e-12);
    EXPECT_NEAR(unwrapX(b.x, a.x + 5), a.x + 5 + 1.0 / 360, 1e-12);  // also a few worlds away

    // Two lines either side of the antimeridian: the fitted box is 3 degrees wide, not 357.
    WorldBox east, west;
    east.add(project(-17, 178));
    east.add(project(-16, 179.5));
    west.add(project(-17, -179.5));
    west.add(project(-16, -179));
    WorldBox both = circularBounds({east, west});
    EXPECT_NEAR((both.maxX - both.minX) * 360, 3.0, 1e-9);
    Viewport vp = fitBox(both, 800, 600);
    EXPECT_GT(vp.zoom, 6.0);
    EXPECT_NEAR(longitudeOf(vp.centerX), 179.5, 1e-6);  // the middle of 178 E to 179 W
    // Lines on one side keep their plain box.
    WorldBox plain = circularBounds({east});
    EXPECT_NEAR(plain.minX, east.minX, 1e-12);
}

TEST(MapTiles, CoverTheViewportAndWrap) {
    Viewport vp;
    vp.width = 512;
    vp.height = 512;
    vp.zoom = 1;
    vp.centerX = vp.centerY = 0.5;
    auto tiles = tilesCovering(vp, 1);
    EXPECT_EQ(tiles.size(), 4u);
    // A view centred on the antimeridian asks for the same tiles, with x wrapped.
    vp.zoom = 3;
    vp.width = 256;
    vp.height = 256;
    vp.centerX = 0.0;
    tiles = tilesCovering(vp, 3);
    ASSERT_FALSE(tiles.empty());
    for (const TilePlacement& t : tiles) {
        EXPECT_GE(t.id.x, 0);
        EXPECT_LT(t.id.x, 8);
        EXPECT_EQ(((t.unwrappedX % 8) + 8) % 8, t.id.x);
    }
    bool west = false, east = false;
    for (const TilePlacement& t : tiles) (t.unwrappedX < 0 ? west : east) = true;
    EXPECT_TRUE(west && east);
    // Rows beyond the poles are left out.
    vp.zoom = 0;
    vp.width = vp.height = 1024;
    vp.centerX = vp.centerY = 0.5;
    tiles = tilesCovering(vp, 0);
    for (const TilePlacement& t : tiles) EXPECT_EQ(t.id.y, 0);
    EXPECT_EQ(tileUrl("https://tile.example/{z}/{x}/{y}.png?s={s}", TileId{7, 68, 42}),
              "https://tile.example/7/68/42.png?s=a");
    EXPECT_EQ(tileZoomFor(3.4), 3);
    EXPECT_EQ(tileZoomFor(22.0, 19), 19);
}

TEST(MapViewport, ZoomKeepsThePointUnderTheCursor) {
    Viewport vp;
    vp.centerX = 0.3;
    vp.centerY = 0.4;
    vp.zoom = 5;
    WorldPoint before = vp.toWorld(100, 70);
    vp.zoomAt(1.5, 100, 70);
    WorldPoint after = vp.toWorld(100, 70);
    EXPECT_NEAR(before.x, after.x, 1e-12);
    EXPECT_NEAR(before.y, after.y, 1e-12);
    vp.panPixels(vp.scale(), 0);  // one world west: the same view
    EXPECT_NEAR(vp.toWorld(100, 70).x - std::floor(vp.toWorld(100, 70).x), after.x - std::floor(after.x), 1e-9);
}

TEST(MapScale, RoundLengthsInKmAndMiles) {
    // At the equator, zoom 0: 156 543 m per pixel.
    EXPECT_NEAR(metresPerPixel(0, 0), 156543.03, 0.01);
    EXPECT_NEAR(metresPerPixel(60, 0), 156543.03 / 2, 0.01);
    ScaleBar km = scaleBarFor(0, 10, 150, false);  // 152.9 m/px: 150 px = 22.9 km
    EXPECT_EQ(km.label, "20 km");
    EXPECT_NEAR(km.pixels, 20000 / metresPerPixel(0, 10), 1e-9);
    EXPECT_EQ(scaleBarFor(0, 17, 150, false).label, "100 m");
    ScaleBar mi = scaleBarFor(0, 10, 150, true);  // 14.2 mi
    EXPECT_EQ(mi.label, "10 mi");
    EXPECT_EQ(scaleBarFor(0, 17, 150, true).label, "500 ft");
    EXPECT_LE(gridStepDegrees(0) * 256 / 360.0, 90 * 256 / 360.0);
    EXPECT_DOUBLE_EQ(gridStepDegrees(10), 0.2);  // 728 px a degree: 0.1 is 73 px, 0.2 is 146 px
}

// Every dropped point lies within the tolerance of the simplified line; ends are kept.
TEST(MapSimplify, SimplifiedLineStaysWithinTolerance) {
    std::mt19937 rng(7);
    std::normal_distribution<double> step(0.0, 1e-4);
    for (int round = 0; round < 20; ++round) {
        std::vector<WorldPoint> pts(2000);
        WorldPoint p{0.5, 0.5};
        for (auto& q : pts) {
            p.x += step(rng);
            p.y += step(rng);
            q = p;
        }
        const double tol = 2e-4 * (round % 4 + 1);
        std::vector<size_t> kept = simplifyIndices(pts, tol);
        ASSERT_GE(kept.size(), 2u);
        EXPECT_EQ(kept.front(), 0u);
        EXPECT_EQ(kept.back(), pts.size() - 1);
        EXPECT_LT(kept.size(), pts.size());
        // Distance of each original point from the segment of the kept points around it.
        size_t seg = 0;
        for (size_t i = 0; i < pts.size(); ++i) {
            while (seg + 1 < kept.size() && kept[seg + 1] < i) ++seg;
            if (seg + 1 >= kept.size()) break;
            const WorldPoint& a = pts[kept[seg]];
            const WorldPoint& b = pts[kept[seg + 1]];
            double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
            double t = len2 > 0 ? std::clamp(((pts[i].x - a.x) * dx + (pts[i].y - a.y) * dy) / len2, 0.0, 1.0) : 0;
            double d = std::hypot(a.x + t * dx - pts[i].x, a.y + t * dy - pts[i].y);
            // The radial pass may move the line by one more tolerance.
            EXPECT_LE(d, 2 * tol + 1e-12) << "point " << i;
        }
    }
}

TEST(MapSimplify, CacheChunksJoinAndThinOutWithZoom) {
    std::vector<WorldPoint> line;
    for (int i = 0; i < 100000; ++i) line.push_back(project(45 + std::sin(i / 500.0) * 0.2, 7 + i * 1e-5));
    PolylineCache cache(line);
    const std::vector<Chunk>& far = cache.at(8);
    ASSERT_FALSE(far.empty());
    for (size_t i = 1; i < far.size(); ++i) {
        EXPECT_DOUBLE_EQ(far[i].points.front().x, far[i - 1].points.back().x);
        EXPECT_LE(far[i].points.size(), PolylineCache::kChunkPoints);
    }
    EXPECT_LT(cache.keptPoints(8), 1000u);
    EXPECT_LT(cache.keptPoints(8), cache.keptPoints(14));
    EXPECT_EQ(&cache.at(8), &far);  // made once
    EXPECT_EQ(cache.keptPoints(kFullDetailLevel + 1), line.size());
}
