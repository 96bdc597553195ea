// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/course_geometry.h"

#include <algorithm>
#include <cmath>

#include "convert/geometry.h"
#include "core/geo_math.h"

namespace trakor {

namespace {
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kDegreesPerRadian = 180.0 / 3.141592653589793;
}  // namespace

double centralAngle(double lat1, double lon1, double lat2, double lon2) {
    const double sLat = math::sin((lat1 - lat2) * kRadiansPerDegree / 2);
    const double sLon = math::sin((lon1 - lon2) * kRadiansPerDegree / 2);
    const double h = sLat * sLat + math::cos(lat1 * kRadiansPerDegree) * math::cos(lat2 * kRadiansPerDegree) * sLon * sLon;
    // Rounding can push h a hair above 1 for nearly antipodal points.
    return 2 * math::asin(std::sqrt(std::min(h, 1.0)));
}

double initialBearing(double lat1, double lon1, double lat2, double lon2) {
    // Makes the east-west comparison below hold across the antimeridian.
    shiftAcrossAntimeridian(lon1, lon2);
    const double d = centralAngle(lat1, lon1, lat2, lon2);
    if (!(d > 0)) return 0;
    // East-west separation along the destination's latitude, as a share of the whole arc.
    const double e = centralAngle(lat2, lon2, lat2, lon1);
    const double theta = math::asin(std::clamp(e / d, 0.0, 1.0)) * kDegreesPerRadian;
    if (lon1 <= lon2) return lat2 >= lat1 ? theta : 180 - theta;
    return lat2 < lat1 ? 180 + theta : 360 - theta;
}

}  // namespace trakor
