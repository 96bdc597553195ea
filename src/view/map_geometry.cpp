// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/map_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/coordinates.h"
#include "core/geo_math.h"
#include "core/numbers.h"

namespace trakor::view {

void WorldBox::add(const WorldPoint& p) {
    if (empty) {
        minX = maxX = p.x;
        minY = maxY = p.y;
        empty = false;
        return;
    }
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
}

void WorldBox::add(const WorldBox& b) {
    if (b.empty) return;
    add(WorldPoint{b.minX, b.minY});
    add(WorldPoint{b.maxX, b.maxY});
}

double clampLatitude(double lat) { return std::clamp(lat, -kMaxLatitude, kMaxLatitude); }

WorldPoint project(double lat, double lon) {
    const double phi = clampLatitude(lat) * std::numbers::pi / 180.0;
    WorldPoint p;
    p.x = (lon + 180.0) / 360.0;
    p.y = 0.5 - math::log(math::tan(std::numbers::pi / 4 + phi / 2)) / (2 * std::numbers::pi);
    return p;
}

WorldPoint projectSemicircles(int32_t lat, int32_t lon) { return project(semicirclesToDegrees(lat), semicirclesToDegrees(lon)); }

double latitudeOf(double y) {
    return math::atan(math::sinh(std::numbers::pi * (1 - 2 * y))) * 180.0 / std::numbers::pi;
}

double longitudeOf(double x) {
    double w = x - std::floor(x);
    return w * 360.0 - 180.0;
}

double unwrapX(double x, double previous) {
    const double d = x - previous;
    if (d > 0.5 || d < -0.5) x -= std::round(d);
    return x;
}

double Viewport::scale() const { return kTileSize * math::exp2(zoom); }

WorldPoint Viewport::toWorld(double sx, double sy) const {
    const double s = scale();
    return {centerX + (sx - width / 2.0) / s, centerY + (sy - height / 2.0) / s};
}

WorldBox Viewport::visibleBox() const {
    WorldBox b;
    b.add(toWorld(0, 0));
    b.add(toWorld(width, height));
    return b;
}

void Viewport::zoomAt(double steps, double sx, double sy) {
    const WorldPoint before = toWorld(sx, sy);
    zoom = std::clamp(zoom + steps, kMinZoom, kMaxZoom);
    const double s = scale();
    centerX = before.x - (sx - width / 2.0) / s;
    centerY = before.y - (sy - height / 2.0) / s;
    normalise();
}

void Viewport::panPixels(double dx, double dy) {
    const double s = scale();
    centerX -= dx / s;
    centerY -= dy / s;
    normalise();
}

void Viewport::normalise() {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    centerX -= std::floor(centerX);
    centerY = std::clamp(centerY, 0.0, 1.0);
}

Viewport fitBox(const WorldBox& box, int width, int height, int marginPx) {
    Viewport vp;
    vp.width = std::max(width, 1);
    vp.height = std::max(height, 1);
    if (box.empty) {
        vp.centerX = vp.centerY = 0.5;
        vp.zoom = std::max(0.0, math::log2(std::min(vp.width, vp.height) / double(kTileSize)));
        vp.normalise();
        return vp;
    }
    vp.centerX = (box.minX + box.maxX) / 2;
    vp.centerY = (box.minY + box.maxY) / 2;
    const double w = box.maxX - box.minX, h = box.maxY - box.minY;
    const double usableW = std::max(1, vp.width - 2 * marginPx), usableH = std::max(1, vp.height - 2 * marginPx);
    if (w <= 0 && h <= 0) {
        vp.zoom = 14;
    } else {
        const double scale = std::min(w > 0 ? usableW / w : 1e300, h > 0 ? usableH / h : 1e300);
        vp.zoom = math::log2(scale / kTileSize);
    }
    vp.normalise();
    // normalise() moves the centre into [0, 1); the painter draws every copy of the world.
    return vp;
}

WorldBox circularBounds(const std::vector<WorldBox>& boxes) {
    WorldBox out;
    std::vector<std::pair<double, double>> ranges;  // [start, end) with start in [0, 1)
    for (const WorldBox& b : boxes) {
        if (b.empty) continue;
        const double shift = std::floor(b.minX);
        ranges.emplace_back(b.minX - shift, b.maxX - shift);
        out.add(WorldPoint{b.minX - shift, b.minY});
        out.add(WorldPoint{b.maxX - shift, b.maxY});
    }
    if (ranges.empty()) return out;
    std::sort(ranges.begin(), ranges.end());
    // Merge the ranges on the circle and find the widest gap between them.
    double coveredEnd = ranges[0].second;
    double bestGap = -1, bestStart = ranges[0].first;
    for (size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].first > coveredEnd && ranges[i].first - coveredEnd > bestGap) {
            bestGap = ranges[i].first - coveredEnd;
            bestStart = ranges[i].first;
        }
        coveredEnd = std::max(coveredEnd, ranges[i].second);
    }
    // The gap that wraps from the last end round to the first start.
    const double wrapGap = ranges[0].first + 1.0 - coveredEnd;
    if (wrapGap >= bestGap) return out;  // the plain order is already the narrowest
    // Start the span at bestStart: ranges before it move one world east.
    WorldBox shifted;
    for (const WorldBox& b : boxes) {
        if (b.empty) continue;
        double shift = std::floor(b.minX);
        double lo = b.minX - shift, hi = b.maxX - shift;
        if (lo < bestStart) {
            lo += 1;
            hi += 1;
        }
        shifted.add(WorldPoint{lo, b.minY});
        shifted.add(WorldPoint{hi, b.maxY});
    }
    return shifted;
}

