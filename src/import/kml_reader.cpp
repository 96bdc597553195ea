// KML reader: a placemark with a point becomes a waypoint, one with line strings or gx:Track
// elements (also inside a gx:MultiTrack) a track.
#include <string>
#include <vector>

#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

using scan::Text;

constexpr size_t kNameBuf = 256;
constexpr size_t kNumberBuf = 128;

bool isNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }

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

    // One "lon,lat[,alt]" tuple starting at a number character; false when it lies out of range.
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
        if (!(lat >= -90.0 && lat <= 90.0) || !(lon >= -180.0 && lon <= 180.0)) return false;
        out.lat = scan::toSemicircles(lat);
        out.lon = scan::toSemicircles(lon);
        return true;
    }

    // The tuples of the next <coordinates> element inside the geometry that starts at p: a point
    // keeps the last valid tuple in slot 0, a line string appends them all.
    void coordinates(size_t& p, Kind kind, std::string_view geometryEnd) {
        while (p < t_.size && !t_.has(p, "<coordinates>")) {
            if (t_.has(p, geometryEnd) || t_.has(p, "</Placemark>")) return;
            p = t_.nextTag(p);
        }
        if (p >= t_.size) return;
        p += 13;
        PointStore& s = ctx_.store;
        while (p < t_.size && t_.at(p) != '<') {
            if (!isNumberChar(t_.at(p))) {
                ++p;
                continue;
            }
            Tuple v;
            if (!tuple(p, v)) continue;
            if (kind == Line) {
                s.addPoint(ctx_.run, v.lat, v.lon, v.alt, v.altValid, 0, 0);
            } else {
                s.lat[0] = v.lat;
                s.lon[0] = v.lon;
                s.alt[0] = v.alt;
                s.altValid[0] = v.altValid;
            }
        }
    }

    // A gx:Track from just after its start tag: its <when> times pair in order with its <gx:coord>
    // values ("lon lat alt"); an empty or unusable coordinate drops its time with it.
    void gxTrack(size_t& p) {
        std::vector<int32_t> times;
        std::vector<Tuple> coords;
        std::vector<bool> usable;
        std::string text;
        while (p < t_.size && !t_.has(p, "</gx:Track>") && !t_.has(p, "</Placemark>")) {
            if (t_.has(p, "<when>")) {
                p = t_.copyUntil(p + 6, '<', kNumberBuf, text);
                times.push_back(scan::utcTextToTime(text));
            } else if (t_.has(p, "<gx:coord/>") || t_.has(p, "<gx:coord />")) {
                coords.emplace_back();
                usable.push_back(false);
                p += 11;
            } else if (t_.has(p, "<gx:coord>")) {
                p = t_.copyUntil(p + 10, '<', kNumberBuf, text);
                Tuple v;
                usable.push_back(gxCoord(text, v));
                coords.push_back(v);
            } else {
                p = t_.nextTag(p);
            }
        }
        for (size_t i = 0; i < coords.size(); ++i) {
            if (!usable[i]) continue;
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
        if (!(lat >= -90.0 && lat <= 90.0) || !(lon >= -180.0 && lon <= 180.0)) return false;
        out.lat = scan::toSemicircles(lat);
        out.lon = scan::toSemicircles(lon);
        out.alt = n == 3 ? value[2] : 0.0;
        out.altValid = n == 3 ? 1 : 0;
        return true;
    }

    // Returns false when the data end before "</Placemark>".
    bool placemark(size_t& p) {
        p += 11;
        Kind kind = None;
        std::string trackName = "Track", waypointName = "Waypoint";
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
                gxTrack(p);
            } else {
                p = t_.nextTag(p);
            }
        }
        if (kind == Point) {
            writeImportedWaypoint(ctx_, job_, waypointName, ctx_.settings.WaypointSymbol);
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
};

}  // namespace

int readKml(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return kReadNothing;
    ctx.store.count = 0;
    return KmlScanner(ctx, job, bytes, length).run();
}

}  // namespace trakor
