// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/polyline_cache.h"

#include <algorithm>
#include <cmath>

#include "core/geo_math.h"

namespace trakor::view {

namespace {
// Squared distance of p from the segment a-b.
double segmentDistance2(const WorldPoint& p, const WorldPoint& a, const WorldPoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}
}  // namespace

std::vector<size_t> simplifyIndices(const std::vector<WorldPoint>& pts, double tolerance) {
    std::vector<size_t> out;
    if (pts.empty()) return out;
    const double tol2 = tolerance * tolerance;
    // Radial pass.
    std::vector<size_t> radial;
    radial.reserve(pts.size());
    radial.push_back(0);
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
        const WorldPoint& last = pts[radial.back()];
        const double dx = pts[i].x - last.x, dy = pts[i].y - last.y;
        if (dx * dx + dy * dy >= tol2) radial.push_back(i);
    }
    if (pts.size() > 1) radial.push_back(pts.size() - 1);
    if (radial.size() < 3) return radial;

    // Douglas-Peucker over the radial result, with an explicit stack.
    std::vector<char> keep(radial.size(), 0);
    keep.front() = keep.back() = 1;
    std::vector<std::pair<size_t, size_t>> stack{{0, radial.size() - 1}};
    while (!stack.empty()) {
        auto [first, last] = stack.back();
        stack.pop_back();
        double worst = -1;
        size_t worstAt = first;
        for (size_t k = first + 1; k < last; ++k) {
            const double d = segmentDistance2(pts[radial[k]], pts[radial[first]], pts[radial[last]]);
            if (d > worst) {
                worst = d;
                worstAt = k;
            }
        }
        if (worst > tol2) {
            keep[worstAt] = 1;
            if (worstAt - first > 1) stack.emplace_back(first, worstAt);
            if (last - worstAt > 1) stack.emplace_back(worstAt, last);
        }
    }
    for (size_t k = 0; k < radial.size(); ++k)
        if (keep[k]) out.push_back(radial[k]);
    return out;
}

int simplifyLevel(double zoom) {
    return std::clamp(static_cast<int>(std::lround(zoom)), 0, kFullDetailLevel + 1);
}

double simplifyTolerance(int level, double pixels) { return pixels / (kTileSize * math::exp2(level)); }

PolylineCache::PolylineCache(std::vector<WorldPoint> line) : line_(std::move(line)) {
    for (const WorldPoint& p : line_) box_.add(p);
}

const std::vector<Chunk>& PolylineCache::at(int level) {
    auto found = levels_.find(level);
    if (found != levels_.end()) return found->second;
    std::vector<WorldPoint> kept;
    if (level > kFullDetailLevel) {
        kept = line_;
    } else {
        for (size_t i : simplifyIndices(line_, simplifyTolerance(level))) kept.push_back(line_[i]);
    }
    std::vector<Chunk> chunks;
    for (size_t start = 0; start < kept.size();) {
        const size_t end = std::min(kept.size(), start + kChunkPoints);
        Chunk c;
        c.points.assign(kept.begin() + static_cast<std::ptrdiff_t>(start), kept.begin() + static_cast<std::ptrdiff_t>(end));
        for (const WorldPoint& p : c.points) c.box.add(p);
        chunks.push_back(std::move(c));
        if (end == kept.size()) break;
        start = end - 1;  // the next chunk starts at this one's last point
    }
    return levels_.emplace(level, std::move(chunks)).first->second;
}

size_t PolylineCache::keptPoints(int level) {
    const std::vector<Chunk>& chunks = at(level);
    size_t n = 0;
    for (const Chunk& c : chunks) n += c.points.size();
    return chunks.empty() ? 0 : n - (chunks.size() - 1);
}

}  // namespace trakor::view
