// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gpx_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/numbers.h"
#include "core/text_format.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/waypoint_details.h"
#include "core/gpx_names.h"
#include "platform/atomic_file.h"
#include "platform/mapped_file.h"
#include "platform/piece_pipeline.h"
#include "platform/text_encoding.h"
#include "platform/write_behind.h"

namespace trakor {

namespace {

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\""
    " xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\""
    " xmlns:trp=\"http://www.garmin.com/xmlschemas/TripExtensions/v1\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " version=\"1.1\" creator=\"Trakor3\""
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"
    " http://www.garmin.com/xmlschemas/GpxExtensions/v3 http://www8.garmin.com/xmlschemas/GpxExtensionsv3.xsd"
    " http://www.garmin.com/xmlschemas/TripExtensions/v1 http://www.garmin.com/xmlschemas/TripExtensionsv1.xsd\">\n";

constexpr std::string_view kColorNames[] = {"Black",   "DarkRed", "DarkGreen", "DarkYellow", "DarkBlue", "DarkMagenta",
                                            "DarkCyan", "LightGray", "DarkGray", "Red",      "Green",    "Yellow",
                                            "Blue",    "Magenta", "Cyan",      "White"};

// Text collected in a buffer and handed to the stream in large blocks.
class GpxOut {
public:
    explicit GpxOut(ByteStream& out) : out_(out) { buf_.reserve(kBlock + 4096); }

    GpxOut& operator<<(std::string_view s) {
        buf_.append(s);
        if (buf_.size() >= kBlock) flush();
        return *this;
    }
    bool flush() {
        if (!buf_.empty() && !out_.write(buf_.data(), buf_.size())) ok_ = false;
        buf_.clear();
        return ok_;
    }
    bool ok() const { return ok_; }

