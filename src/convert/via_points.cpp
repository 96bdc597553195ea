// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/via_points.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_map>

#include "core/context.h"
#include "gdb/file_header.h"
#include "gdb/records.h"

namespace trakor {

namespace {

// Options 1 and 2 on one class block: class low byte at cls, marker at marker.
void changeBlock(uint8_t& cls, uint8_t& marker, int option, bool routePoint) {
    if (option == 1 && !isInvisibleMarker(marker)) {
        cls = 0;
        marker = kMarkerNormal;
    } else if (option == 2 && isInvisibleMarker(marker)) {
        if (routePoint) cls = kClassRoutePoint;
        marker = kMarkerVia;
    }
}

// Positions of a route point's class block inside the record data.
bool pointBlock(const std::vector<uint8_t>& data, const GdbRoutePoint& p, ClassBlockPos& pos) {
    if (!locateClassBlock(data.data() + p.offset, static_cast<size_t>(p.size), pos)) return false;
    pos.classByte += static_cast<size_t>(p.offset);
    pos.marker += static_cast<size_t>(p.offset);
    return true;
}

int32_t int32At(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
void putInt32At(uint8_t* p, int32_t v) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
}

}  // namespace

void rewriteRouteLinks(Context& ctx, std::vector<uint8_t>& data, int option) {
    GdbRoute route;
    parseRoute(data.data(), data.size(), ctx.run.outputVersion, route);
    ClassBlockPos pos;
    for (const GdbRoutePoint& p : route.points) {
        if (pointBlock(data, p, pos)) changeBlock(data[pos.classByte], data[pos.marker], option, true);
        if (p.links.empty()) break;  // the last route point
    }
}

void rewriteWaypoint(Context& ctx, std::vector<uint8_t>& data, int option) {
    ClassBlockPos pos;
    if (!locateClassBlock(data.data(), data.size(), pos)) return;
    changeBlock(data[pos.classByte], data[pos.marker], option, false);
    GdbWaypoint w;
    parseWaypoint(data.data(), data.size(), ctx.run.outputVersion, w);
    if (w.symbolOffset > 0 && static_cast<size_t>(w.symbolOffset) + 2 <= data.size()) {
        data[w.symbolOffset] = static_cast<uint8_t>(ctx.settings.WaypointSymbol & 0xFF);
        data[w.symbolOffset + 1] = static_cast<uint8_t>((ctx.settings.WaypointSymbol >> 8) & 0xFF);
    }
}

namespace {

// A waypoint record of the file in memory: absolute offsets of the fields the pass edits.
struct WaypointAt {
    std::string name;
    size_t classByte = 0;  // class low byte; the whole class field starts here
    size_t marker = 0;     // marker; the subclass starts 8 bytes before
    size_t position = 0;   // wptLat, then wptLon
};

// The file in memory, its records and its waypoints, edited by the visibility pass.
class VisibilityEdit {
public:
    VisibilityEdit(std::vector<uint8_t>& buf, size_t headerLength, char version) : buf_(buf), version_(version) {
        size_t pos = headerLength;
        RecordView rec;
        while (nextRecord(buf_.data(), buf_.size(), pos, rec)) records_.push_back(rec);
        dataEnd_ = records_.empty() ? headerLength : records_.back().offset + 5 + records_.back().length;
        for (const RecordView& r : records_)
            if (r.type == 'W') indexWaypoint(r);
    }

    // Writes the header, every record (routes as edited) and any bytes after the last record.
    void run(Context& ctx, int option, size_t headerLength, ByteStream& out) {
        std::vector<std::vector<uint8_t>> edited(records_.size());
        std::vector<bool> replaced(records_.size(), false);
        for (size_t i = 0; i < records_.size(); ++i) {
            const RecordView& r = records_[i];
            if (r.type != 'R' || r.length == 0 || r.data[0] == '!') continue;
            ctx.run.routeCounter = 1;
            edited[i].assign(r.data, r.data + r.length);
            replaced[i] = editRoute(edited[i], option);
        }
        out.write(buf_.data(), headerLength);
        for (size_t i = 0; i < records_.size(); ++i) {
            const RecordView& r = records_[i];
            if (!replaced[i]) {
                out.write(buf_.data() + r.offset, static_cast<size_t>(r.length) + 5);
                continue;
            }
            writeInt32(out, static_cast<int32_t>(edited[i].size()));
            writeU8(out, static_cast<uint8_t>(r.type));
            out.write(edited[i].data(), edited[i].size());
        }
        const bool ended = std::any_of(records_.begin(), records_.end(), [](const RecordView& r) { return r.type == 'V'; });
        if (ended) {
            if (dataEnd_ < buf_.size()) out.write(buf_.data() + dataEnd_, buf_.size() - dataEnd_);
            return;
        }
        // A file without its end record gets one, as the other options give it; bytes left
        // that make no whole record are a record cut off.
        if (dataEnd_ < buf_.size())
            ctx.run.cutNote = cutRecordNote(buf_.size() - dataEnd_ > 4 ? static_cast<char>(buf_[dataEnd_ + 4]) : 0);
        writeEndRecord(out);
    }

