// SPDX-License-Identifier: GPL-3.0-or-later
// GPX reader: waypoints, tracks and routes (with Garmin's route shaping points and display
// colours), found by scanning for fixed tags.
#include <string>
#include <utility>

#include "core/coordinates.h"
#include "core/gpx_names.h"
#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

using scan::Text;

// Sizes of the reader's fixed text buffers.
constexpr size_t kCoordBuf = 128;
constexpr size_t kEleBuf = 32;
constexpr size_t kSymBuf = 32;
constexpr size_t kTimeBuf = 32;
constexpr size_t kColorBuf = 16;
constexpr size_t kNameBuf = 256;

class GpxScanner {
public:
    GpxScanner(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length)
        : ctx_(ctx), job_(job), t_{bytes, length}, fileColor_(ctx.run.displayColor) {}

    int run() {
        size_t p = 1;  // the first byte is never examined
        while (p < t_.size) {
            if (t_.has(p, "<wpt ")) {
                if (!waypoint(p)) break;
            } else if (t_.has(p, "<trk>")) {
                track(p);
            } else if (t_.has(p, "<rte>")) {
                route(p);
            } else {
                p = t_.nextTag(p);
            }
        }
        return emitted_ ? kReadDone : kReadNothing;
    }

private:
    // Reads the lat="..." and lon="..." attributes of a start tag from p up to its '>';
    // a missing one keeps the previous text. Returns the position of the '>'.
    size_t coordinates(size_t p, bool& gotLat, bool& gotLon) {
        gotLat = gotLon = false;
        while (p < t_.size && t_.at(p) != '>' && !(gotLat && gotLon)) {
            if (t_.has(p, "lat=\"")) {
                p = t_.viewUntil(p + 5, '"', kCoordBuf, latText_);
                gotLat = true;
            } else if (t_.has(p, "lon=\"")) {
                p = t_.viewUntil(p + 5, '"', kCoordBuf, lonText_);
                gotLon = true;
            } else {
                ++p;
            }
        }
        return t_.findChar(p, '>');
    }
    double latDeg() const { return scan::parseCoordinate(latText_); }
    double lonDeg() const { return scan::parseCoordinate(lonText_); }

    double elevation(size_t& p) {
        std::string_view text;
        p = t_.viewUntil(p + 5, '<', kEleBuf, text);
        return scan::parseDouble(text);
    }

    void colour(size_t& p) {
        std::string text;
        p = t_.copyUntil(p + 19, '<', kColorBuf, text);
        if (uint8_t c = displayColorIndex(text)) ctx_.run.displayColor = c;
    }

    void add(double alt, uint8_t altValid, int32_t time) {
        addDegreesPoint(ctx_, latDeg(), lonDeg(), alt, altValid, time);
    }

    // Returns false when the data end inside the waypoint.
    bool waypoint(size_t& p) {
        PointStore& s = ctx_.store;
        p = coordinates(p + 5, gotLat_, gotLon_);
        const bool possible = placeDegreesWaypoint(ctx_, latDeg(), lonDeg());
        name_ = "Waypoint";
        s.alt[0] = 0.0;
        s.altValid[0] = 0;
        int32_t symbol = ctx_.settings.WaypointSymbol;
        for (;;) {
            if (p >= t_.size) return false;
            if (t_.has(p, "<sym>")) {
                std::string text;
                p = t_.copyUntil(p + 5, '<', kSymBuf, text);
                int code = waypointSymbolCode(text);
                symbol = code >= 0 ? code : ctx_.settings.WaypointSymbol;
            } else if (t_.has(p, "<ele>")) {
                s.alt[0] = elevation(p);
                s.altValid[0] = 1;
            } else if (t_.has(p, "<name>")) {
                p = scan::copyName(t_, p + 6, kNameBuf, name_);
            } else if (t_.has(p, "</wpt>")) {
                p += 6;
                if (possible) writeImportedWaypoint(ctx_, job_, name_, symbol);
                return true;
            } else {
                p = t_.nextTag(p);
            }
        }
    }

    void track(size_t& p) {
        name_ = "Track";
        ctx_.run.displayColor = fileColor_;
        p += 5;
        collect(p, "</trk>", "<trkpt ", &GpxScanner::trackPoint);
    }