    // Degrees of a semicircle value by the Garmin definition (2^31 semicircles = 180 degrees),
    // as other programs read GDB coordinates, with nine decimals: value x 10^9 = s x 5^9 x 45 / 2^20
    // exactly, rounded half away from zero, in integers. Writes at most 14 characters to `out`.
    static char* putDegrees(char* out, int32_t semicircles) {
        const int64_t scaled = static_cast<int64_t>(semicircles) * 87890625;
        const bool negative = scaled < 0;
        const uint64_t magnitude = static_cast<uint64_t>(negative ? -scaled : scaled);
        const uint64_t nano = (magnitude + (1u << 19)) >> 20;
        char tmp[24];
        char* end = tmp + sizeof tmp;
        char* p = end;
        uint64_t v = nano;
        for (int i = 0; i < 9; ++i, v /= 10) *--p = static_cast<char>('0' + v % 10);
        *--p = '.';
        do {
            *--p = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (negative && nano != 0) *--p = '-';
        return std::copy(p, end, out);
    }
    // Shortest text that reads back as v; at most 24 characters.
    static char* putNumber(char* out, double v) { return numbers::writeShortest(out, v); }
    // A line formed elsewhere, handed on in blocks.
    void line(TextLine& text) {
        text.moveTo(buf_);
        if (buf_.size() >= kBlock) flush();
    }
    // "YYYY-MM-DDThh:mm:ssZ" of a stored time (seconds since 1970, UTC).
    void time(int32_t t) { appendUtcTime(buf_, t); }
    // Element text or attribute value: UTF-8 (Windows-1252 bytes converted), markup characters
    // escaped, control characters that XML does not allow left out.
    void escaped(std::string_view raw) {
        for (char c : toUtf8(raw)) {
            switch (c) {
                case '&': buf_ += "&amp;"; break;
                case '<': buf_ += "&lt;"; break;
                case '>': buf_ += "&gt;"; break;
                case '"': buf_ += "&quot;"; break;
                default:
                    if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') buf_ += c;
            }
        }
    }
    void element(std::string_view tag, std::string_view raw) {
        buf_ += '<';
        buf_ += tag;
        buf_ += '>';
        escaped(raw);
        buf_ += "</";
        buf_ += tag;
        buf_ += ">";
    }
    // The lat and lon attributes (at most 40 characters).
    static void position(TextLine& text, int32_t lat, int32_t lon) {
        text.put(" lat=\"");
        text.with([lat](char* e) { return putDegrees(e, lat); });
        text.put("\" lon=\"");
        text.with([lon](char* e) { return putDegrees(e, lon); });
        text.put("\"");
    }
    // The elevation element, when there is one.
    static void elevation(TextLine& text, const Altitude& a) {
        if (!a.valid || !std::isfinite(a.metres)) return;
        text.put("<ele>");
        text.with([&a](char* e) { return putNumber(e, a.metres); });
        text.put("</ele>");
    }
    void position(int32_t lat, int32_t lon) {
        TextLine text;
        position(text, lat, lon);
        text.moveTo(buf_);
    }
    void elevation(const Altitude& a) {
        TextLine text;
        elevation(text, a);
        text.moveTo(buf_);
    }

private:
    static constexpr size_t kBlock = 1 << 16;
    ByteStream& out_;
    std::string buf_;
    bool ok_ = true;
};

// Whether a position lies on the earth: 2^30 semicircles are 90 degrees; every longitude is one.
bool onEarth(int32_t lat) { return lat >= -(1 << 30) && lat <= (1 << 30); }

std::string_view colorName(uint8_t index) { return index >= 1 && index <= 16 ? kColorNames[index - 1] : ""; }

// The details MapSource keeps after a waypoint's depth; none for the program's own waypoints or
// details that do not read whole.
bool waypointDetails(const GdbWaypoint& w, char version, WaypointDetails& d) {
    size_t used = 0;
    return !w.trailing.empty() && parseWaypointDetails(w.trailing.data(), w.trailing.size(), version, d, used);
}

// Garmin's names of a waypoint's display modes (symbol and name, symbol only, symbol and
// description), by the GDB value.
constexpr std::string_view kDisplayModes[] = {"SymbolAndName", "SymbolOnly", "SymbolAndDescription"};

void symbol(GpxOut& g, int32_t wptSymbol) {
    const std::string_view name = waypointSymbolName(wptSymbol & 0xFFFF);
    if (!name.empty()) g << "<sym>" << name << "</sym>";
}

class GdbToGpx {
public:
    GdbToGpx(const uint8_t* image, size_t size, char version, size_t first, ByteStream& out,
             const GpxWriteOptions& options)
        : image_(image), size_(size), version_(version), first_(first), g_(out), options_(options) {}

    bool run() {
        g_ << kHead;
        forEach('W', [this](const RecordView& r) { waypoint(r); });
        forEach('R', [this](const RecordView& r) { route(r); });
        forEach('T', [this](const RecordView& r) { track(r); });
        closeTrack();
        g_ << "</gpx>\n";
        if (options_.leftOut) *options_.leftOut = leftOut_;
        return g_.flush();
    }

private:
    template <typename F>
    void forEach(char type, F f) {
        size_t pos = first_;
        RecordView rec;
        while (nextRecord(image_, size_, pos, rec) && rec.type != 'V')
            if (rec.type == type) f(rec);
    }

    // Every waypoint record, route points included, as MapSource lists them.
    void waypoint(const RecordView& rec) {
        GdbWaypoint w;
        parseWaypoint(rec.data, static_cast<size_t>(rec.length), version_, w);
        if (!onEarth(w.wptLat)) {
            ++leftOut_.waypoints;
            return;
        }
        g_ << "<wpt";
        pointBody(w, true);
        g_ << "</wpt>\n";
        waypoints_.emplace(w.wptName, std::move(w));
    }

