// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/course_prepare.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "convert/geometry.h"
#include "core/context.h"
#include "course/course_geometry.h"

namespace trakor {

namespace {

int32_t saturate(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Degrees of the angle arithmetic (bearings at the turns).
double latDeg(const PointStore& s, int32_t i) { return geometryDegrees(s.lat[i]); }
double lonDeg(const PointStore& s, int32_t i) { return geometryDegrees(s.lon[i]); }

// Position and time at the fraction k of the way back from point n towards point n - 1.
void interpolateInto(PointStore& s, int32_t n, double k, int32_t& lat, int32_t& lon, int32_t& time) {
    lat = static_cast<int32_t>(s.lat[n] + k * (static_cast<double>(s.lat[n - 1]) - s.lat[n]));
    // Longitudes across the antimeridian are shifted by 180 for the step and back afterwards.
    double d = semicirclesToDegrees(s.lon[n]), e = semicirclesToDegrees(s.lon[n - 1]);
    bool shifted = false;
    if (d - e > 180) {
        d -= 180;
        e += 180;
        shifted = true;
    } else if (d - e < -180) {
        d += 180;
        e -= 180;
        shifted = true;
    }
    double r = d + k * (e - d);
    if (shifted) r = r < 0 ? r + 180 : r - 180;
    lon = degreesToSemicircles(r);
    const double t = static_cast<double>(s.time[n]) - static_cast<double>(s.time[n - 1]);
    time = saturate(static_cast<int64_t>(std::floor(s.time[n] - k * t)));
}

// A warning point waiting to go in before point `before` (an index of the walk's store).
struct WarningPoint {
    int32_t before;
    int32_t lat, lon, time;
    double alt;
    uint8_t altValid;
    int32_t via;
    uint8_t mark;
};

// Puts the waiting points in, in one pass from the back; `points` is in descending order of
// `before`, as the walk found them.
void insertWarningPoints(PointStore& s, const std::vector<WarningPoint>& points, std::vector<double>* legs) {
    if (points.empty()) return;
    const bool keepLegs = legs != nullptr && legs->size() + 1 == static_cast<size_t>(s.count);
    // Where each point of the new store was before (-1: inserted); the front keeps its place.
    std::vector<int32_t> origin(keepLegs ? static_cast<size_t>(s.count) + points.size() : 0);
    for (size_t i = 0; i < origin.size(); ++i) origin[i] = static_cast<int32_t>(i);
    int32_t to = s.count + static_cast<int32_t>(points.size());
    size_t next = 0;
    for (int32_t from = s.count - 1; from >= 0 && next < points.size(); --from) {
        --to;
        s.copyPoint(to, from);
        if (keepLegs) origin[to] = from;
        if (points[next].before != from) continue;
        const WarningPoint& p = points[next++];
        --to;
        if (keepLegs) origin[to] = -1;
        s.lat[to] = p.lat;
        s.lon[to] = p.lon;
        s.alt[to] = p.alt;
        s.altValid[to] = p.altValid;
        s.time[to] = p.time;
        s.via[to] = p.via;
        s.partMark[to] = p.mark;
    }
    s.count += static_cast<int32_t>(points.size());
    if (!keepLegs) {
        if (legs != nullptr) legs->clear();
        return;
    }
    // Legs between points that stayed neighbours are kept; those beside a new point are measured.
    std::vector<double> kept(static_cast<size_t>(s.count) - 1);
    for (int32_t i = 0; i + 1 < s.count; ++i) {
        const int32_t a = origin[i], b = origin[i + 1];
        kept[i] = a >= 0 && b == a + 1 ? (*legs)[a] : pointDistance(s, i, i + 1);
    }
    legs->swap(kept);
}

}  // namespace

void assignCourseTimes(Context& ctx, int64_t now, std::vector<double>* legs, const DistanceCache* cache) {
    PointStore& s = ctx.store;
    if (s.count == 0) return;
    const int64_t t0 = s.time[0], tN = s.time[s.count - 1];
    // Metres per second of the average speed (km/h), or of the file's own pace below.
    double perSecond = static_cast<double>(ctx.settings.AverageSpeed) / 3.6;
    const int64_t start = t0 != 0 ? t0 : now;
    const bool fileTimes = t0 != 0 && tN != 0 && ctx.settings.UseFileTimes == 1;
    if (fileTimes) {
        bool allTimed = true;
        for (int32_t i = 0; i < s.count && allTimed; ++i) allTimed = s.time[i] != 0;
        if (allTimed) return;
    }
    s.time[0] = saturate(start);
    if (s.count < 2) return;
    std::vector<double> measured;
    std::vector<double>& leg = legs != nullptr ? *legs : measured;
    leg.resize(static_cast<size_t>(s.count) - 1);
    {
        const std::optional<DistanceCache> own = cache ? std::nullopt : std::make_optional<DistanceCache>(s);
        const DistanceCache& dist = cache ? *cache : *own;
        for (int32_t i = 0; i + 1 < s.count; ++i) leg[i] = dist(i, i + 1);
    }
    if (fileTimes) {
        // The file's own pace (the length summed in trackLength's order, to the same bits); a
        // track whose last time is not after its first has none.
        double length = 0;
        for (int32_t i = 0; i + 1 < s.count; ++i) length += leg[i];
        if (tN > t0) perSecond = length / static_cast<double>(tN - t0);
    }
    if (!(perSecond >= kMinMetresPerSecond)) perSecond = kMinMetresPerSecond;
    // The time since the start summed exactly and each point's time rounded once, so short
    // segments add up instead of each losing its fraction.
    double elapsed = 0;
    for (int32_t i = 1; i < s.count; ++i) {
        elapsed += leg[i - 1] / perSecond;
        s.time[i] = saturate(start + static_cast<int64_t>(std::min(std::round(elapsed), 1e15)));
    }
}

int32_t markCoursePoints(Context& ctx, std::vector<double>* legs, const DistanceCache* cache) {
    PointStore& s = ctx.store;
    if (s.count == 0) return 0;
    int32_t found = 0;
    const double limit = turnLimit(ctx.settings.CourseTurn);
    s.partMark[0] = kMarkEnd;
    const std::optional<DistanceCache> own = cache ? std::nullopt : std::make_optional<DistanceCache>(s);
    const DistanceCache& dist = cache ? *cache : *own;
    // Legs the course times measured on these points are taken as they are.
    const bool measured = legs != nullptr && s.count > 1 && legs->size() == static_cast<size_t>(s.count - 1);
    if (legs != nullptr && !measured) legs->assign(static_cast<size_t>(std::max(s.count - 1, 0)), 0.0);
    // Each leg is the second side of one corner and the first of the next: measured once.
    double before = s.count > 1 ? (measured ? (*legs)[0] : dist(0, 1)) : 0;
    if (legs != nullptr && s.count > 1) (*legs)[0] = before;
    for (int32_t b = 1; b + 1 < s.count; ++b) {
        s.partMark[b] = kMarkPlain;
        const double after = measured ? (*legs)[b] : dist(b, b + 1);
        if (legs != nullptr) (*legs)[b] = after;
        const double cosine = cornerFromSides(before, after, dist(b - 1, b + 1));
        before = after;
        // NaN (a zero-length side) is no turn.
        if (!(limit < cosine)) continue;
        double delta = initialBearing(latDeg(s, b), lonDeg(s, b), latDeg(s, b + 1), lonDeg(s, b + 1)) -
                       initialBearing(latDeg(s, b - 1), lonDeg(s, b - 1), latDeg(s, b), lonDeg(s, b));
        if (delta < 0) delta += 360;
        s.partMark[b] = delta < 180 ? kMarkRight : kMarkLeft;
        ++found;
    }
    s.partMark[s.count - 1] = kMarkEnd;
    return found;
}

void applyTurnWarnings(Context& ctx, std::vector<double>* legs) {
    PointStore& s = ctx.store;
    const int64_t w = ctx.settings.TurnWarnings;
    if (w <= 0) return;
    std::vector<WarningPoint> added;
    // r: warning time still to cover before the turn, in seconds; always above 0.
    double r = static_cast<double>(w);
    for (int32_t n = s.count - 2; n >= 1; --n) {
        if (!isTurnMark(s.partMark[n])) {
            r = static_cast<double>(w);
            continue;
        }
        const double t = static_cast<double>(s.time[n]) - static_cast<double>(s.time[n - 1]);
        if (r > t) {
            if (n != 1 && !isTurnMark(s.partMark[n - 1])) {
                // The whole segment lies inside the warning time: the mark moves back a point.
                s.partMark[n - 1] = s.partMark[n];
                s.partMark[n] = kMarkPlain;
                r -= t;
                continue;
            }
            if (t < 0.5) {
                r = static_cast<double>(w);
                continue;
            }
            r = t;
        }
        int32_t lat, lon, time;
        interpolateInto(s, n, r / t, lat, lon, time);
        r = static_cast<double>(w);
        if (time == s.time[n - 1] && n != 1 && !isTurnMark(s.partMark[n - 1])) {
            s.partMark[n - 1] = s.partMark[n];
            s.partMark[n] = kMarkPlain;
            --n;  // the moved mark is not examined again
            continue;
        }
        // No point so close to the turn that it would share its time; none past the capacity.
        if (static_cast<double>(s.time[n]) - time < 0.5 || s.count + static_cast<int32_t>(added.size()) >= kMaxPoints)
            continue;
        // The walk reads no point from n on again, so the new point can wait for the end.
        added.push_back({n, lat, lon, time, s.alt[n], s.altValid[n], s.via[n], s.partMark[n]});
        s.partMark[n] = kMarkPlain;
    }
    insertWarningPoints(s, added, legs);
}

int32_t prepareCourse(Context& ctx, int64_t now, std::vector<double>* legs) {
    if (legs != nullptr) legs->clear();
    // Making the times moves no point, so marking the turns measures the same positions.
    std::optional<DistanceCache> dist;
    if (ctx.settings.CoursePoints == 1 && ctx.store.count > 0) dist.emplace(ctx.store);
    assignCourseTimes(ctx, now, legs, dist ? &*dist : nullptr);
    if (ctx.settings.CoursePoints != 1) return 0;
    int32_t found = markCoursePoints(ctx, legs, dist ? &*dist : nullptr);
    applyTurnWarnings(ctx, legs);
    return found;
}

}  // namespace trakor