    void route(size_t& p) {
        p += 5;
        if (ctx_.run.keepGpxRoutes) {
            keptRoute(p);
            return;
        }
        if (!routesReadAsTracks(ctx_)) return;  // the content is passed over by the main scan
        ++ctx_.run.trackCounter;
        name_ = "Route";
        ctx_.run.displayColor = fileColor_;
        collect(p, "</rte>", "<rtept ", &GpxScanner::routePoint);
    }

    // A GPX text as a GDB name: its five markup entities resolved (version 'm' names are UTF-8).
    static std::string gdbName(std::string_view text) {
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        std::string plain;
        for (size_t i = 0; i < text.size(); ++i) {
            bool entity = false;
            for (const auto& [name, c] : kEntities)
                if (text.substr(i, name.size()) == name) {
                    plain += c;
                    i += name.size() - 1;
                    entity = true;
                    break;
                }
            if (!entity) plain += text[i];
        }
        return plain;
    }

    // A route written as a route: its name, colour and points; the question is not asked.
    void keptRoute(size_t& p) {
        std::string name = "Route";
        uint8_t autoName = 0;
        ctx_.run.displayColor = 0;  // MapSource's default route colour unless the route names one
        std::vector<InputRoutePoint> points;
        while (p < t_.size) {
            if (t_.has(p, "</rte>")) {
                p += 6;
                break;
            }
            if (t_.has(p, "<name>")) {
                p = scan::copyName(t_, p + 6, kNameBuf, name);
            } else if (t_.has(p, "<gpxx:DisplayColor>")) {
                colour(p);
            } else if (t_.has(p, "<gpxx:IsAutoNamed>true<")) {
                autoName = 1;
                p += 22;
            } else if (t_.has(p, "<rtept ")) {
                keptRoutePoint(p, points);
            } else {
                p = t_.nextTag(p);
            }
        }
        if (points.empty()) return;
        // Routes from planners carry no link points: their legs are straight lines.
        bool links = false;
        for (const InputRoutePoint& rp : points) links = links || !rp.links.empty();
        for (size_t k = 0; !links && k + 1 < points.size(); ++k)
            points[k].links = {{points[k].lat, points[k].lon, points[k].alt},
                               {points[k + 1].lat, points[k + 1].lon, points[k + 1].alt}};
        emitInputRoute(ctx_, job_, gdbName(name), autoName, points);
        emitted_ = true;
    }

    // A route point with its name, symbol, kind (trp:ShapingPoint is invisible) and the link
    // points of its leg; a point off the earth is left out and counted.
    void keptRoutePoint(size_t& p, std::vector<InputRoutePoint>& points) {
        p = coordinates(p + 7, gotLat_, gotLon_);
        const bool possible = gotLat_ && gotLon_ && possibleCoordinates(latDeg(), lonDeg());
        InputRoutePoint rp;
        if (possible) {
            rp.lat = degreesToSemicircles(latDeg());
            rp.lon = degreesToSemicircles(lonDeg());
        }
        rp.symbol = static_cast<uint16_t>(ctx_.settings.WaypointSymbol);
        const bool closed = p >= t_.size || t_.at(p - 1) == '/';
        while (!closed && p < t_.size) {
            if (t_.has(p, "</rtept>")) {
                p += 8;
                break;
            }
            if (t_.has(p, "<ele>")) {
                rp.alt = {true, elevation(p)};
            } else if (t_.has(p, "<name>")) {
                p = scan::copyName(t_, p + 6, kNameBuf, rp.name);
            } else if (t_.has(p, "<sym>")) {
                std::string text;
                p = t_.copyUntil(p + 5, '<', kSymBuf, text);
                const int code = waypointSymbolCode(text);
                if (code >= 0) rp.symbol = static_cast<uint16_t>(code);
            } else if (t_.has(p, "<trp:ShapingPoint")) {
                rp.invisible = true;
                p = t_.nextTag(p);
            } else if (t_.has(p, "<gpxx:rpt ")) {
                bool lat = false, lon = false;
                p = coordinates(p + 10, lat, lon);
                if (lat && lon && possibleCoordinates(latDeg(), lonDeg()))
                    rp.links.push_back({degreesToSemicircles(latDeg()), degreesToSemicircles(lonDeg()), {}});
            } else {
                p = t_.nextTag(p);
            }
        }
        if (closed && p < t_.size) ++p;
        if (!possible) {
            ++ctx_.run.impossiblePoints;
            return;
        }
        if (!rp.name.empty())
            rp.name = gdbName(rp.name);
        else
            rp.name = static_cast<char>(ctx_.settings.Prefix) + std::to_string(ctx_.run.nextWaypointNumber++);
        points.push_back(std::move(rp));
    }