    // Position, elevation, time, name, comment, description, links and symbol of a waypoint, in
    // the order of GPX, up to its extensions; with `garmin`, Garmin's waypoint extension after.
    void pointBody(const GdbWaypoint& w, bool garmin) {
        WaypointDetails d;
        const bool details = waypointDetails(w, version_, d);
        g_.position(w.wptLat, w.wptLon);
        g_ << ">";
        g_.elevation(w.wptAltitude);
        if (details && d.hasTime && d.time != 0) {
            g_ << "<time>";
            g_.time(d.time);
            g_ << "</time>";
        }
        g_.element("name", w.wptName);
        if (!w.wptComment.empty()) g_.element("cmt", w.wptComment);
        if (details && !d.description.empty()) g_.element("desc", d.description);
        if (details)
            for (const std::string& link : d.links) {
                if (link.empty()) continue;
                g_ << "<link href=\"";
                g_.escaped(link);
                g_ << "\"/>";
            }
        symbol(g_, w.wptSymbol);
        if (garmin) waypointExtension(w, details ? &d : nullptr);
    }

    // What GPX has no element for, in the order of Garmin's schema; nothing when all is empty.
    void waypointExtension(const GdbWaypoint& w, const WaypointDetails* d) {
        std::string_view country = w.wptCountry;
        if (d && !d->country.empty()) country = d->country;
        const bool address = (d && (!d->address.empty() || !d->postalCode.empty())) || !w.wptCity.empty() ||
                             !w.wptState.empty() || !country.empty();
        bool phone = false;
        if (d)
            for (size_t i = 0; i < d->phoneTexts.size(); i += 2) phone = phone || !d->phoneTexts[i].empty();
        const bool display = w.wptDisplay >= 0 && w.wptDisplay < 3 && w.wptDisplay != 0;
        const bool categories = d && d->category != 0;
        if (!w.hasProximity && !w.hasDepth && !display && !categories && !address && !phone) return;
        g_ << "<extensions><gpxx:WaypointExtension>";
        if (w.hasProximity) number("gpxx:Proximity", w.wptProximity);
        if (w.hasDepth) number("gpxx:Depth", w.wptDepth);
        if (display) g_ << "<gpxx:DisplayMode>" << kDisplayModes[w.wptDisplay] << "</gpxx:DisplayMode>";
        if (categories) {
            g_ << "<gpxx:Categories>";
            for (int bit = 0; bit < 16; ++bit)
                if (d->category & (1u << bit)) g_ << "<gpxx:Category>Category " << std::to_string(bit + 1) << "</gpxx:Category>";
            g_ << "</gpxx:Categories>";
        }
        if (address) {
            g_ << "<gpxx:Address>";
            if (d && !d->address.empty()) g_.element("gpxx:StreetAddress", d->address);
            if (!w.wptCity.empty()) g_.element("gpxx:City", w.wptCity);
            if (!w.wptState.empty()) g_.element("gpxx:State", w.wptState);
            if (!country.empty()) g_.element("gpxx:Country", country);
            if (d && !d->postalCode.empty()) g_.element("gpxx:PostalCode", d->postalCode);
            g_ << "</gpxx:Address>";
        }
        if (phone)
            for (size_t i = 0; i < d->phoneTexts.size(); i += 2)
                if (!d->phoneTexts[i].empty()) g_.element("gpxx:PhoneNumber", d->phoneTexts[i]);
        g_ << "</gpxx:WaypointExtension></extensions>";
    }

    void number(std::string_view tag, double v) {
        if (!std::isfinite(v)) return;
        char buf[48];
        g_ << "<" << tag << ">" << std::string_view(buf, GpxOut::putNumber(buf, v) - buf) << "</" << tag << ">";
    }

