// SPDX-License-Identifier: GPL-3.0-or-later
// GPX reader: waypoints, tracks and routes (with Garmin's route shaping points and display
// colours) of GPX 1.0 and 1.1, read through the XML parser.
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "core/coordinates.h"
#include "core/gpx_names.h"
#include "core/xml_reader.h"
#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

bool gpxSpace(std::string_view ns) { return ns.empty() || ns.starts_with("http://www.topografix.com/GPX/"); }
bool garminSpace(std::string_view ns) { return ns.starts_with("http://www.garmin.com/xmlschemas/"); }

// The lat and lon attributes in degrees; NaN for one that is missing or no number.
std::pair<double, double> position(const xml::Attributes& a) {
    const char* lat = a.find("lat");
    const char* lon = a.find("lon");
    return {lat ? scan::parseCoordinate(lat) : std::nan(""), lon ? scan::parseCoordinate(lon) : std::nan("")};
}

// A route point as a waypoint of its own: its name and place.
using PointKey = std::tuple<std::string, int32_t, int32_t>;

// The keys of every route point, for telling a <wpt> that is also a route's point.
class RoutePointKeys : public xml::Handler {
public:
    std::set<PointKey> keys;

    void start(std::string_view ns, std::string_view name, const xml::Attributes& a) override {
        if (gpxSpace(ns) && name == "rtept") {
            const auto [lat, lon] = position(a);
            inPoint_ = possibleCoordinates(lat, lon);
            at_ = {degreesToSemicircles(inPoint_ ? lat : 0), degreesToSemicircles(inPoint_ ? lon : 0)};
            depth_ = 0;
        } else if (inPoint_) {
            ++depth_;
        }
    }
    void end(std::string_view ns, std::string_view name, std::string_view text) override {
        if (!inPoint_) return;
        if (depth_ == 1 && gpxSpace(ns) && name == "name") keys.insert({importedName(text), at_.first, at_.second});
        if (depth_-- == 0) inPoint_ = false;
    }

private:
    bool inPoint_ = false;
    int depth_ = 0;
    std::pair<int32_t, int32_t> at_;
};

class GpxReader : public xml::Handler {
public:
    GpxReader(Context& ctx, ImportJob& job) : ctx_(ctx), job_(job), fileColor_(ctx.run.displayColor) {}

    std::set<PointKey> routePoints;  // with GPX Routes: the <wpt>s that are route points are left to the routes

    void start(std::string_view ns, std::string_view name, const xml::Attributes& a) override {
        ++depth_;
        if (garminSpace(ns)) {
            garminStart(name, a);
            return;
        }
        if (!gpxSpace(ns)) return;
        switch (in_) {
            case In::Nothing:
                if (name == "wpt") startWaypoint(a);
                else if (name == "trk") startTrack();
                else if (name == "rte") startRoute();
                break;
            case In::Track:
                if (name == "trkpt") startPoint(In::TrackPoint, a);
                break;
            case In::Route:
                if (name == "rtept") startPoint(In::RoutePoint, a);
                break;
            case In::KeptRoute:
                if (name == "rtept") startKeptPoint(a);
                break;
            case In::RoutePoint:
                if (name == "extensions" && depth_ == pointDepth_ + 1) addRoutePoint();
                break;
            default: break;
        }
    }

    void end(std::string_view ns, std::string_view name, std::string_view text) override {
        const bool child = depth_ == pointDepth_ + 1 || depth_ == containerDepth_ + 1;
        --depth_;
        if (garminSpace(ns)) {
            garminEnd(name, text);
            return;
        }
        if (!gpxSpace(ns)) return;
        if (child) leaf(name, text);
        if (depth_ + 1 == pointDepth_) endPoint();
        else if (depth_ + 1 == containerDepth_) endContainer();
    }

    // The document broke off: what was read of an open track or route is kept.
    void finish() {
        if (in_ == In::TrackPoint || in_ == In::RoutePoint) in_ = in_ == In::TrackPoint ? In::Track : In::Route;
        if (in_ == In::KeptPoint) in_ = In::KeptRoute;
        if (in_ == In::Track || in_ == In::Route || in_ == In::KeptRoute) endContainer();
    }

    bool emitted() const { return emitted_; }

private:
    enum class In { Nothing, Waypoint, Track, TrackPoint, Route, RoutePoint, KeptRoute, KeptPoint, Skipped };

