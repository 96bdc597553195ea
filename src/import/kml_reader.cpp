// SPDX-License-Identifier: GPL-3.0-or-later
// KML reader: a placemark with a point becomes a waypoint, one with line strings or tracks
// (gx:Track of KML 2.2 or Track of KML 2.3, also inside a MultiTrack) a track.
#include <string>
#include <vector>

#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

using scan::Text;

constexpr size_t kNameBuf = 256;
constexpr size_t kNumberBuf = 128;

bool isNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+'; }

struct Tuple {
    int32_t lat = 0, lon = 0;
    double alt = 0.0;
    uint8_t altValid = 0;
};

class KmlScanner {
public:
    KmlScanner(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length)
        : ctx_(ctx), job_(job), t_{bytes, length} {}

    int run() {
        size_t p = 1;
        while (p < t_.size) {
            if (t_.has(p, "<Placemark>")) {
                if (!placemark(p)) break;  // the data ended inside the placemark
            } else {
                p = t_.nextTag(p);
            }
        }
        return emitted_ ? kReadDone : kReadNothing;
    }

private:
    enum Kind { None = 0, Point = 1, Line = 2 };

    // The number characters from p on, of which a number buffer would keep kNumberBuf - 1.
    std::string_view numberRun(size_t& p) {
        size_t start = p;
        while (p < t_.size && isNumberChar(t_.at(p))) ++p;
        size_t n = p - start;
        if (n > kNumberBuf - 1) n = kNumberBuf - 1;
        return std::string_view(reinterpret_cast<const char*>(t_.bytes) + start, n);
    }

    // One "lon,lat[,alt]" tuple starting at a number character; false when it lies off the earth.
    bool tuple(size_t& p, Tuple& out) {
        double lon = scan::parseDouble(numberRun(p));
        if (p < t_.size) ++p;  // the separator
        double lat = scan::parseDouble(numberRun(p));
        out.alt = 0.0;
        out.altValid = 0;
        if (t_.at(p) == ',' && p < t_.size) {
            ++p;
            out.alt = scan::parseDouble(numberRun(p));
            out.altValid = 1;
        }
        if (!possibleCoordinates(lat, lon)) return false;
        out.lat = degreesToSemicircles(lat);
        out.lon = degreesToSemicircles(lon);
        return true;
    }

    // The tuples of the next <coordinates> element inside the geometry that starts at p: a point
    // keeps the last valid tuple in slot 0, a line string appends them all. Comments inside the
    // list are passed over. Tuples off the earth are left out and counted.
    void coordinates(size_t& p, Kind kind, std::string_view geometryEnd) {
        while (p < t_.size && !t_.has(p, "<coordinates>")) {
            if (t_.has(p, geometryEnd) || t_.has(p, "</Placemark>")) return;
            p = t_.nextTag(p);
        }
        if (p >= t_.size) return;
        p += 13;
        PointStore& s = ctx_.store;
        while (p < t_.size) {
            if (t_.at(p) == '<') {
                if (!t_.has(p, "<!--")) break;
                p = t_.find(p + 4, "-->");
                p = p < t_.size ? p + 3 : p;
                continue;
            }
            if (!isNumberChar(t_.at(p))) {
                ++p;
                continue;
            }
            Tuple v;
            if (!tuple(p, v)) {
                if (kind == Line) ++ctx_.run.impossiblePoints;
                else impossibleTuples_ = true;
                continue;
            }
            if (kind == Line) {
                s.addPoint(ctx_.run, v.lat, v.lon, v.alt, v.altValid, 0, 0);
            } else {
                s.lat[0] = v.lat;
                s.lon[0] = v.lon;
                s.alt[0] = v.alt;
                s.altValid[0] = v.altValid;
                placed_ = true;
            }
        }
    }

