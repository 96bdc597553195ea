// SPDX-License-Identifier: GPL-3.0-or-later
// Garmin's coordinate unit: 2^31 semicircles are 180 degrees.
#pragma once

#include <cmath>
#include <cstdint>

namespace trakor {

// Semicircles per degree of the distance and angle arithmetic of the GDB conversions, which keeps
// this whole-number factor so their results stay as they were.
constexpr int32_t kSemicirclesPerDegree = 11930464;
constexpr double kExactSemicirclesPerDegree = 2147483648.0 / 180.0;

// Exact degrees of a semicircle value, as files hold them.
inline double semicirclesToDegrees(int32_t s) { return s * (180.0 / 2147483648.0); }

// Semicircles of degrees read from a file, rounded to the nearest; values beyond the 32-bit range
// saturate and NaN gives 0.
inline int32_t degreesToSemicircles(double deg) {
    const double s = std::round(deg * kExactSemicirclesPerDegree);
    if (std::isnan(s)) return 0;
    if (s >= 2147483647.0) return INT32_MAX;
    if (s <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(s);
}

// Degrees for the distance and angle arithmetic only (see kSemicirclesPerDegree).
inline double geometryDegrees(int32_t s) { return s / static_cast<double>(kSemicirclesPerDegree); }

// Whether degrees read from a file name a place on the earth.
inline bool possibleCoordinates(double latDeg, double lonDeg) {
    return latDeg >= -90.0 && latDeg <= 90.0 && lonDeg >= -180.0 && lonDeg <= 180.0;
}

}  // namespace trakor