    void route(const RecordView& rec) {
        GdbRoute r;
        parseRoute(rec.data, static_cast<size_t>(rec.length), version_, r);
        g_ << "<rte>";
        g_.element("name", r.rteName);
        g_ << "<extensions><gpxx:RouteExtension><gpxx:IsAutoNamed>" << (r.rteAutoName ? "true" : "false")
           << "</gpxx:IsAutoNamed>";
        const std::string_view colour = colorName(version_ == kGdbVersion3 ? r.colourIndex() : 0);
        if (!colour.empty()) g_ << "<gpxx:DisplayColor>" << colour << "</gpxx:DisplayColor>";
        g_ << "</gpxx:RouteExtension></extensions>\n";
        for (const GdbRoutePoint& p : r.points) {
            const auto it = waypoints_.find(p.rptName);
            const GdbWaypoint* w = it == waypoints_.end() ? nullptr : &it->second;
            if (!w && p.links.empty()) continue;  // nowhere to put it
            if (!w && !onEarth(p.links.front().lat)) {
                ++leftOut_.points;
                continue;
            }
            g_ << "<rtept";
            if (w) {
                pointBody(*w, false);
            } else {
                g_.position(p.links.front().lat, p.links.front().lon);
                g_ << ">";
                g_.element("name", p.rptName);
            }
            g_ << (isInvisibleMarker(p.marker()) ? "<extensions><trp:ShapingPoint/>" : "<extensions><trp:ViaPoint/>");
            if (!p.links.empty()) {
                g_ << "<gpxx:RoutePointExtension>";
                for (const GdbLinkPoint& l : p.links) {
                    if (!onEarth(l.lat)) {
                        ++leftOut_.points;
                        continue;
                    }
                    g_ << "<gpxx:rpt";
                    g_.position(l.lat, l.lon);
                    g_ << "/>";
                }
                g_ << "</gpxx:RoutePointExtension>";
            }
            g_ << "</extensions></rtept>\n";
        }
        g_ << "</rte>\n";
    }

    // "Base#n" of a split track: the base and the part number; false for other names.
    static bool partName(const std::string& name, std::string& base, int& part) {
        const size_t hash = name.rfind('#');
        if (hash == std::string::npos || hash + 1 >= name.size() || name.size() - hash > 3) return false;
        part = 0;
        for (size_t i = hash + 1; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') return false;
            part = part * 10 + (name[i] - '0');
        }
        base = name.substr(0, hash);
        return part >= 1;
    }

    // Track points go out as the record is read; the track's head goes before the first.
    void track(const RecordView& rec) {
        GdbTrack t;
        bool started = false;
        parseTrack(rec.data, static_cast<size_t>(rec.length), version_, t, [&](const GdbTrackPoint& p) {
            if (!started) trackHead(t);
            started = true;
            trackPoint(p);
        });
        if (!started) trackHead(t);
        g_ << "</trkseg>\n";
    }

    void trackHead(const GdbTrack& t) {
        std::string base;
        int part = 0;
        const bool isPart = !options_.trackPerPart && partName(t.trkName, base, part);
        // A part continues the open track when it is the next part of the same base.
        if (!(isPart && open_ && part == openPart_ + 1 && base == openBase_)) {
            closeTrack();
            g_ << "<trk>";
            g_.element("name", isPart ? base : t.trkName);
            const std::string_view colour = colorName(t.colourIndex());
            if (!colour.empty())
                g_ << "<extensions><gpxx:TrackExtension><gpxx:DisplayColor>" << colour
                   << "</gpxx:DisplayColor></gpxx:TrackExtension></extensions>";
            g_ << "\n";
            open_ = true;
        }
        openBase_ = isPart ? base : std::string();
        openPart_ = isPart ? part : -1;
        g_ << "<trkseg>\n";
    }

    // A point is formed in one buffer and appended once: a track can hold a million of them.
    void trackPoint(const GdbTrackPoint& p) {
        if (!onEarth(p.tptLat)) {
            ++leftOut_.points;
            return;
        }
        TextLine text;
        text.put("<trkpt");
        GpxOut::position(text, p.tptLat, p.tptLon);
        text.put(">");
        GpxOut::elevation(text, p.alt);
        if (p.tptTime != 0) {
            text.put("<time>");
            text.time(p.tptTime);
            text.put("</time>");
        }
        text.put("</trkpt>\n");
        g_.line(text);
    }