    void startWaypoint(const xml::Attributes& a) {
        in_ = In::Waypoint;
        containerDepth_ = depth_;
        const auto [lat, lon] = position(a);
        possible_ = placeDegreesWaypoint(ctx_, lat, lon);
        name_ = "Waypoint";
        ctx_.store.alt[0] = 0.0;
        ctx_.store.altValid[0] = 0;
        symbol_ = ctx_.settings.WaypointSymbol;
        details_ = {};
    }

    void startTrack() {
        in_ = In::Track;
        containerDepth_ = depth_;
        name_ = "Track";
        ctx_.run.displayColor = fileColor_;
        ctx_.store.count = 0;
    }

    void startRoute() {
        containerDepth_ = depth_;
        if (ctx_.run.keepGpxRoutes) {
            in_ = In::KeptRoute;
            name_ = "Route";
            autoName_ = 0;
            ctx_.run.displayColor = 0;  // MapSource's default route colour unless the route names one
            keptPoints_.clear();
            return;
        }
        if (!routesReadAsTracks(ctx_)) {
            in_ = In::Skipped;
            return;
        }
        in_ = In::Route;
        ++ctx_.run.trackCounter;
        name_ = "Route";
        ctx_.run.displayColor = fileColor_;
        ctx_.store.count = 0;
    }

    void startPoint(In kind, const xml::Attributes& a) {
        in_ = kind;
        pointDepth_ = depth_;
        std::tie(lat_, lon_) = position(a);
        alt_ = 0.0;
        altValid_ = 0;
        time_ = 0;
        pointAdded_ = false;
    }

    // A route point is added before the shaping points of its extension.
    void addRoutePoint() {
        if (!pointAdded_) addDegreesPoint(ctx_, lat_, lon_, alt_, altValid_, 0);
        pointAdded_ = true;
    }

    void startKeptPoint(const xml::Attributes& a) {
        in_ = In::KeptPoint;
        pointDepth_ = depth_;
        const auto [lat, lon] = position(a);
        keptPossible_ = possibleCoordinates(lat, lon);
        kept_ = InputRoutePoint{};
        if (keptPossible_) {
            kept_.lat = degreesToSemicircles(lat);
            kept_.lon = degreesToSemicircles(lon);
        }
        kept_.symbol = static_cast<uint16_t>(ctx_.settings.WaypointSymbol);
    }

    void garminStart(std::string_view name, const xml::Attributes& a) {
        if (name == "rpt" && in_ == In::RoutePoint) {
            addRoutePoint();
            const auto [lat, lon] = position(a);
            addDegreesPoint(ctx_, lat, lon, 0.0, 0, 0);
        } else if (name == "rpt" && in_ == In::KeptPoint) {
            const auto [lat, lon] = position(a);
            if (possibleCoordinates(lat, lon))
                kept_.links.push_back({degreesToSemicircles(lat), degreesToSemicircles(lon), {}});
        } else if (name == "ShapingPoint" && in_ == In::KeptPoint) {
            kept_.invisible = true;
        }
    }

    void garminEnd(std::string_view name, std::string_view text) {
        const bool inContainer = in_ == In::Track || in_ == In::Route || in_ == In::KeptRoute;
        if (name == "DisplayColor" && inContainer) {
            if (uint8_t c = displayColorIndex(xml::trim(text))) ctx_.run.displayColor = c;
        } else if (name == "IsAutoNamed" && in_ == In::KeptRoute && xml::trim(text) == "true") {
            autoName_ = 1;
        }
    }

    static int symbolCode(std::string_view text) { return waypointSymbolCode(xml::trim(text)); }

