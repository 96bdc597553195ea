// SPDX-License-Identifier: GPL-3.0-or-later
// Distances, corner angles, track length and bounding boxes over the point store.
#pragma once

#include <cstdint>
#include <vector>

#include "core/point_store.h"

namespace trakor {

constexpr double kPi = 3.141592653589793;
// Metres per degree of central angle: 60 nautical miles, 1.1515 statute miles each, 1609.344 m each.
inline double degreesToMetres(double deg) { return deg * 60 * 1.1515 * 1609.344; }

// Two longitudes more than 180 degrees apart are each shifted by 180 in opposite directions: the
// cosine of their difference and their east-west order stay as across the antimeridian.
void shiftAcrossAntimeridian(double& lon1, double& lon2);

// Great-circle distance in metres between two positions in degrees (spherical law of cosines);
// never negative, 0 where the arc cosine fails for identical or antipodal points.
double distance(double lat1, double lon1, double lat2, double lon2);

// Distance between stored points a and b, in that argument order.
double pointDistance(const PointStore& store, int32_t a, int32_t b);

// Sum of the distances between consecutive stored points; 0 below two points.
double trackLength(const PointStore& store);

// Cosine of the angle at the middle point of a triangle whose sides are d1 (first to middle),
// d2 (middle to last) and d3 (first to last).
double cornerFromSides(double d1, double d2, double d3);

// Cosine of the angle at point m + 1 in the triangle of points m, m + 1, m + 2.
double cornerCosine(const PointStore& store, int32_t m);

// Cosine limit of a turn of k degrees: a turn of at most k degrees has a corner cosine <= this.
double turnLimit(int64_t k);

struct BoundingBox {
    int32_t maxLat = -2147483647;
    int32_t minLat = 2147483647;
    int32_t maxLon = -2147483647;
    int32_t minLon = 2147483647;
    double maxAlt = 0;
    double minAlt = 0;
};

// Extremes of the points first to last inclusive (clamped to the stored points); longitudes
// are negated when the box would span more than 180 degrees.
BoundingBox boundingBox(const PointStore& store, int32_t first, int32_t last);

// Per-point sines and cosines of the stored latitudes, so that repeated distances between the
// same points cost one cosine and one arc cosine, with results identical to distance().
class DistanceCache {
public:
    explicit DistanceCache(const PointStore& store);
    // Same value as pointDistance(store, a, b) for the points as they were when cached.
    double operator()(int32_t a, int32_t b) const;

private:
    std::vector<double> latDeg_, lonDeg_, lonRad_, sinLat_, cosLat_;
};

}  // namespace trakor
