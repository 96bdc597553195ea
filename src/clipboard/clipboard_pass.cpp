// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboard/clipboard_pass.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "clipboard/clipboard_messages.h"
#include "convert/filters.h"
#include "convert/geometry.h"
#include "convert/glitches.h"
#include "convert/route_writer.h"
#include "convert/track_writer.h"
#include "convert/via_points.h"
#include "core/context.h"
#include "gdb/down_convert.h"
#include "gdb/file_header.h"
#include "gdb/records.h"

namespace trakor {

std::string clipboardPointName(char prefix, int32_t track, int32_t i, int32_t count) {
    char buf[48];
    if (i == 0) {
        std::snprintf(buf, sizeof buf, "START%d", track);
    } else if (i == count - 1) {
        std::snprintf(buf, sizeof buf, "END%d", track);
    } else {
        const int digits = count < 100 ? 2 : count < 1000 ? 3 : count < 10000 ? 4 : 5;
        std::snprintf(buf, sizeof buf, "%c%d%0*d", prefix, track, digits, i + 1);
    }
    return buf;
}

namespace {

// Signature and version record.
constexpr size_t kLeadLength = 13;

int32_t int32At(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// Box of stored points first..last as a route or leg record holds it.
GdbBox storeBox(const PointStore& s, int32_t first, int32_t last) {
    const BoundingBox b = boundingBox(s, first, last);
    return {b.maxLat, b.maxLon, b.maxAlt, b.minLat, b.minLon, b.minAlt};
}

enum class Frame { Record, End, Damaged };

// The record at pos. The end of the data and a zero length end the walk as an end record does;
// a negative length or one that runs past the image is damage.
Frame nextFrame(std::span<const uint8_t> image, size_t& pos, RecordView& rec) {
    if (nextRecord(image.data(), image.size(), pos, rec)) return Frame::Record;
    if (pos >= image.size() || image.size() - pos < 4) return Frame::End;
    return int32At(image.data() + pos) == 0 ? Frame::End : Frame::Damaged;
}

class ClipboardPass {
public:
    ClipboardPass(Context& ctx, std::span<const uint8_t> image, int& destination, ClipboardCounters& n,
                  MemoryStream& out)
        : ctx_(ctx), image_(image), destination_(destination), n_(n), out_(out) {}

    int run() {
        int answer = copyHeader();
        if (answer >= 0) return answer;
        if (ctx_.settings.CBmode_r == 3) copyWaypoints();
        RecordView rec;
        for (size_t pos = recordsStart_;;) {
            Frame f = nextFrame(image_, pos, rec);
            if (f == Frame::Damaged) return kPassDamaged;
            if (f == Frame::End || rec.type == 'V') break;
            bool whole = true;
            if (rec.type == 'R') whole = route(rec);
            if (rec.type == 'T') whole = track(rec);
            if (!whole) return kPassDamaged;
            showInfo();
        }
        writeEndRecord(out_);
        return n_.routesConverted > 0 || n_.tracksConverted > 0 ? kPassConverted : kPassNothingConverted;
    }

private:
    // Lead bytes and creator record unchanged, the creator name replaced; -1 to go on.
    int copyHeader() {
        const uint8_t* d = image_.data();
        const size_t size = image_.size();
        if (size < kLeadLength + 5 || std::memcmp(d, "MsRcf", 6) != 0) return kPassDamaged;
        version_ = static_cast<char>(d[kVersionOffset]);
        if (!isReadableVersion(version_)) return kPassDamaged;
        const int32_t creatorLength = int32At(d + kLeadLength);
        if (creatorLength < 0 || static_cast<size_t>(creatorLength) > size - kLeadLength - 5) return kPassDamaged;
        size_t pos = kLeadLength + 5 + static_cast<size_t>(creatorLength);
        out_.write(d, pos);
        const size_t marked = kConvertedCreatorName.size() + 1;
        if (size - pos >= marked && std::memcmp(d + pos, kConvertedCreatorName.data(), marked) == 0)
            return kPassAlreadyConverted;
        const void* zero = std::memchr(d + pos, 0, size - pos);
        if (zero == nullptr) return kPassDamaged;
        recordsStart_ = static_cast<size_t>(static_cast<const uint8_t*>(zero) - d) + 1;
        writeString(kConvertedCreatorName, out_);
        outRecordsStart_ = static_cast<size_t>(out_.tell());
        ctx_.run.outputVersion = version_;
        ctx_.run.clearInfo();
        return -1;
    }

    // Option 3 keeps the image's waypoints, all of them ahead of the routes.
    void copyWaypoints() {
        RecordView rec;
        for (size_t pos = recordsStart_; nextRecord(image_.data(), image_.size(), pos, rec) && rec.type != 'V';)
            if (rec.type == 'W') out_.write(image_.data() + rec.offset, static_cast<size_t>(rec.length) + 5);
    }

    // A point limit reached while reading is shown after the record.
    void showInfo() {
        if (ctx_.run.infoFlag == 0) return;
        tellLiteral(ctx_, dmsg::kCaptionInfo, ctx_.run.infoText, MsgStyle::Warning);
        ctx_.run.clearInfo();
    }

    // Filters the store by number of points, whatever `Filtertype` says.
    void filterTo(int32_t points) {
        const int32_t saved = ctx_.settings.Filtertype;
        ctx_.settings.Filtertype = 1;
        filterPoints(ctx_, points, 1);
        ctx_.settings.Filtertype = saved;
    }

    // False when the record is cut short.
    bool route(const RecordView& rec) {
        const int32_t option = ctx_.settings.CBmode_r;
        if (option == 3) return hideRoute(rec);
        if (option != 11 && option != 12) return true;
        GdbRoute rte;
        if (parseRoute(rec.data, static_cast<size_t>(rec.length), version_, rte) != kRecordOk) return false;
        ++n_.routesSeen;
        PointStore& s = ctx_.store;
        s.clear();
        const GdbLinkPoint* last = nullptr;
        for (const GdbRoutePoint& p : rte.points) {
            for (size_t k = 0; k < p.links.size(); ++k) {
                last = &p.links[k];
                if (option == 11 || k == 0) addLink(*last);
            }
        }
        // The route's end point: under option 12 the only way it enters the store.
        if (last != nullptr) addLink(*last);
        ctx_.run.displayColor = rte.colourIndex() == 0 ? 14 : rte.colourIndex();
        removeGlitches(ctx_);
        if (s.count < 2) {
            say(ctx_, cmsg::kRouteTooShort, n_.routesSeen);
            return true;
        }
        ++n_.routesConverted;
        if (ctx_.settings.Filter_CBR == 1) filterTo(ctx_.settings.Filtersize_t);
        writeTrack(rte.rteName);
        return true;
    }

    void addLink(const GdbLinkPoint& lp) {
        ctx_.store.addPoint(ctx_.run, lp.lat, lp.lon, lp.alt.metres, lp.alt.valid ? 1 : 0, 0, 0);
    }

    bool track(const RecordView& rec) {
        const int32_t option = ctx_.settings.CBmode_t;
        if (option != 22 && option != 23 && option != 24) return true;
        GdbTrack trk;
        if (parseTrack(rec.data, static_cast<size_t>(rec.length), version_, trk) != kRecordOk) return false;
        ++n_.tracksSeen;
        PointStore& s = ctx_.store;
        s.clear();
        for (const GdbTrackPoint& p : trk.points)
            s.addPoint(ctx_.run, p.tptLat, p.tptLon, p.alt.metres, p.alt.valid ? 1 : 0, 0, p.tptTime);
        ctx_.run.displayColor = trk.colourIndex();
        removeGlitches(ctx_);
        if (s.count < 2) {
            say(ctx_, cmsg::kTrackTooShort, n_.tracksSeen);
            return true;
        }
        ++n_.tracksConverted;
        if (ctx_.settings.Filter_CBT == 1 && option != 23)
            filterTo(option == 22 ? ctx_.settings.Filtersize_r : ctx_.settings.Filtersize_t);
        if (option == 24)
            writeTrack(trk.trkName);
        else
            writeRoute(trk.trkName, option);
        return true;
    }

    void writeTrack(const std::string& name) { writeTrackPart(ctx_, out_, name, 1); }

    // Option 22 (visible via points) or 23 (invisible but the ends): one waypoint per point,
    // then the route through them.
    void writeRoute(const std::string& trackName, int32_t option) {
        const PointStore& s = ctx_.store;
        const char prefix = static_cast<char>(ctx_.settings.Prefix);
        const uint16_t symbol = static_cast<uint16_t>(ctx_.settings.WaypointSymbol);
        std::vector<std::string> names(static_cast<size_t>(s.count));
        auto markerOf = [&](int32_t i) {
            return option == 23 && i > 0 && i < s.count - 1 ? kMarkerInvisible : kMarkerVia;
        };
        for (int32_t i = 0; i < s.count; ++i) {
            names[i] = clipboardPointName(prefix, n_.tracksSeen, i, s.count);
            writeWaypoint(ctx_, out_, names[i], i, option, symbol, markerOf(i) == kMarkerVia ? 1 : 0);
        }
        beginRecord(out_, 'R');
        const GdbBox box = storeBox(s, 0, s.count - 1);
        writeRouteHead(out_, option == 23 ? "#" + trackName : trackName, 0, &box, s.count);
        for (int32_t i = 0; i < s.count; ++i) {
            GdbRoutePoint p;
            p.rptName = names[i];
            p.setClassAndMarker(kClassRoutePoint, markerOf(i));
            if (i < s.count - 1) {
                p.links = {linkAt(i), linkAt(i + 1)};
                p.hasBox = true;
                p.box = storeBox(s, i, i + 1);
            }
            writeRoutePoint(out_, p, version_);
        }
        writeRouteTail(out_, ctx_.run.displayColor, version_);
        endRecord(recordDataLength(out_), out_);
    }

    GdbLinkPoint linkAt(int32_t i) const {
        const PointStore& s = ctx_.store;
        return {s.lat[i], s.lon[i], {s.altValid[i] != 0, s.alt[i]}};
    }

    // Option 3: the route is kept, its via points made invisible and "#" put before its name;
    // the waypoints it hides are those written so far.
    bool hideRoute(const RecordView& rec) {
        const size_t at = static_cast<size_t>(out_.tell());
        out_.write(image_.data() + rec.offset, static_cast<size_t>(rec.length) + 5);
        if (!hideRouteViaPoints(out_.bytes(), outRecordsStart_, at, version_)) return false;
        out_.seek(static_cast<int64_t>(out_.bytes().size()));
        ++n_.routesConverted;
        if (destination_ == kDestinationClipboard) destination_ = kDestinationMapSourceForced;
        return true;
    }

    Context& ctx_;
    std::span<const uint8_t> image_;
    int& destination_;
    ClipboardCounters& n_;
    MemoryStream& out_;
    char version_ = kGdbVersion3;
    size_t recordsStart_ = 0;
    size_t outRecordsStart_ = 0;
};

}  // namespace

int convertClipboardImage(Context& ctx, std::span<const uint8_t> image, int& destination, ClipboardCounters& counters,
                          MemoryStream& out) {
    try {
        // Later GDB versions are read as version 3.
        MemoryStream converted;
        if (image.size() > kVersionOffset && isLaterVersion(image[kVersionOffset])) {
            MemoryStream in(image.data(), image.size());
            downConvertStream(in, image[kVersionOffset], converted);
            image = std::span<const uint8_t>(converted.data(), static_cast<size_t>(converted.size()));
        }
        return ClipboardPass(ctx, image, destination, counters, out).run();
    } catch (const std::bad_alloc&) {
        out.bytes().clear();
        return kPassOutOfMemory;
    }
}

}  // namespace trakor
