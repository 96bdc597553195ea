// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "core/geo_math.h"

namespace trakor {

namespace {

double radians(double deg) { return deg * kPi / 180; }

// The law of cosines on prepared parts. Kept out of line so that distance() and the cache run
// the very same instructions and give bit-identical results.
[[gnu::noinline]] double metresFromParts(double sinLat1, double cosLat1, double lonRad1, double sinLat2,
                                         double cosLat2, double lonRad2) {
    const double x = sinLat1 * sinLat2 + cosLat1 * cosLat2 * math::cos(lonRad1 - lonRad2);
    const double metres = degreesToMetres(math::acos(x) * 180 / kPi);
    return std::isnan(metres) ? 0 : metres;
}

bool crossesAntimeridian(double lon1, double lon2) { return std::fabs(lon1 - lon2) > 180; }

}  // namespace

void shiftAcrossAntimeridian(double& lon1, double& lon2) {
    if (!crossesAntimeridian(lon1, lon2)) return;
    if (lon1 < 0) {
        lon1 += 180;
        lon2 -= 180;
    } else {
        lon1 -= 180;
        lon2 += 180;
    }
}

double distance(double lat1, double lon1, double lat2, double lon2) {
    shiftAcrossAntimeridian(lon1, lon2);
    const double la1 = radians(lat1);
    const double la2 = radians(lat2);
    return metresFromParts(math::sin(la1), math::cos(la1), radians(lon1), math::sin(la2), math::cos(la2),
                           radians(lon2));
}

double pointDistance(const PointStore& store, int32_t a, int32_t b) {
    return distance(geometryDegrees(store.lat[a]), geometryDegrees(store.lon[a]),
                     geometryDegrees(store.lat[b]), geometryDegrees(store.lon[b]));
}

double trackLength(const PointStore& store) {
    double sum = 0;
    for (int32_t i = 0; i + 1 < store.count; ++i) sum += pointDistance(store, i, i + 1);
    return sum;
}

// Out of line for the same reason as metresFromParts: every caller gets identical bits.
[[gnu::noinline]] double cornerFromSides(double d1, double d2, double d3) {
    return (d2 * d2 + d1 * d1 - d3 * d3) / (2 * d2 * d1);
}

double cornerCosine(const PointStore& store, int32_t m) {
    if (m < 0 || m + 2 >= store.count) return std::numeric_limits<double>::quiet_NaN();
    return cornerFromSides(pointDistance(store, m, m + 1), pointDistance(store, m + 1, m + 2),
                           pointDistance(store, m, m + 2));
}

double turnLimit(int64_t k) { return math::cos((180 - static_cast<double>(k)) * kPi / 180); }

BoundingBox boundingBox(const PointStore& store, int32_t first, int32_t last) {
    BoundingBox box;
    first = std::max(first, 0);
    last = std::min(last, store.count - 1);
    bool altSeen = false;
    for (int32_t i = first; i <= last; ++i) {
        box.maxLat = std::max(box.maxLat, store.lat[i]);
        box.minLat = std::min(box.minLat, store.lat[i]);
        box.maxLon = std::max(box.maxLon, store.lon[i]);
        box.minLon = std::min(box.minLon, store.lon[i]);
        // Altitudes count from the first point that has one; later points widen the range
        // with whatever they carry.
        if (!altSeen) {
            if (store.altValid[i] != 1) continue;
            altSeen = true;
            box.maxAlt = box.minAlt = store.alt[i];
        }
        box.maxAlt = std::max(box.maxAlt, store.alt[i]);
        box.minAlt = std::min(box.minAlt, store.alt[i]);
    }
    if (std::fabs(geometryDegrees(box.minLon) - geometryDegrees(box.maxLon)) > 180) {
        // -2147483648 has no positive counterpart; it becomes the largest value.
        box.maxLon = box.maxLon == INT32_MIN ? INT32_MAX : -box.maxLon;
        box.minLon = box.minLon == INT32_MIN ? INT32_MAX : -box.minLon;
    }
    return box;
}

DistanceCache::DistanceCache(const PointStore& store) {
    const size_t n = static_cast<size_t>(std::max(store.count, 0));
    latDeg_.resize(n);
    lonDeg_.resize(n);
    lonRad_.resize(n);
    sinLat_.resize(n);
    cosLat_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        latDeg_[i] = geometryDegrees(store.lat[i]);
        lonDeg_[i] = geometryDegrees(store.lon[i]);
        lonRad_[i] = radians(lonDeg_[i]);
        const double la = radians(latDeg_[i]);
        sinLat_[i] = math::sin(la);
        cosLat_[i] = math::cos(la);
    }
}

double DistanceCache::operator()(int32_t a, int32_t b) const {
    const auto ia = static_cast<size_t>(a);
    const auto ib = static_cast<size_t>(b);
    if (crossesAntimeridian(lonDeg_[ia], lonDeg_[ib]))
        return distance(latDeg_[ia], lonDeg_[ia], latDeg_[ib], lonDeg_[ib]);
    return metresFromParts(sinLat_[ia], cosLat_[ia], lonRad_[ia], sinLat_[ib], cosLat_[ib], lonRad_[ib]);
}

}  // namespace trakor