    // A track from just after its start tag (prefix "gx:" for KML 2.2, "" for 2.3): its <when>
    // times pair in order with its coord values ("lon lat alt"); an empty or unusable coordinate
    // drops its time with it, and is counted.
    void track(size_t& p, std::string_view prefix) {
        const std::string end = std::string("</").append(prefix).append("Track>");
        const std::string coord = std::string("<").append(prefix).append("coord");
        std::vector<int32_t> times;
        std::vector<Tuple> coords;
        std::vector<bool> usable;
        std::string text;
        while (p < t_.size && !t_.has(p, end) && !t_.has(p, "</Placemark>")) {
            if (t_.has(p, "<when>")) {
                p = t_.copyUntil(p + 6, '<', kNumberBuf, text);
                times.push_back(scan::utcTextToTime(text));
            } else if (t_.has(p, coord)) {
                p += coord.size();
                const size_t close = t_.findChar(p, '>');
                const bool empty = close < t_.size && t_.at(close - 1) == '/';
                if (close < t_.size && (empty || close == p || t_.at(p) == ' ')) {
                    Tuple v;
                    if (!empty) t_.copyUntil(close + 1, '<', kNumberBuf, text);
                    usable.push_back(!empty && gxCoord(text, v));
                    coords.push_back(v);
                }
                p = close;
            } else {
                p = t_.nextTag(p);
            }
        }
        for (size_t i = 0; i < coords.size(); ++i) {
            if (!usable[i]) {
                ++ctx_.run.impossiblePoints;
                continue;
            }
            const Tuple& v = coords[i];
            ctx_.store.addPoint(ctx_.run, v.lat, v.lon, v.alt, v.altValid, 0, i < times.size() ? times[i] : 0);
        }
    }

    // "lon lat [alt]" separated by blanks; false when empty or out of range.
    static bool gxCoord(const std::string& text, Tuple& out) {
        double value[3] = {};
        int n = 0;
        size_t i = 0;
        while (n < 3) {
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
            if (i >= text.size()) break;
            const size_t start = i;
            while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '\n') ++i;
            value[n++] = scan::parseDouble(std::string_view(text).substr(start, i - start));
        }
        if (n < 2) return false;
        const double lon = value[0], lat = value[1];
        if (!possibleCoordinates(lat, lon)) return false;
        out.lat = degreesToSemicircles(lat);
        out.lon = degreesToSemicircles(lon);
        out.alt = n == 3 ? value[2] : 0.0;
        out.altValid = n == 3 ? 1 : 0;
        return true;
    }

    // Returns false when the data end before "</Placemark>".
    bool placemark(size_t& p) {
        p += 11;
        Kind kind = None;
        std::string trackName = "Track", waypointName = "Waypoint";
        placed_ = impossibleTuples_ = false;
        for (;;) {
            if (p >= t_.size) return false;
            if (t_.has(p, "</Placemark>")) {
                p += 12;
                break;
            }
            if (t_.has(p, "<name>")) {
                p = scan::copyName(t_, p + 6, kNameBuf, trackName);
                waypointName = trackName;
            } else if (t_.has(p, "<Point>")) {
                kind = Point;
                p += 7;
                coordinates(p, Point, "</Point>");
            } else if (t_.has(p, "<LineString>")) {
                kind = Line;
                p += 12;
                coordinates(p, Line, "</LineString>");
            } else if (t_.has(p, "<gx:Track>") || t_.has(p, "<gx:Track ")) {
                kind = Line;
                p += 10;
                track(p, "gx:");
            } else if (t_.has(p, "<Track>") || t_.has(p, "<Track ")) {
                kind = Line;
                p += 7;
                track(p, "");
            } else {
                p = t_.nextTag(p);
            }
        }
        if (kind == Point) {
            if (placed_)
                writeImportedWaypoint(ctx_, job_, waypointName, ctx_.settings.WaypointSymbol);
            else if (impossibleTuples_)
                ++ctx_.run.impossibleWaypoints;
        } else {
            ctx_.run.displayColor = 0;
            finishImportedTrack(ctx_, job_, trackName);
            emitted_ = true;
        }
        ctx_.store.count = 0;
        return true;
    }

    Context& ctx_;
    ImportJob& job_;
    Text t_;
    bool emitted_ = false;
    // The placemark's point found a tuple on the earth; one or more tuples were off it.
    bool placed_ = false, impossibleTuples_ = false;
};

}  // namespace

int readKml(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return kReadNothing;
    ctx.store.count = 0;
    return KmlScanner(ctx, job, bytes, length).run();
}

}  // namespace trakor