    void closeTrack() {
        if (open_) g_ << "</trk>\n";
        open_ = false;
    }

    const uint8_t* image_;
    size_t size_;
    char version_;
    size_t first_;
    GpxOut g_;
    const GpxWriteOptions& options_;
    std::unordered_map<std::string, GdbWaypoint> waypoints_;
    GpxLeftOut leftOut_;
    bool open_ = false;
    std::string openBase_;
    int openPart_ = -1;
};

}  // namespace

int writeGpx(const uint8_t* gdb, size_t length, ByteStream& out, const GpxWriteOptions& options) {
    if (gdb == nullptr || length <= kVersionOffset) return kGpxNotGdb;
    const char version = static_cast<char>(gdb[kVersionOffset]);
    size_t first = 0;
    if (std::memcmp(gdb, "MsRcf", 5) != 0 || !isReadableVersion(version) || !firstDataRecord(gdb, length, first))
        return kGpxNotGdb;
    return GdbToGpx(gdb, length, version, first, out, options).run() ? kGpxWritten : kGpxWriteFailed;
}

namespace {

// Hands what the writer writes on to a file descriptor, written by a second thread in pieces
// of 512 KB while the next are formed.
class DescriptorStream : public ByteStream {
public:
    explicit DescriptorStream(int fd)
        : fd_(fd), pieces_([this](const std::string& piece) {
              if (!good_) return;
              good_ = writeAllBytes(fd_, piece);
              if (!good_) error_ = errno;
              written_ += static_cast<int64_t>(piece.size());
              behind_.wrote(fd_, piece.size(), written_);  // the file is flushed before it is delivered
          }) {}
    size_t read(void*, size_t) override { return 0; }
    bool write(const void* buf, size_t n) override {
        pending_.append(static_cast<const char*>(buf), n);
        queued_ += static_cast<int64_t>(n);
        if (pending_.size() >= kPiece) pieces_.put(pending_);
        return true;
    }
    // Writes what is left and waits for it: whether every byte reached the file (errno says
    // why not).
    bool close() {
        pieces_.put(pending_);
        pieces_.finish();
        if (pieces_.failed()) error_ = ENOMEM;
        errno = error_;
        return good_ && !pieces_.failed();
    }
    int64_t tell() const override { return queued_; }
    bool seek(int64_t) override { return false; }
    int64_t size() const override { return queued_; }

private:
    static constexpr size_t kPiece = size_t{1} << 19;
    int fd_;
    std::string pending_;
    int64_t queued_ = 0;
    // The second thread's until close() has waited for it.
    bool good_ = true;
    int error_ = 0;
    int64_t written_ = 0;
    WriteBehind behind_;
    PiecePipeline pieces_;  // last: its thread uses the members above
};

}  // namespace

int writeGpxFile(const uint8_t* gdb, size_t length, const std::string& gpxPath, const GpxWriteOptions& options) {
    int rc = kGpxWritten;
    const bool written = writeFileAtomicallyWith(gpxPath, [&](int fd) {
        DescriptorStream out(fd);
        rc = writeGpx(gdb, length, out, options);
        const bool all = out.close();
        return rc == kGpxWritten && all;
    });
    return rc != kGpxWritten ? rc : written ? kGpxWritten : kGpxWriteFailed;
}

int writeGpxFile(const std::string& gdbPath, const std::string& gpxPath, const GpxWriteOptions& options) {
    // Mapped, not copied: the work file is this run's own and stays as it is meanwhile.
    MappedFile gdb;
    if (!gdb.open(gdbPath)) return kGpxNotGdb;
    return writeGpxFile(gdb.data(), gdb.size(), gpxPath, options);
}

}  // namespace trakor
