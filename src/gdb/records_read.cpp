// SPDX-License-Identifier: GPL-3.0-or-later
// Readers of the waypoint, route and track records, bounded by the record's data.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "gdb/records.h"

namespace trakor {

namespace {

// Reads fields from the data of one record; a field that would cross the end is not read and
// stops every later read.
class FieldCursor {
public:
    FieldCursor(const uint8_t* data, size_t size) : d_(data), n_(size) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t left() const { return n_ - pos_; }

    bool take(void* dst, size_t k) {
        if (!ok_ || left() < k) {
            ok_ = false;
            return false;
        }
        if (dst && k) std::memcpy(dst, d_ + pos_, k);
        pos_ += k;
        return true;
    }
    uint8_t u8() {
        uint8_t v = 0;
        take(&v, 1);
        return v;
    }
    int32_t i32() {
        uint8_t b[4] = {};
        if (!take(b, 4)) return 0;
        return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                    (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
    }
    double f64() {
        uint8_t b[8] = {};
        if (!take(b, 8)) return 0.0;
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | b[i];
        double out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }
    // A zero-terminated string of at most kMaxGdbString bytes with its terminator.
    std::string str() {
        if (!ok_ || left() == 0) {
            ok_ = false;
            return {};
        }
        size_t limit = std::min(left(), static_cast<size_t>(kMaxGdbString));
        const void* zero = std::memchr(d_ + pos_, 0, limit);
        if (!zero) {
            ok_ = false;
            return {};
        }
        size_t len = static_cast<const uint8_t*>(zero) - (d_ + pos_);
        std::string s(reinterpret_cast<const char*>(d_ + pos_), len);
        pos_ += len + 1;
        return s;
    }
    Altitude altitude() {
        Altitude a;
        if (u8() != 0) {
            a.metres = f64();
            a.valid = ok_;
        }
        return a;
    }
    bool optionalDouble(double& v) {
        if (u8() == 0) return false;
        v = f64();
        return ok_;
    }
    // Non-negative count of repeated items; a negative count stops the parse.
    int32_t count() {
        int32_t c = i32();
        if (c < 0) ok_ = false;
        return ok_ ? c : 0;
    }

private:
    const uint8_t* d_;
    size_t n_;
    size_t pos_ = 0;
    bool ok_ = true;
};

int result(const FieldCursor& c) { return c.ok() ? kRecordOk : kRecordTruncated; }

GdbBox readBox(FieldCursor& c) {
    GdbBox b;
    b.maxLat = c.i32();
    b.maxLon = c.i32();
    b.maxAlt = c.altitude().metres;
    b.minLat = c.i32();
    b.minLon = c.i32();
    b.minAlt = c.altitude().metres;
    return b;
}

// Reserve for a count taken from the file, no more than the data can hold.
template <typename V>
void reserveBounded(V& v, int32_t count, const FieldCursor& c, size_t minItemSize) {
    v.reserve(std::min(static_cast<size_t>(count), c.left() / minItemSize));
}

bool readRoutePoint(FieldCursor& c, char version, GdbRoutePoint& p) {
    size_t start = c.pos();
    p.rptName = c.str();
    p.rptClass = c.i32();
    p.rptCountry = c.str();
    c.take(p.rptSubclass.data(), p.rptSubclass.size());
    c.take(p.fixed19.data(), p.fixed19.size());
    if (c.ok() && p.fixed19[0] != 0) c.take(p.extra.data(), p.extra.size());
    int32_t links = c.count();
    reserveBounded(p.links, links, c, 9);
    for (int32_t i = 0; i < links && c.ok(); ++i) {
        GdbLinkPoint lp;
        lp.lat = c.i32();
        lp.lon = c.i32();
        lp.alt = c.altitude();
        if (c.ok()) p.links.push_back(lp);
    }
    p.hasBox = c.u8() == 0 && c.ok();
    if (p.hasBox) p.box = readBox(c);
    if (version == kGdbVersion2) c.take(p.tail.data(), 8);
    if (version == kGdbVersion3) c.take(p.tail.data(), 10);
    p.offset = static_cast<int32_t>(start);
    p.size = static_cast<int32_t>(c.pos() - start);
    return c.ok();
}

// Reads a record's data (bounded by what the stream still holds) and hands it to a parser.
template <typename Rec, typename Parse>
int readRecordData(ByteStream& in, int32_t length, char version, Rec& rec, Parse parse) {
    rec = Rec{};
    if (length < 0) return kRecordTruncated;
    const size_t want = static_cast<size_t>(length);
    // A long record (a track of many points) that the data hold is read in one piece into
    // memory that is not cleared first.
    constexpr size_t kStep = size_t{1} << 16;
    if (want > kStep) {
        const int64_t here = in.tell(), total = in.size();
        if (here >= 0 && total >= here && want <= static_cast<uint64_t>(total - here)) {
            std::unique_ptr<uint8_t[]> bytes(new uint8_t[want]);
            const size_t got = in.read(bytes.get(), want);
            const int r = parse(bytes.get(), got, version, rec);
            return got < want ? kRecordTruncated : r;
        }
    }
    // Otherwise in steps, so a length larger than the data never allocates for itself.
    std::vector<uint8_t> data;
    size_t got = 0;
    while (got < want) {
        size_t step = std::min(want - got, static_cast<size_t>(1) << 16);
        data.resize(got + step);
        size_t k = in.read(data.data() + got, step);
        got += k;
        if (k < step) break;
    }
    int r = parse(data.data(), got, version, rec);
    return got < static_cast<size_t>(length) ? kRecordTruncated : r;
}

}  // namespace

bool locateClassBlock(const uint8_t* data, size_t length, ClassBlockPos& pos) {
    if (!data || length == 0) return false;
    const void* z = std::memchr(data, 0, length);
    if (!z) return false;
    size_t nameLen = static_cast<const uint8_t*>(z) - data;
    size_t country = nameLen + 1 + 4;
    if (country >= length) return false;
    const void* cz = std::memchr(data + country, 0, length - country);
    if (!cz) return false;
    size_t subclass = static_cast<size_t>(static_cast<const uint8_t*>(cz) - data) + 1;
    if (subclass > length || length - subclass < 22) return false;
    pos.nameLength = nameLen;
    pos.classByte = nameLen + 1;
    pos.marker = subclass + 8;
    return true;
}

int parseWaypoint(const uint8_t* data, size_t length, char version, GdbWaypoint& w) {
    w = GdbWaypoint{};
    FieldCursor c(data, length);
    w.wptName = c.str();
    w.wptClass = c.i32();
    w.wptCountry = c.str();
    c.take(w.wptSubclass.data(), w.wptSubclass.size());
    w.wptLat = c.i32();
    w.wptLon = c.i32();
    w.wptAltitude = c.altitude();
    w.wptComment = c.str();
    w.hasProximity = c.optionalDouble(w.wptProximity);
    w.wptDisplay = c.i32();
    w.wptColour = c.i32();
    w.symbolOffset = static_cast<int32_t>(c.pos());
    w.wptSymbol = c.i32();
    w.wptCity = c.str();
    w.wptState = c.str();
    w.wptFacility = c.str();
    w.spareByte = c.u8();
    w.hasDepth = c.optionalDouble(w.wptDepth);
    w.tailOffset = static_cast<int32_t>(c.pos());
    if (c.ok() && c.left() > 0) {
        w.trailing.resize(c.left());
        c.take(w.trailing.data(), w.trailing.size());
    }
    return result(c);
}

int parseRoute(const uint8_t* data, size_t length, char version, GdbRoute& r) {
    r = GdbRoute{};
    FieldCursor c(data, length);
    r.rteName = c.str();
    r.rteAutoName = c.u8();
    r.hasBox = c.u8() == 0 && c.ok();
    if (r.hasBox) r.box = readBox(c);
    int32_t n = c.count();
    // A route point takes at least 1 + 4 + 1 + 22 + 19 + 4 + 1 bytes.
    reserveBounded(r.points, n, c, 52);
    for (int32_t i = 0; i < n && c.ok(); ++i) {
        GdbRoutePoint p;
        if (readRoutePoint(c, version, p)) r.points.push_back(std::move(p));
    }
    if (version == kGdbVersion3 && c.ok()) {
        int32_t texts = c.count();
        for (int32_t i = 0; i < texts && c.ok(); ++i) {
            std::string s = c.str();
            if (c.ok()) r.linkTexts.push_back(std::move(s));
        }
        r.rteColour = c.i32();
    }
    r.dataUsed = c.pos();
    return result(c);
}

int parseTrack(const uint8_t* data, size_t length, char version, GdbTrack& t,
               const std::function<void(const GdbTrackPoint&)>& onPoint) {
    t = GdbTrack{};
    FieldCursor c(data, length);
    t.trkName = c.str();
    t.trkDisplay = c.u8();
    t.trkColour = c.i32();
    int32_t n = c.count();
    // A track point takes at least 8 + 4 flag bytes.
    if (!onPoint) reserveBounded(t.points, n, c, 12);
    for (int32_t i = 0; i < n && c.ok(); ++i) {
        GdbTrackPoint p;
        p.tptLat = c.i32();
        p.tptLon = c.i32();
        p.alt = c.altitude();
        int32_t time = 0;
        if (c.u8() != 0) time = c.i32();
        p.tptTime = time;
        p.hasDepth = c.optionalDouble(p.tptDepth);
        p.hasTemperature = c.optionalDouble(p.tptTemperature);
        if (!c.ok()) break;
        if (onPoint)
            onPoint(p);
        else
            t.points.push_back(p);
    }
    t.dataUsed = c.pos();
    return result(c);
}

int parseTrack(const uint8_t* data, size_t length, char version, GdbTrack& t) {
    return parseTrack(data, length, version, t, nullptr);
}

int readWaypointRecord(ByteStream& in, int32_t length, char version, GdbWaypoint& wpt) {
    return readRecordData(in, length, version, wpt, parseWaypoint);
}

int readRouteRecord(ByteStream& in, int32_t length, char version, GdbRoute& rte) {
    return readRecordData(in, length, version, rte, parseRoute);
}

int readTrackRecord(ByteStream& in, int32_t length, char version, GdbTrack& trk) {
    return readRecordData(in, length, version, trk,
                          static_cast<int (*)(const uint8_t*, size_t, char, GdbTrack&)>(parseTrack));
}

int readTrackRecord(ByteStream& in, int32_t length, char version, GdbTrack& trk,
                    const std::function<void(const GdbTrackPoint&)>& onPoint) {
    return readRecordData(in, length, version, trk,
                          [&onPoint](const uint8_t* data, size_t n, char v, GdbTrack& t) {
                              return parseTrack(data, n, v, t, onPoint);
                          });
}

}  // namespace trakor
