// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/route_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "convert/buffered_record.h"
#include "convert/geometry.h"
#include "core/context.h"
#include "gdb/records.h"

namespace trakor {

namespace {

bool fromWaypointIndex(int option) { return option == 13 || option == 14 || option == 15; }

// The waypoint index row a via value of a GDB route refers to, or null when it lies outside.
const WaypointRow* viaRow(const Context& ctx, int32_t via) {
    int64_t r = via < 0 ? -static_cast<int64_t>(via) : via;
    if (r < 1 || r > static_cast<int64_t>(ctx.waypointIndex.rows.size())) return nullptr;
    return &ctx.waypointIndex.rows[static_cast<size_t>(r - 1)];
}

Altitude altitudeOf(const PointStore& s, int32_t i) { return {s.altValid[i] != 0, s.alt[i]}; }

GdbLinkPoint linkPoint(const PointStore& s, int32_t i) { return {s.lat[i], s.lon[i], altitudeOf(s, i)}; }

// The box field over points first to last of the store.
GdbBox boxOf(const PointStore& s, int32_t first, int32_t last) {
    const BoundingBox b = boundingBox(s, first, last);
    return {b.maxLat, b.maxLon, b.maxAlt, b.minLat, b.minLon, b.minAlt};
}

// Waypoints for options 13 to 15: user waypoints (positive via) stay as the pass copies them;
// a via point's waypoint is written once; other points get a generated one.
void writeIndexedWaypoint(Context& ctx, ByteStream& out, int32_t j, int option, uint16_t symbol) {
    const int32_t via = ctx.store.via[j];
    const WaypointRow* row = via != 0 ? viaRow(ctx, via) : nullptr;
    if (row != nullptr && via > 0) return;
    if (row == nullptr) {
        writeWaypoint(ctx, out, pointName(ctx, j), j, option, symbol, 1);
        return;
    }
    const std::string name = row->name;
    int32_t first = ctx.waypointIndex.find(name);
    if (first != 0) {
        WaypointRow& r = ctx.waypointIndex.row(first);
        if (r.inOutput == 1) return;
        r.inOutput = 1;
    }
    writeWaypoint(ctx, out, name, j, option, symbol, 1);
}

// The box field over link points.
GdbBox boxOf(std::span<const GdbLinkPoint> links) {
    GdbBox b;
    bool first = true;
    auto take = [&](const GdbLinkPoint& p) {
        const double alt = p.alt.valid ? p.alt.metres : 0.0;
        if (first) {
            b = {p.lat, p.lon, alt, p.lat, p.lon, alt};
            first = false;
            return;
        }
        b.maxLat = std::max(b.maxLat, p.lat);
        b.maxLon = std::max(b.maxLon, p.lon);
        b.maxAlt = std::max(b.maxAlt, alt);
        b.minLat = std::min(b.minLat, p.lat);
        b.minLon = std::min(b.minLon, p.lon);
        b.minAlt = std::min(b.minAlt, alt);
    };
    for (const GdbLinkPoint& p : links) take(p);
    return b;
}

}  // namespace

std::string pointName(const Context& ctx, int32_t i) {
    const int32_t via = ctx.store.via[i];
    if (ctx.run.inputType == InputType::Itn && via != 0) {
        const std::vector<char>& pool = ctx.run.namePool;
        int64_t at = (via < 0 ? -static_cast<int64_t>(via) : via) - 1;
        if (at >= 0 && at < static_cast<int64_t>(pool.size())) {
            const char* start = pool.data() + at;
            const void* zero = std::memchr(start, 0, pool.size() - static_cast<size_t>(at));
            size_t len = zero ? static_cast<size_t>(static_cast<const char*>(zero) - start) : pool.size() - at;
            return std::string(start, len);
        }
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%c%lld", static_cast<char>(ctx.settings.Prefix),
                  static_cast<long long>(ctx.run.nextWaypointNumber) + i);
    return buf;
}

GdbWaypoint waypointAt(const Context& ctx, std::string_view name, int32_t i, int option, uint16_t symbol,
                       int visible) {
    const PointStore& s = ctx.store;
    GdbWaypoint w;
    w.wptName = std::string(name);
    const uint8_t marker = visible == 1 ? kMarkerVia : kMarkerInvisible;
    if (fromWaypointIndex(option)) {
        const int32_t r = ctx.waypointIndex.find(w.wptName);
        const uint8_t cls = r != 0 ? ctx.waypointIndex.rows[static_cast<size_t>(r - 1)].cls : kClassRoutePoint;
        w.setClassAndMarker(cls, marker);
    } else if (option == 22 || option == 23) {
        w.setClassAndMarker(kClassRoutePoint, marker);
    }
    w.wptLat = s.lat[i];
    w.wptLon = s.lon[i];
    w.wptAltitude = altitudeOf(s, i);
    w.wptSymbol = symbol;
    return w;
}

void writeWaypoint(Context& ctx, ByteStream& out, std::string_view name, int32_t i, int option, uint16_t symbol,
                   int visible) {
    const GdbWaypoint w = waypointAt(ctx, name, i, option, symbol, visible);
    writeBuffered(out, [&](ByteStream& rec) { writeWaypointRecord(rec, w, ctx.run.outputVersion); });
}

void writeRoutePart(Context& ctx, ByteStream& out, int part, std::string_view name, int option) {
    const PointStore& s = ctx.store;
    const char version = ctx.run.outputVersion;
    const uint16_t symbol = static_cast<uint16_t>(ctx.settings.WaypointSymbol);
    int32_t first = 0, end = 0;
    s.partRange(part, first, end);

    // The waypoints the route refers to; a part's first point was written with the part before.
    for (int32_t j = first; j < end; ++j) {
        if (option == 23) {
            writeWaypoint(ctx, out, pointName(ctx, j), j, option, symbol, j == first || j == end - 1 ? 1 : 0);
            continue;
        }
        if (j == first && first > 0) continue;
        if (fromWaypointIndex(option))
            writeIndexedWaypoint(ctx, out, j, option, symbol);
        else
            writeWaypoint(ctx, out, pointName(ctx, j), j, option, symbol, 1);
    }

    writeBuffered(out, [&](ByteStream& rec) {
        beginRecord(rec, 'R');
        const GdbBox box = boxOf(s, first, end - 1);
        writeRouteHead(rec, std::string(name), ctx.run.autoName != 0 ? 1 : 0, &box, end - first);
        for (int32_t k = first; k < end; ++k) {
            GdbRoutePoint p;
            if (fromWaypointIndex(option)) {
                const WaypointRow* row = s.via[k] != 0 ? viaRow(ctx, s.via[k]) : nullptr;
                p.rptName = row ? row->name : pointName(ctx, k);
                if (row && s.via[k] > 0)
                    p.setClassAndMarker(0, kMarkerNormal);
                else
                    p.setClassAndMarker(row ? row->cls : kClassRoutePoint, kMarkerVia);
            } else {
                p.rptName = pointName(ctx, k);
                if (option == 22) p.setClassAndMarker(kClassRoutePoint, kMarkerVia);
                if (option == 23)
                    p.setClassAndMarker(kClassRoutePoint, k == first || k == end - 1 ? kMarkerVia : kMarkerInvisible);
            }
            if (k < end - 1) {
                p.links = {linkPoint(s, k), linkPoint(s, k + 1)};
                p.hasBox = true;
                p.box = boxOf(s, k, k + 1);
            }
            writeRoutePoint(rec, p, version);
        }
        writeRouteTail(rec, ctx.run.displayColor, version);
        endRecord(recordDataLength(rec), rec);
    });
}

void writeInputRoute(Context& ctx, ByteStream& out, const std::string& name, uint8_t autoName, int32_t colour,
                     const std::vector<InputRoutePoint>& points) {
    const char version = ctx.run.outputVersion;
    GdbRoute r;
    r.rteName = name;
    r.rteAutoName = autoName;
    r.rteColour = colour;
    std::vector<GdbLinkPoint> all;
    for (const InputRoutePoint& p : points) {
        // As MapSource keeps them: a via point is a user waypoint, a shaping point a hidden one.
        const uint8_t cls = p.invisible ? kClassRoutePoint : 0;
        const uint8_t marker = p.invisible ? kMarkerInvisible : kMarkerNormal;
        const GdbLinkPoint at{p.lat, p.lon, p.alt};
        if (ctx.run.routeWaypoints.insert(p.name).second) {
            GdbWaypoint w;
            w.wptName = p.name;
            w.setClassAndMarker(cls, marker);
            w.wptLat = p.lat;
            w.wptLon = p.lon;
            w.wptAltitude = p.alt;
            w.wptSymbol = p.symbol;
            writeBuffered(out, [&](ByteStream& rec) { writeWaypointRecord(rec, w, version); });
        }
        GdbRoutePoint rp;
        rp.rptName = p.name;
        rp.setClassAndMarker(cls, marker);
        rp.links = p.links;
        rp.hasBox = !p.links.empty();
        if (rp.hasBox) rp.box = boxOf(p.links);
        r.points.push_back(std::move(rp));
        all.push_back(at);
        all.insert(all.end(), p.links.begin(), p.links.end());
    }
    r.hasBox = !all.empty();
    if (r.hasBox) r.box = boxOf(all);
    writeBuffered(out, [&](ByteStream& rec) { writeRouteRecord(rec, r, version); });
}

}  // namespace trakor