    // A child element of the waypoint, track, route or point being read.
    void leaf(std::string_view name, std::string_view text) {
        PointStore& s = ctx_.store;
        switch (in_) {
            case In::Waypoint:
                if (name == "name") name_ = importedName(text);
                else if (name == "ele") s.alt[0] = scan::parseDouble(text), s.altValid[0] = 1;
                else if (name == "sym") symbol_ = symbolCode(text) >= 0 ? symbolCode(text) : ctx_.settings.WaypointSymbol;
                else if (name == "cmt") details_.comment = text;
                else if (name == "desc") details_.description = text;
                else if (name == "time") details_.time = scan::utcTextToTime(xml::trim(text));
                break;
            case In::Track:
            case In::Route:
            case In::KeptRoute:
                if (name == "name") name_ = importedName(text);
                break;
            case In::TrackPoint:
            case In::RoutePoint:
                if (name == "ele") alt_ = scan::parseDouble(text), altValid_ = 1;
                else if (name == "time") time_ = scan::utcTextToTime(xml::trim(text));
                break;
            case In::KeptPoint:
                if (name == "ele") kept_.alt = {true, scan::parseDouble(text)};
                else if (name == "name") kept_.name = importedName(text);
                else if (name == "sym" && symbolCode(text) >= 0) kept_.symbol = static_cast<uint16_t>(symbolCode(text));
                break;
            default: break;
        }
    }

    void endPoint() {
        pointDepth_ = 0;
        if (in_ == In::TrackPoint) {
            addDegreesPoint(ctx_, lat_, lon_, alt_, altValid_, time_);
            in_ = In::Track;
        } else if (in_ == In::RoutePoint) {
            addRoutePoint();
            in_ = In::Route;
        } else if (in_ == In::KeptPoint) {
            in_ = In::KeptRoute;
            if (!keptPossible_) {
                ++ctx_.run.impossiblePoints;
                return;
            }
            if (kept_.name.empty())
                kept_.name = static_cast<char>(ctx_.settings.Prefix) + std::to_string(ctx_.run.nextWaypointNumber++);
            keptPoints_.push_back(std::move(kept_));
        }
    }

    void endContainer() {
        const In was = in_;
        in_ = In::Nothing;
        containerDepth_ = 0;
        if (was == In::Waypoint) {
            if (!possible_) return;
            // With GPX Routes a route's own point is written with its route, once.
            if (routePoints.count({name_, ctx_.store.lat[0], ctx_.store.lon[0]})) return;
            writeImportedWaypoint(ctx_, job_, name_, symbol_, details_);
        } else if (was == In::Track || was == In::Route) {
            finishImportedTrack(ctx_, job_, name_);
            emitted_ = true;
        } else if (was == In::KeptRoute) {
            endKeptRoute();
        }
    }

    // A route written as a route: its name, colour and points; the question is not asked.
    void endKeptRoute() {
        std::vector<InputRoutePoint>& points = keptPoints_;
        if (points.empty()) return;
        // Routes from planners carry no link points: their legs are straight lines.
        bool links = false;
        for (const InputRoutePoint& rp : points) links = links || !rp.links.empty();
        for (size_t k = 0; !links && k + 1 < points.size(); ++k)
            points[k].links = {{points[k].lat, points[k].lon, points[k].alt},
                               {points[k + 1].lat, points[k + 1].lon, points[k + 1].alt}};
        emitInputRoute(ctx_, job_, name_, autoName_, points);
        emitted_ = true;
    }

    Context& ctx_;
    ImportJob& job_;
    uint8_t fileColor_;  // the colour of a track or route that names none
    In in_ = In::Nothing;
    int depth_ = 0, containerDepth_ = 0, pointDepth_ = 0;
    std::string name_;  // of the waypoint, track or route being read
    // The waypoint being read.
    bool possible_ = false;
    int32_t symbol_ = 0;
    ImportedWaypointDetails details_;
    // The track or route point being read.
    double lat_ = 0.0, lon_ = 0.0, alt_ = 0.0;
    uint8_t altValid_ = 0;
    int32_t time_ = 0;
    bool pointAdded_ = false;
    // The route kept as a route.
    uint8_t autoName_ = 0;
    InputRoutePoint kept_;
    bool keptPossible_ = false;
    std::vector<InputRoutePoint> keptPoints_;
    bool emitted_ = false;
};

}  // namespace

int readGpx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return kReadNothing;
    GpxReader reader(ctx, job);
    if (ctx.run.keepGpxRoutes) {
        RoutePointKeys keys;
        (void)xml::parse(bytes, length, keys);
        reader.routePoints = std::move(keys.keys);
    }
    const xml::ParseResult r = xml::parse(bytes, length, reader);
    reader.finish();
    if (ctx.run.cutNote.empty()) ctx.run.cutNote = r.faultNote();
    return reader.emitted() ? kReadDone : kReadNothing;
}

}  // namespace trakor