TileId tileAt(double lat, double lon, int z) {
    const WorldPoint p = project(lat, lon);
    const int n = 1 << z;
    TileId t{z, static_cast<int>(std::floor((p.x - std::floor(p.x)) * n)), static_cast<int>(std::floor(p.y * n))};
    t.x = std::clamp(t.x, 0, n - 1);
    t.y = std::clamp(t.y, 0, n - 1);
    return t;
}

WorldPoint tileOrigin(int z, int x, int y) {
    const double n = math::exp2(z);
    return {x / n, y / n};
}

int tileZoomFor(double zoom, int maxTileZoom) {
    return std::clamp(static_cast<int>(std::lround(zoom)), 0, maxTileZoom);
}

std::vector<TilePlacement> tilesCovering(const Viewport& vp, int z) {
    std::vector<TilePlacement> out;
    const WorldBox b = vp.visibleBox();
    const int n = 1 << z;
    // A tile whose edge only touches the window's far edge is not in it.
    const int x0 = static_cast<int>(std::floor(b.minX * n)), x1 = static_cast<int>(std::ceil(b.maxX * n)) - 1;
    const int y0 = std::max(0, static_cast<int>(std::floor(b.minY * n)));
    const int y1 = std::min(n - 1, static_cast<int>(std::ceil(b.maxY * n)) - 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) out.push_back({TileId{z, ((x % n) + n) % n, y}, x});
    return out;
}

std::string tileUrl(const std::string& urlTemplate, const TileId& id) {
    std::string out;
    out.reserve(urlTemplate.size() + 16);
    for (size_t i = 0; i < urlTemplate.size(); ++i) {
        auto field = [&](const char* name, const std::string& value) {
            const size_t len = std::char_traits<char>::length(name);
            if (urlTemplate.compare(i, len, name) != 0) return false;
            out += value;
            i += len - 1;
            return true;
        };
        if (urlTemplate[i] == '{' &&
            (field("{z}", std::to_string(id.z)) || field("{x}", std::to_string(id.x)) ||
             field("{y}", std::to_string(id.y)) || field("{s}", "a")))
            continue;
        out += urlTemplate[i];
    }
    return out;
}

double metresPerPixel(double lat, double zoom) {
    return math::cos(clampLatitude(lat) * std::numbers::pi / 180.0) * 2 * std::numbers::pi * kEarthRadius /
           (kTileSize * math::exp2(zoom));
}

namespace {
// The largest 1, 2 or 5 times a power of ten not above v (v > 0).
double roundDown125(double v) {
    const double p = math::pow(10.0, std::floor(math::log10(v)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= v) return m * p;
    return p;
}

std::string formatLength(double value, const char* unit) {
    std::string text;
    if (value >= 1) {
        char buf[numbers::kNumberRoom];
        text.assign(buf, numbers::writeFixedExact(buf, value, 0));
    } else {
        text = numbers::formatGeneral(value);
    }
    return text + " " + unit;
}
}  // namespace

ScaleBar scaleBarFor(double lat, double zoom, int maxPixels, bool miles) {
    ScaleBar bar;
    const double mpp = metresPerPixel(lat, zoom);
    const double maxMetres = mpp * maxPixels;
    if (!(maxMetres > 0)) return bar;
    if (miles) {
        constexpr double kMile = 1609.344, kFoot = 0.3048;
        if (maxMetres >= kMile) {
            const double mi = roundDown125(maxMetres / kMile);
            return {mi * kMile / mpp, formatLength(mi, "mi")};
        }
        const double ft = roundDown125(maxMetres / kFoot);
        return {ft * kFoot / mpp, formatLength(ft, "ft")};
    }
    if (maxMetres >= 1000) {
        const double km = roundDown125(maxMetres / 1000);
        return {km * 1000 / mpp, formatLength(km, "km")};
    }
    const double m = roundDown125(maxMetres);
    return {m / mpp, formatLength(m, "m")};
}

double gridStepDegrees(double zoom, double minPixels) {
    static const double kSteps[] = {0.0001, 0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1,
                                    0.2,    0.5,    1,      2,     5,     10,    15,   30,   45,   90};
    const double pixelsPerDegree = kTileSize * math::exp2(zoom) / 360.0;
    for (double s : kSteps)
        if (s * pixelsPerDegree >= minPixels) return s;
    return 90;
}

}  // namespace trakor::view
