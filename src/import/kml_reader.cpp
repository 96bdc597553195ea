// KML reader: a placemark with a point becomes a waypoint, one with line strings a track.
#include <string>

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
                ++p;
            }
        }
        return emitted_ ? kReadDone : kReadNothing;
    }

private:
    enum Kind { None = 0, Point = 1, Line = 2 };

    std::string numberRun(size_t& p) {
        size_t start = p;
        while (p < t_.size && isNumberChar(t_.at(p))) ++p;
        size_t n = p - start;
        if (n > kNumberBuf - 1) n = kNumberBuf - 1;
        return std::string(reinterpret_cast<const char*>(t_.bytes) + start, n);
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
            ++p;
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
            } else {
                ++p;
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
