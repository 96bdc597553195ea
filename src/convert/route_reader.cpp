// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/route_reader.h"

#include <climits>
#include <string>
#include <vector>

#include "convert/convert_texts.h"
#include "convert/geometry.h"
#include "convert/glitches.h"
#include "convert/split.h"
#include "core/context.h"
#include "gdb/records.h"

namespace trakor {

namespace {

// Row of the waypoint a route point names. A name the index lacks gets a row of its own, so
// that the point keeps its name and its waypoint record is written with the route.
int32_t rowFor(Context& ctx, const std::string& name, uint8_t pointClass) {
    int32_t r = ctx.waypointIndex.find(name);
    if (r != 0) return r;
    ctx.waypointIndex.add(ctx.run.savedRouteMarker != 0 ? 1 : 0, pointClass != 0 ? pointClass : kClassRoutePoint, name);
    ctx.waypointIndex.rows.back().added = true;
    return static_cast<int32_t>(ctx.waypointIndex.rows.size());
}

// Via value of the first and the last route point: -row for a waypoint with a class, +row for a user waypoint.
int32_t endPointVia(Context& ctx, const GdbRoutePoint& rp) {
    int32_t r = rowFor(ctx, rp.rptName, rp.classByte());
    return ctx.waypointIndex.row(r).cls != 0 ? -r : r;
}

// Via value of a route point between the first and the last.
int32_t innerPointVia(Context& ctx, const GdbRoutePoint& rp) {
    const bool priority = ctx.settings.WaypointPriority == 1;
    if (rp.classByte() != 0) {
        if (isInvisibleMarker(rp.marker())) return 0;  // a direction point
        return priority ? -rowFor(ctx, rp.rptName, rp.classByte()) : 0;
    }
    const int32_t r = rowFor(ctx, rp.rptName, 0);
    const WaypointRow& row = ctx.waypointIndex.row(r);
    if (row.added) return -r;  // a user waypoint missing from the file is written with the route
    if (row.cls != 0) return priority ? -r : 0;
    return r;
}

void addLinkPoint(Context& ctx, const GdbLinkPoint& lp, int32_t via) {
    ctx.store.addPoint(ctx.run, lp.lat, lp.lon, lp.alt.valid ? lp.alt.metres : 0.0, lp.alt.valid ? 1 : 0, via, 0);
}

// The route points into the store: each point's first link point stands for the point itself,
// the others are the shape of its leg.
void storeRoutePoints(Context& ctx, const GdbRoute& route, int option) {
    const bool routePointsOnly = option == 12 || option == 14;
    const GdbLinkPoint* last = nullptr;
    for (size_t k = 0; k < route.points.size(); ++k) {
        const GdbRoutePoint& rp = route.points[k];
        for (size_t p = 0; p < rp.links.size(); ++p) {
            last = &rp.links[p];
            if (p == 0)
                addLinkPoint(ctx, *last, k == 0 ? endPointVia(ctx, rp) : innerPointVia(ctx, rp));
            else if (!routePointsOnly)
                addLinkPoint(ctx, *last, 0);
        }
    }
    // The last route point has no link points of its own: it stands where the last leg ended.
    if (last != nullptr) addLinkPoint(ctx, *last, endPointVia(ctx, route.points.back()));
}

}  // namespace

void readGdbRoute(Context& ctx, ByteStream& in, int32_t recordLength, int option) {
    PointStore& s = ctx.store;
    s.count = 0;
    GdbRoute route;
    const int result = readRouteRecord(in, recordLength, ctx.run.outputVersion, route);
    s.name = route.rteName;
    ctx.run.autoName = route.rteAutoName == 1 ? 1 : 0;
    storeRoutePoints(ctx, route, option);
    ctx.run.displayColor = 14;
    if (ctx.run.outputVersion == kGdbVersion3 && result == kRecordOk && route.colourIndex() != 0)
        ctx.run.displayColor = route.colourIndex();
}

int removeGlitchesAndSplitRoute(Context& ctx, int option) {
    PointStore& s = ctx.store;
    removeGlitches(ctx);
    if (s.count < 2) {
        if (!ctx.run.noteLeftOut(s.name, true, RunState::tooFew(s.count)))
            tell(ctx, texts::kRouteNotConverted.key, texts::kRouteNotConverted.english, MsgStyle::Plain,
                 ctx.run.routeCounter);
        ++ctx.run.routeFailures;
        return 1;
    }
    if (option == 15) {
        if (s.count >= 3 && spreadViaPoints(ctx) == 1)
            ctx.run.setInfo(2, formatText(ctx, texts::kTooManyViaPoints, s.count, ctx.settings.MaximumPoints));
        return 0;
    }
    for (int filtered : splitAndFilter(ctx).filterResults) {
        if (filtered == 1) ctx.run.setInfo(2, formatText(ctx, texts::kRouteBadlyFiltered, ctx.run.routeCounter));
    }
    return 0;
}

int spreadViaPoints(Context& ctx) {
    PointStore& s = ctx.store;
    const int32_t maxPoints = ctx.settings.MaximumPoints;
    if (s.count < 1) return 0;

    // Number of intervals: by Maximum Points, or fewer when Extra Distance asks for fewer.
    double intervals = maxPoints - 1;
    if (ctx.settings.ExtraDistance > 0) {
        double byDistance = trackLength(s) / (ctx.settings.ExtraDistance * 1000.0);
        if (byDistance < intervals) intervals = byDistance;
    }
    int32_t n = static_cast<int32_t>(intervals);
    if (n < 1) n = 1;
    int64_t k = s.count / n + 1;

    // Lengths of the runs of ordinary points between via points; each run of length L
    // yields L / k extra points at spacing k.
    int64_t viaCount = 1;
    std::vector<int32_t> runs;
    int32_t run = 0;
    for (int32_t i = 1; i < s.count; ++i) {
        if (s.via[i] != 0) {
            ++viaCount;
            if (run > 0) runs.push_back(run);
            run = 0;
        } else {
            ++run;
        }
    }
    if (run > 0) runs.push_back(run);
    auto extras = [&](int64_t spacing) {
        int64_t e = 1;
        for (int32_t r : runs) e += r / spacing;
        return e;
    };
    if (viaCount >= maxPoints - 1 || viaCount >= s.count - 1) {
        k = INT64_MAX;  // the via points alone fill the route
    } else if (viaCount + extras(k) > maxPoints - 1) {
        // The smallest larger spacing that fits; extras() never grows with the spacing, and
        // a spacing past the longest run leaves one extra point, which always fits.
        int64_t lo = k, hi = 1;
        for (int32_t r : runs) hi = r + 1 > hi ? r + 1 : hi;
        if (hi < lo) hi = lo;
        while (hi - lo > 1) {
            int64_t mid = lo + (hi - lo) / 2;
            (viaCount + extras(mid) > maxPoints - 1 ? lo : hi) = mid;
        }
        k = hi;
    }

    // Keep point 0, every via point and every k-th ordinary point since the last kept one.
    int32_t kept = 1;
    int64_t counter = 0;
    bool lastKept = false;
    for (int32_t i = 1; i < s.count; ++i) {
        ++counter;
        lastKept = s.via[i] != 0 || counter == k;
        if (!lastKept) continue;
        counter = 0;
        s.copyPoint(kept, i);
        ++kept;
    }
    if (s.count > 1 && !lastKept) {
        const int32_t i = s.count - 1;
        s.copyPoint(kept, i);
        ++kept;
    }
    s.count = kept;
    return s.count > maxPoints ? 1 : 0;
}

}  // namespace trakor
