// SPDX-License-Identifier: GPL-3.0-or-later
// Builds GDB file images for the tests: a header of any version and creator, records written
// by the program's writers, and the extra bytes of later versions.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "convert/geometry.h"
#include "core/context.h"
#include "gdb/records.h"

namespace trakor::test {

// The box the program writes over these points: through the point store and boundingBox.
inline GdbBox boxOver(const std::vector<GdbLinkPoint>& points) {
    Context ctx;
    for (const GdbLinkPoint& p : points) ctx.store.addPoint(ctx.run, p.lat, p.lon, p.alt.metres, p.alt.valid, 0, 0);
    BoundingBox b = boundingBox(ctx.store, 0, ctx.store.count - 1);
    return {b.maxLat, b.maxLon, b.maxAlt, b.minLat, b.minLon, b.minAlt};
}

class GdbImage {
public:
    // Header with the given version byte and creator name (creator record as MapSource writes it).
    explicit GdbImage(uint8_t version = 'm', const std::string& creator = "MapSource") : version_(version) {
        const uint8_t head[] = {'M', 's', 'R', 'c', 'f', 0, 2, 0, 0, 0, 'D', version, 0};
        out.write(head, sizeof head);
        beginRecord(out, 'A');
        writeU16(out, 355);
        writeString("SQA", out);
        writeString("Aug  8 2005", out);
        writeString("10:17:17", out);
        endRecord(recordDataLength(out), out);
        writeString(creator, out);
        headerLength = static_cast<int32_t>(out.tell());
    }

    // Layout of version-3 records (later versions add their extra bytes on top).
    char layout() const { return version_ == 'k' || version_ == 'l' ? static_cast<char>(version_) : 'm'; }

    GdbImage& waypoint(const GdbWaypoint& w) {
        size_t at = out.bytes().size();
        writeWaypointRecord(out, w, layout());
        appendToRecord(at, waypointExtra());
        return *this;
    }
    GdbImage& waypoint(const std::string& name, uint8_t cls = 0, uint8_t marker = kMarkerNormal, int32_t lat = 0,
                       int32_t lon = 0) {
        GdbWaypoint w;
        w.wptName = name;
        w.setClassAndMarker(cls, marker);
        w.wptLat = lat;
        w.wptLon = lon;
        return waypoint(w);
    }
    GdbImage& route(const GdbRoute& r) {
        beginRecord(out, 'R');
        writeRouteHead(out, r.rteName, r.rteAutoName, r.hasBox ? &r.box : nullptr, static_cast<int32_t>(r.points.size()));
        for (const GdbRoutePoint& p : r.points) {
            writeRoutePoint(out, p, layout());
            extra(routePointExtra());
        }
        writeRouteTail(out, r.rteColour, layout(), r.linkTexts);
        endRecord(recordDataLength(out), out);
        return *this;
    }
    GdbImage& route(const std::string& name) {
        GdbRoute r;
        r.rteName = name;
        return route(r);
    }
    GdbImage& track(const GdbTrack& t) {
        beginRecord(out, 'T');
        writeTrackHead(out, t.trkName, t.trkDisplay, t.trkColour, static_cast<int32_t>(t.points.size()));
        for (const GdbTrackPoint& p : t.points) {
            writeTrackPoint(out, p);
            extra(trackPointExtra());
        }
        writeTrackTail(out, layout());
        endRecord(recordDataLength(out), out);
        return *this;
    }
    GdbImage& raw(const std::vector<uint8_t>& bytes) {
        out.write(bytes.data(), bytes.size());
        return *this;
    }
    GdbImage& end() {
        writeEndRecord(out);
        return *this;
    }

    const std::vector<uint8_t>& bytes() { return out.bytes(); }
    MemoryStream stream() { return MemoryStream(out.bytes()); }

    MemoryStream out;
    int32_t headerLength = 0;

private:
    bool later84() const { return version_ == 0x84 || version_ == 0x8A; }
    size_t waypointExtra() const { return version_ == 0x73 ? 3 : later84() ? 5 : 0; }
    size_t routePointExtra() const { return version_ == 0x73 ? 5 : later84() ? 9 : 0; }
    size_t trackPointExtra() const { return later84() ? 4 : 0; }
    // Extra bytes of later versions: recognisable, never zero.
    void extra(size_t n) {
        for (size_t i = 0; i < n; ++i) writeU8(out, static_cast<uint8_t>(0xE0 + i));
    }
    // Appends n extra bytes to the record that starts at `at` and patches its length.
    void appendToRecord(size_t at, size_t n) {
        if (n == 0) return;
        extra(n);
        auto& b = out.bytes();
        int32_t len = 0;
        std::memcpy(&len, &b[at], 4);
        len += static_cast<int32_t>(n);
        std::memcpy(&b[at], &len, 4);
    }

    uint8_t version_;
};

}  // namespace trakor::test
