// SPDX-License-Identifier: GPL-3.0-or-later
// Writers of the waypoint, route and track records and the program's templates.
#include <algorithm>
#include <cstring>

#include "gdb/records.h"

namespace trakor {

Subclass subclassTemplate(uint8_t marker) {
    Subclass s{};
    for (size_t i = 4; i < 16; ++i) s[i] = 0xFF;
    for (size_t i = 18; i < 22; ++i) s[i] = 0xFF;
    s[8] = marker;
    return s;
}

std::array<uint8_t, kClassBlockSize> classBlock(uint8_t classByte, uint8_t marker) {
    std::array<uint8_t, kClassBlockSize> b{};
    b[kClassBlockClassByte] = classByte;
    // bytes 1..3: rest of the class; byte 4: the empty country string
    Subclass s = subclassTemplate(marker);
    std::copy(s.begin(), s.end(), b.begin() + 5);
    return b;
}

std::array<uint8_t, kWaypointTailSize> waypointTail(uint16_t symbol) {
    std::array<uint8_t, kWaypointTailSize> t{};
    // comment (1), proximity flag (1), display (4), colour (4), then the symbol
    t[10] = static_cast<uint8_t>(symbol & 0xFF);
    t[11] = static_cast<uint8_t>(symbol >> 8);
    return t;
}

namespace {
void writeOptionalDouble(ByteStream& out, bool present, double v) {
    writeU8(out, present ? 1 : 0);
    if (present) writeDouble(out, v);
}

void writeZeros(ByteStream& out, size_t n) {
    static const uint8_t zeros[16] = {};
    while (n > 0) {
        size_t k = n < sizeof zeros ? n : sizeof zeros;
        out.write(zeros, k);
        n -= k;
    }
}

// Name, class, country and subclass: the same in waypoints and route points.
void writeNameAndClass(ByteStream& out, const std::string& name, int32_t cls, const std::string& country,
                       const Subclass& subclass) {
    writeString(name, out);
    writeInt32(out, cls);
    writeString(country, out);
    out.write(subclass.data(), subclass.size());
}
}  // namespace

void writeAltitude(ByteStream& out, const Altitude& alt) { writeOptionalDouble(out, alt.valid, alt.metres); }

void writeBox(ByteStream& out, const GdbBox& box) {
    writeInt32(out, box.maxLat);
    writeInt32(out, box.maxLon);
    writeOptionalDouble(out, box.maxAlt != 0.0, box.maxAlt);
    writeInt32(out, box.minLat);
    writeInt32(out, box.minLon);
    writeOptionalDouble(out, box.minAlt != 0.0, box.minAlt);
}

void writeWaypointRecord(ByteStream& out, const GdbWaypoint& w, char version) {
    beginRecord(out, 'W');
    writeNameAndClass(out, w.wptName, w.wptClass, w.wptCountry, w.wptSubclass);
    writeInt32(out, w.wptLat);
    writeInt32(out, w.wptLon);
    writeAltitude(out, w.wptAltitude);
    writeString(w.wptComment, out);
    writeOptionalDouble(out, w.hasProximity, w.wptProximity);
    writeInt32(out, w.wptDisplay);
    writeInt32(out, w.wptColour);
    writeInt32(out, w.wptSymbol);
    writeString(w.wptCity, out);
    writeString(w.wptState, out);
    writeString(w.wptFacility, out);
    writeU8(out, w.spareByte);
    writeOptionalDouble(out, w.hasDepth, w.wptDepth);
    if (!w.trailing.empty()) {
        out.write(w.trailing.data(), w.trailing.size());
    } else {
        writeZeros(out, 12);
        if (version == kGdbVersion3) writeZeros(out, 9);
    }
    endRecord(recordDataLength(out), out);
}

void writeRouteHead(ByteStream& out, const std::string& name, uint8_t autoName, const GdbBox* box, int32_t pointCount) {
    writeString(name, out);
    writeU8(out, autoName);
    writeU8(out, box ? 0 : 1);
    if (box) writeBox(out, *box);
    writeInt32(out, pointCount);
}

void writeRoutePoint(ByteStream& out, const GdbRoutePoint& p, char version) {
    writeNameAndClass(out, p.rptName, p.rptClass, p.rptCountry, p.rptSubclass);
    out.write(p.fixed19.data(), p.fixed19.size());
    if (p.fixed19[0] != 0) out.write(p.extra.data(), p.extra.size());
    writeInt32(out, static_cast<int32_t>(p.links.size()));
    for (const GdbLinkPoint& lp : p.links) {
        writeInt32(out, lp.lat);
        writeInt32(out, lp.lon);
        writeAltitude(out, lp.alt);
    }
    writeU8(out, p.hasBox ? 0 : 1);
    if (p.hasBox) writeBox(out, p.box);
    if (version == kGdbVersion2) out.write(p.tail.data(), 8);
    if (version == kGdbVersion3) out.write(p.tail.data(), 10);
}

void writeRouteTail(ByteStream& out, int32_t colour, char version, std::span<const std::string> linkTexts) {
    if (version == kGdbVersion3) {
        writeInt32(out, static_cast<int32_t>(linkTexts.size()));
        for (const std::string& s : linkTexts) writeString(s, out);
        writeInt32(out, colour);
        writeU8(out, 0);
    }
    writeU8(out, 0);
}

void writeRouteRecord(ByteStream& out, const GdbRoute& r, char version) {
    beginRecord(out, 'R');
    writeRouteHead(out, r.rteName, r.rteAutoName, r.hasBox ? &r.box : nullptr, static_cast<int32_t>(r.points.size()));
    for (const GdbRoutePoint& p : r.points) writeRoutePoint(out, p, version);
    writeRouteTail(out, r.rteColour, version, r.linkTexts);
    endRecord(recordDataLength(out), out);
}

void writeTrackHead(ByteStream& out, const std::string& name, uint8_t display, int32_t colour, int32_t pointCount) {
    writeString(name, out);
    writeU8(out, display);
    writeInt32(out, colour);
    writeInt32(out, pointCount);
}

namespace {
// Little-endian into a point's byte buffer; returns the position after.
uint8_t* putLittle(uint8_t* b, uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
    return b + n;
}
uint8_t* putOptionalDouble(uint8_t* b, bool present, double v) {
    *b++ = present ? 1 : 0;
    if (!present) return b;
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return putLittle(b, bits, 8);
}
}  // namespace

// One write per point: a track can hold a million of them.
void writeTrackPoint(ByteStream& out, const GdbTrackPoint& p) {
    uint8_t b[4 + 4 + 9 + 5 + 9 + 9];
    uint8_t* e = putLittle(b, static_cast<uint32_t>(p.tptLat), 4);
    e = putLittle(e, static_cast<uint32_t>(p.tptLon), 4);
    e = putOptionalDouble(e, p.alt.valid, p.alt.metres);
    *e++ = p.tptTime != 0 ? 1 : 0;
    if (p.tptTime != 0) e = putLittle(e, static_cast<uint32_t>(p.tptTime), 4);
    e = putOptionalDouble(e, p.hasDepth, p.tptDepth);
    e = putOptionalDouble(e, p.hasTemperature, p.tptTemperature);
    out.write(b, static_cast<size_t>(e - b));
}

void writeTrackTail(ByteStream& out, char version) { writeZeros(out, version == kGdbVersion3 ? 4 : 1); }

void writeTrackRecord(ByteStream& out, const GdbTrack& t, char version) {
    beginRecord(out, 'T');
    writeTrackHead(out, t.trkName, t.trkDisplay, t.trkColour, static_cast<int32_t>(t.points.size()));
    for (const GdbTrackPoint& p : t.points) writeTrackPoint(out, p);
    writeTrackTail(out, version);
    endRecord(recordDataLength(out), out);
}

}  // namespace trakor
