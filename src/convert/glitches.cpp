// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/glitches.h"

#include <cstdlib>

#include "convert/geometry.h"
#include "convert/store_edit.h"
#include "core/context.h"

namespace trakor {

namespace {

using detail::mergedPartMark;
using detail::movePoint;

// Whether a via reference names a waypoint of class 8 or 9 in the waypoint index. References
// outside the index (ITN name offsets, damaged input) name none.
bool isClass8or9(const WaypointIndex& index, int32_t via) {
    const int64_t row = std::llabs(static_cast<int64_t>(via));
    if (row < 1 || row > static_cast<int64_t>(index.rows.size())) return false;
    const uint8_t cls = index.rows[static_cast<size_t>(row - 1)].cls;
    return cls == 8 || cls == 9;
}

// Both stages run as one forward sweep that compacts in place: [0, kept) holds the points
// before the examined index, [next, n) those from it on. Since kept <= next, writing at kept
// never overwrites an unexamined point, and each removal costs O(1) instead of a shift.

// Spikes: point i - 1 is the tip when point i returns exactly to point i - 2. Indexes 0 to 2
// and the last point are never examined as point i.
void removeSpikes(PointStore& s, const WaypointIndex& index) {
    const int32_t n = s.count;
    int32_t kept = 0;
    int32_t next = 0;
    while (next < n) {
        if (kept >= 3 && next < n - 1) {
            const int32_t base = kept - 2;
            const int32_t tip = kept - 1;
            const bool spike = s.lat[next] == s.lat[base] && s.lon[next] == s.lon[base] && s.via[next] == 0 &&
                               s.via[base] == 0;
            bool drop = spike && s.via[tip] == 0;
            if (spike && s.via[tip] < 0 && isClass8or9(index, s.via[tip])) {
                // The invisible via point survives on the base, which keeps its position.
                s.via[base] = s.via[tip];
                s.alt[base] = s.alt[tip];
                s.altValid[base] = s.altValid[tip];
                s.time[base] = s.time[tip];
                s.partMark[base] = mergedPartMark(s.partMark[base], s.partMark[tip]);
                drop = true;
            }
            if (drop) {
                // Tip and return point go; the point after them is examined against the base.
                --kept;
                ++next;
                continue;
            }
        }
        movePoint(s, kept++, next++);
    }
    s.count = kept;
}

// Near points: a point within `threshold` metres of its predecessor goes, or, carrying an
// invisible via point, replaces an ordinary predecessor. The first point always stays.
void removeNearPoints(PointStore& s, double threshold) {
    const int32_t n = s.count;
    if (n < 2) return;
    // Distances between the points where they stood before the sweep: each point's sine and
    // cosine are taken once. `from` is where the point now at kept - 1 stood.
    const DistanceCache dist(s);
    int32_t kept = 1;
    int32_t next = 1;
    int32_t from = 0;
    while (next < n) {
        const int32_t prev = kept - 1;
        if (dist(from, next) <= threshold) {
            if (s.via[next] == 0) {
                ++next;
                continue;
            }
            if (s.via[next] < 0 && s.via[prev] == 0) {
                const uint8_t mark = mergedPartMark(s.partMark[prev], s.partMark[next]);
                movePoint(s, prev, next);
                s.partMark[prev] = mark;
                from = next++;
                continue;
            }
        }
        from = next;
        movePoint(s, kept++, next++);
    }
    s.count = kept;
}

}  // namespace

void removeGlitches(Context& ctx) {
    PointStore& s = ctx.store;
    if (ctx.settings.RemovalGlitches == 1 && s.count >= 2) removeSpikes(s, ctx.waypointIndex);
    if (ctx.settings.RemovalDistance >= 1) removeNearPoints(s, ctx.settings.RemovalDistance / 10);
}

}  // namespace trakor
