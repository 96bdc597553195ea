// SPDX-License-Identifier: GPL-3.0-or-later
// Lines simplified in screen space, once per zoom level, and cut into chunks with boxes so a
// frame draws only what the window shows. Plain C++: the painter turns chunks into pixels.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "view/map_geometry.h"

namespace trakor::view {

// Indices of the points kept from `pts` for a tolerance in the same units: first a radial pass
// drops points closer than the tolerance to the last kept one, then Douglas-Peucker keeps every
// point that lies further than the tolerance from the simplified line. The first and last
// points are always kept.
std::vector<size_t> simplifyIndices(const std::vector<WorldPoint>& pts, double tolerance);

// The whole-number zoom whose simplification serves a view zoom (so a frame at any zoom
// between two levels draws within 0.7 pixels of the line).
int simplifyLevel(double zoom);
// The tolerance of a level in world units, for `pixels` at that zoom.
double simplifyTolerance(int level, double pixels = 0.5);
// Levels above this draw the line as it is.
constexpr int kFullDetailLevel = 21;

struct Chunk {
    WorldBox box;
    std::vector<WorldPoint> points;  // consecutive chunks share their joining point
};

class PolylineCache {
public:
    PolylineCache() = default;
    // `line` in world coordinates, already unwrapped across the antimeridian.
    explicit PolylineCache(std::vector<WorldPoint> line);

    // The line for a zoom level, simplified and chunked the first time it is asked for.
    const std::vector<Chunk>& at(int level);
    const WorldBox& box() const { return box_; }
    const std::vector<WorldPoint>& line() const { return line_; }
    // Points kept at a level (after at(level) made it).
    size_t keptPoints(int level);

    static constexpr size_t kChunkPoints = 128;

private:
    std::vector<WorldPoint> line_;
    WorldBox box_;
    std::map<int, std::vector<Chunk>> levels_;
};

}  // namespace trakor::view
