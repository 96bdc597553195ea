// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "course/course_geometry.h"

namespace trakor {
namespace {

constexpr double kRad = 0.017453292519943295;

TEST(CentralAngle, MeridianEquatorAndAntimeridian) {
    EXPECT_NEAR(centralAngle(10, 20, 11, 20), kRad, 1e-12);
    EXPECT_NEAR(centralAngle(0, 0, 0, 90), 90 * kRad, 1e-12);
    // The short way across the date line, not 359 degrees.
    EXPECT_NEAR(centralAngle(0, 179.5, 0, -179.5), kRad, 1e-12);
    EXPECT_EQ(centralAngle(45, 7, 45, 7), 0.0);
    // Antipodes: h may round above 1; the angle stays pi.
    EXPECT_NEAR(centralAngle(30, 10, -30, -170), 180 * kRad, 1e-9);
}

TEST(InitialBearing, FourQuadrants) {
    EXPECT_NEAR(initialBearing(50, 6, 50.01, 6), 0, 1e-6);
    EXPECT_NEAR(initialBearing(0, 6, 0, 6.01), 90, 1e-6);
    EXPECT_NEAR(initialBearing(50, 6, 49.99, 6), 180, 1e-6);
    EXPECT_NEAR(initialBearing(0, 6, 0, 5.99), 270, 1e-6);
    // Diagonals fall in the right quadrant.
    EXPECT_NEAR(initialBearing(0, 0, 0.01, 0.01), 45, 0.01);
    EXPECT_NEAR(initialBearing(0, 0, -0.01, 0.01), 135, 0.01);
    EXPECT_NEAR(initialBearing(0, 0, -0.01, -0.01), 225, 0.01);
    EXPECT_NEAR(initialBearing(0, 0, 0.01, -0.01), 315, 0.01);
}

TEST(InitialBearing, AcrossTheDateLineAndSamePoint) {
    // 179.99 to -179.99 is a step east; the reverse a step west.
    EXPECT_NEAR(initialBearing(0, 179.99, 0, -179.99), 90, 1e-6);
    EXPECT_NEAR(initialBearing(0, -179.99, 0, 179.99), 270, 1e-6);
    EXPECT_EQ(initialBearing(12, 34, 12, 34), 0.0);
    double b = initialBearing(10, 10, 10.0000001, 10.0000001);
    EXPECT_TRUE(std::isfinite(b));
    EXPECT_GE(b, 0);
    EXPECT_LE(b, 360);
}

}  // namespace
}  // namespace trakor