    // The content of a track or route up to its end tag (or the end of the data): its name, its
    // colour and its points; then it is handed on.
    void collect(size_t& p, std::string_view endTag, std::string_view pointTag, void (GpxScanner::*point)(size_t&)) {
        ctx_.store.count = 0;
        while (p < t_.size) {
            if (t_.has(p, endTag)) {
                p += endTag.size();
                break;
            }
            if (t_.has(p, "<name>")) {
                p = scan::copyName(t_, p + 6, kNameBuf, name_);
            } else if (t_.has(p, "<gpxx:DisplayColor>")) {
                colour(p);
            } else if (t_.has(p, pointTag)) {
                (this->*point)(p);
            } else {
                p = t_.nextTag(p);
            }
        }
        finishImportedTrack(ctx_, job_, name_);
        emitted_ = true;
    }

    // The start tag of a track or route point; true when nothing more belongs to the point:
    // a self-closing tag (the point is appended without altitude and time) or the end of the data.
    bool pointStartTag(size_t& p, size_t tagLength) {
        p = coordinates(p + tagLength, gotLat_, gotLon_);
        if (p >= t_.size) return true;
        if (t_.at(p - 1) != '/') return false;
        ++p;
        add(0.0, 0, 0);
        return true;
    }

    void trackPoint(size_t& p) {
        if (pointStartTag(p, 7)) return;
        double alt = 0.0;
        uint8_t altValid = 0;
        int32_t time = 0;
        while (p < t_.size) {
            if (t_.has(p, "<ele>")) {
                alt = elevation(p);
                altValid = 1;
            } else if (t_.has(p, "<time>")) {
                std::string_view text;
                p = t_.viewUntil(p + 6, '<', kTimeBuf, text);
                time = scan::utcTextToTime(text);
            } else if (t_.has(p, "</trkpt>")) {
                p += 8;
                add(alt, altValid, time);
                return;
            } else {
                p = t_.nextTag(p);
            }
        }
    }

    // A route point, and the shaping points of its Garmin extension after it.
    void routePoint(size_t& p) {
        if (pointStartTag(p, 7)) return;
        double alt = 0.0;
        uint8_t altValid = 0;
        bool appended = false;
        while (p < t_.size) {
            if (t_.has(p, "<ele>")) {
                alt = elevation(p);
                altValid = 1;
            } else if (t_.has(p, "<extensions>")) {
                p += 12;
                if (gotLat_ && gotLon_ && !appended) add(alt, altValid, 0);
                appended = true;
                shapingPoints(p);
            } else if (t_.has(p, "</rtept>")) {
                p += 8;
                break;
            } else {
                p = t_.nextTag(p);
            }
        }
        if (!appended) add(alt, altValid, 0);
    }

    void shapingPoints(size_t& p) {
        while (p < t_.size && !t_.has(p, "</extensions>") && !t_.has(p, "</rtept>")) {
            if (t_.has(p, "<gpxx:rpt ")) {
                p = coordinates(p + 10, gotLat_, gotLon_);
                add(0.0, 0, 0);
            } else {
                p = t_.nextTag(p);
            }
        }
    }

    Context& ctx_;
    ImportJob& job_;
    Text t_;
    std::string_view latText_, lonText_;  // views into the input, which outlives the scanner
    bool gotLat_ = false, gotLon_ = false;  // found in the last start tag
    std::string name_;  // of the waypoint, track or route being read
    uint8_t fileColor_;  // the colour of a track or route that names none
    bool emitted_ = false;
};

}  // namespace

int readGpx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return kReadNothing;
    return GpxScanner(ctx, job, bytes, length).run();
}

}  // namespace trakor