    // Edits the route record at `offset`, the last record of the buffer, in place; the buffer
    // shrinks or grows with it. False when the route cannot be read whole (it then stays).
    // The records seen by the constructor are stale afterwards.
    bool editLastRoute(size_t offset, int option, bool clearAutoName) {
        std::vector<uint8_t> body(buf_.begin() + static_cast<std::ptrdiff_t>(offset) + 5, buf_.end());
        if (!editRoute(body, option, clearAutoName)) return false;
        buf_.resize(offset + 5);
        buf_.insert(buf_.end(), body.begin(), body.end());
        putInt32At(&buf_[offset], static_cast<int32_t>(body.size()));
        return true;
    }

private:
    void indexWaypoint(const RecordView& r) {
        GdbWaypoint w;
        ClassBlockPos pos;
        if (!locateClassBlock(r.data, static_cast<size_t>(r.length), pos)) return;
        parseWaypoint(r.data, static_cast<size_t>(r.length), version_, w);
        const size_t base = r.offset + 5;
        WaypointAt at;
        at.name = w.wptName;
        at.classByte = base + pos.classByte;
        at.marker = base + pos.marker;
        at.position = base + pos.marker + 14;
        if (at.position + 8 > base + static_cast<size_t>(r.length)) return;
        byName_.emplace(at.name, waypoints_.size());
        waypoints_.push_back(std::move(at));
    }

    WaypointAt* waypointNamed(const std::string& name) {
        auto it = byName_.find(name);
        return it == byName_.end() ? nullptr : &waypoints_[it->second];
    }

    // Class 8 and the subclass template with the given marker, at a class block.
    static void standardBlock(uint8_t* data, size_t classByte, size_t marker, uint8_t newMarker) {
        putInt32At(data + classByte, kClassRoutePoint);
        const Subclass sub = subclassTemplate(newMarker);
        std::copy(sub.begin(), sub.end(), data + marker - 8);
    }

    // Edits one route's data; false when it cannot be parsed whole (it then stays as it is).
    // With clearAutoName a route of 3 points or more gets auto-name flag 0, so that a program
    // renaming it cannot drop the "#".
    bool editRoute(std::vector<uint8_t>& body, int option, bool clearAutoName = false) {
        GdbRoute route;
        if (parseRoute(body.data(), body.size(), version_, route) != kRecordOk) return false;
        std::vector<ClassBlockPos> blocks(route.points.size());
        for (size_t i = 0; i < route.points.size(); ++i)
            if (!pointBlock(body, route.points[i], blocks[i])) return false;
        const size_t n = route.points.size();
        int32_t h = 0;
        for (const GdbRoutePoint& p : route.points) h += p.marker() == kMarkerInvisible2 ? 1 : 0;
        if (n < 3) h = -1;

        const size_t pointsStart = n > 0 ? static_cast<size_t>(route.points.front().offset) : 0;
        const size_t pointsEnd = n > 0 ? static_cast<size_t>(route.points.back().offset + route.points.back().size) : 0;
        std::vector<uint8_t> rebuilt(body.begin(), body.begin() + pointsStart);
        int32_t pointCount = static_cast<int32_t>(n);
        for (size_t i = 0; i < n; ++i) {
            const GdbRoutePoint& p = route.points[i];
            const ClassBlockPos& b = blocks[i];
            const bool inner = i > 0 && i + 1 < n;
            bool keep = true;
            if (option == 3 && h == 0 && inner) {
                standardBlock(body.data(), b.classByte, b.marker, kMarkerInvisible);
                if (WaypointAt* w = waypointNamed(p.rptName))
                    standardBlock(buf_.data(), w->classByte, w->marker, kMarkerInvisible);
            } else if (option == 3 && h > 0 && inner && p.classByte() != 0 && !isInvisibleMarker(p.marker())) {
                keep = false;
                --pointCount;
                if (WaypointAt* w = waypointNamed(p.rptName)) hideWaypoint(*w);
            } else if (option == 4 && h <= 0 && inner) {
                body[b.marker] = kMarkerVia;
                if (WaypointAt* w = waypointNamed(p.rptName)) buf_[w->marker] = kMarkerVia;
            }
            if (keep) rebuilt.insert(rebuilt.end(), body.begin() + p.offset, body.begin() + p.offset + p.size);
            if (option == 4 && h > 0 && i + 1 < n && p.marker() == kMarkerInvisible2 &&
                route.points[i + 1].marker() == kMarkerInvisible2 && restorePoint(body, p, b, rebuilt))
                ++pointCount;
        }
        rebuilt.insert(rebuilt.end(), body.begin() + pointsEnd, body.end());
        if (n > 0) putInt32At(&rebuilt[pointsStart - 4], pointCount);
        if (clearAutoName && n >= 3) rebuilt[route.rteName.size() + 1] = 0;

        const bool hashed = !route.rteName.empty() && route.rteName[0] == '#';
        if (option == 3 && !hashed) rebuilt.insert(rebuilt.begin(), '#');
        if (option == 4 && hashed) rebuilt.erase(rebuilt.begin());
        body.swap(rebuilt);
        return true;
    }

    // Option 3: the waypoint of a removed route point is hidden. Only its marker changes: no byte
    // of a waypoint record is free to keep the former marker in (gdb/waypoint_details.h), so
    // option 4 shows the point again as a via point.
    void hideWaypoint(WaypointAt& w) { buf_[w.marker] = kMarkerInvisible; }

    // Option 4: puts back, after route point p, the point that option 3 removed from the leg
    // that p begins: the hidden waypoint standing where that leg ends, shown as a via point.
    bool restorePoint(const std::vector<uint8_t>& body, const GdbRoutePoint& p, const ClassBlockPos& b,
                      std::vector<uint8_t>& rebuilt) {
        if (p.links.empty()) return false;
        const GdbLinkPoint& end = p.links.back();
        for (WaypointAt& w : waypoints_) {
            if (buf_[w.marker] != kMarkerInvisible || w.name == p.rptName) continue;
            if (int32At(&buf_[w.position]) != end.lat || int32At(&buf_[w.position + 4]) != end.lon) continue;
            buf_[w.marker] = kMarkerVia;
            rebuilt.insert(rebuilt.end(), w.name.begin(), w.name.end());
            rebuilt.push_back(0);
            rebuilt.insert(rebuilt.end(), buf_.begin() + w.classByte, buf_.begin() + w.marker + 14);
            rebuilt.insert(rebuilt.end(), body.begin() + b.marker + 14, body.begin() + p.offset + p.size);
            return true;
        }
        return false;
    }

    std::vector<uint8_t>& buf_;
    char version_;
    std::vector<RecordView> records_;
    size_t dataEnd_ = 0;
    std::vector<WaypointAt> waypoints_;
    std::unordered_map<std::string, size_t> byName_;
};

}  // namespace

int viaPointVisibilityPass(Context& ctx, ByteStream& in, ByteStream& out) {
    try {
        std::vector<uint8_t> buf;
        const int64_t size = in.size();
        if (size < 0 || !in.seek(0)) return 1;
        buf.resize(static_cast<size_t>(size));
        buf.resize(in.read(buf.data(), buf.size()));
        MemoryStream view(buf.data(), buf.size());
        GdbHeader header;
        if (readFileHeader(view, header) != 0 || !isReadableVersion(static_cast<char>(header.version))) {
            out.write(buf.data(), buf.size());
            return 0;
        }
        const size_t headerLength = static_cast<size_t>(header.length);
        VisibilityEdit edit(buf, headerLength, static_cast<char>(header.version));
        edit.run(ctx, ctx.settings.Mode, headerLength, out);
        return 0;
    } catch (const std::bad_alloc&) {
        return 1;
    }
}

bool hideRouteViaPoints(std::vector<uint8_t>& image, size_t recordsStart, size_t routeOffset, char version) {
    if (routeOffset < recordsStart || routeOffset > image.size() || image.size() - routeOffset < 5) return false;
    VisibilityEdit edit(image, recordsStart, version);
    return edit.editLastRoute(routeOffset, 3, true);
}

}  // namespace trakor
