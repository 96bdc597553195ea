// SPDX-License-Identifier: GPL-3.0-or-later
// KML reader: a placemark with a point becomes a waypoint, one with a line string or tracks
// (gx:Track of KML 2.2 or Track of KML 2.3, also inside a MultiTrack) a track. Each line string
// of a MultiGeometry is a track of its own.
#include <string>
#include <vector>

#include "core/xml_reader.h"
#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

// KML 2.0-2.3 and Google's extensions all name "/kml/" in their namespace URI.
bool kmlSpace(std::string_view ns) { return ns.empty() || ns.find("/kml/") != std::string_view::npos; }

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Tuple {
    int32_t lat = 0, lon = 0;
    double alt = 0.0;
    uint8_t altValid = 0;
};

// "lon,lat[,alt]" (or the blank-separated values of a track's coord): each value one whole
// number; false for a tuple that is not two or three numbers or lies off the earth.
bool readTuple(std::string_view text, bool commas, Tuple& out) {
    double value[3] = {};
    int n = 0;
    size_t i = 0;
    for (;;) {
        if (!commas)
            while (i < text.size() && blank(text[i])) ++i;
        if (!commas && i >= text.size()) break;
        size_t end = i;
        while (end < text.size() && (commas ? text[end] != ',' : !blank(text[end]))) ++end;
        if (n == 3) return false;
        const double v = scan::parseCoordinate(text.substr(i, end - i));
        if (v != v) return false;  // NaN: no number
        value[n++] = v;
        if (commas && end == text.size()) break;
        i = end + 1;
    }
    if (n < 2 || !possibleCoordinates(value[1], value[0])) return false;
    out.lat = degreesToSemicircles(value[1]);
    out.lon = degreesToSemicircles(value[0]);
    out.alt = n == 3 ? value[2] : 0.0;
    out.altValid = n == 3 ? 1 : 0;
    return true;
}

// Calls take(tuple text) for each tuple of a coordinates list: tuples are parted by blanks,
// blanks beside a comma belong to the tuple.
template <typename Take>
void eachTuple(std::string_view text, Take take) {
    std::string tuple;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && blank(text[i])) ++i;
        if (i >= text.size()) break;
        tuple.clear();
        while (i < text.size()) {
            if (!blank(text[i])) {
                tuple += text[i++];
                continue;
            }
            size_t next = i;
            while (next < text.size() && blank(text[next])) ++next;
            if (tuple.back() != ',' && (next >= text.size() || text[next] != ',')) break;
            i = next;
        }
        take(std::string_view(tuple));
    }
}

class KmlReader : public xml::Handler {
public:
    KmlReader(Context& ctx, ImportJob& job) : ctx_(ctx), job_(job) {}

    void start(std::string_view ns, std::string_view name, const xml::Attributes&) override {
        ++depth_;
        if (!kmlSpace(ns)) return;
        if (placemarkDepth_ == 0) {
            if (name == "Placemark") startPlacemark();
            return;
        }
        if (name == "Point") {
            kind_ = Point;
        } else if (name == "LineString") {
            kind_ = Line;
            geometry_ = Line;
        } else if (name == "Track") {
            kind_ = Line;
            geometry_ = Track;
            times_.clear();
            coords_.clear();
        } else if (name == "MultiGeometry") {
            ++multiGeometry_;
        }
    }

    void end(std::string_view ns, std::string_view name, std::string_view text) override {
        const int depth = depth_--;
        if (placemarkDepth_ == 0 || !kmlSpace(ns)) return;
        if (depth == placemarkDepth_) {
            endPlacemark();
        } else if (depth == placemarkDepth_ + 1 && name == "name") {
            trackName_ = waypointName_ = importedName(text);
        } else if (depth == placemarkDepth_ + 1 && name == "description") {
            details_.description = text;
        } else if (name == "when" && geometry_ == Track) {
            times_.push_back(scan::utcTextToTime(xml::trim(text)));
        } else if (name == "when") {
            details_.time = scan::utcTextToTime(xml::trim(text));  // the placemark's TimeStamp
        } else if (name == "coord" && geometry_ == Track) {
            Tuple v;
            const bool usable = readTuple(text, false, v);
            coords_.emplace_back(v, usable);
        } else if (name == "coordinates") {
            coordinates(text);
        } else if (name == "Track" && geometry_ == Track) {
            endTrack();
        } else if (name == "LineString") {
            geometry_ = None;
            // A line string of a MultiGeometry is a track of its own.
            if (multiGeometry_ > 0) finishTrack();
        } else if (name == "MultiGeometry") {
            --multiGeometry_;
        }
    }

    bool emitted() const { return emitted_; }

private:
    enum Kind { None = 0, Point = 1, Line = 2, Track = 3 };

    void startPlacemark() {
        placemarkDepth_ = depth_;
        kind_ = geometry_ = None;
        multiGeometry_ = 0;
        parts_ = 0;
        trackName_ = "Track";
        waypointName_ = "Waypoint";
        placed_ = impossibleTuples_ = false;
        details_ = {};
        ctx_.store.count = 0;
    }

    // The tuples of a coordinates element: a point keeps the last usable tuple in slot 0, a line
    // string appends them all. Unusable tuples are left out and counted.
    void coordinates(std::string_view text) {
        if (kind_ != Point && geometry_ != Line) return;
        const bool line = kind_ != Point;
        PointStore& s = ctx_.store;
        eachTuple(text, [&](std::string_view t) {
            Tuple v;
            if (!readTuple(t, true, v)) {
                if (line) ++ctx_.run.impossiblePoints;
                else impossibleTuples_ = true;
            } else if (line) {
                s.addPoint(ctx_.run, v.lat, v.lon, v.alt, v.altValid, 0, 0);
            } else {
                s.lat[0] = v.lat;
                s.lon[0] = v.lon;
                s.alt[0] = v.alt;
                s.altValid[0] = v.altValid;
                placed_ = true;
            }
        });
    }

    // A track's <when> times pair in order with its coord values; an unusable coordinate drops
    // its time with it, and is counted.
    void endTrack() {
        geometry_ = None;
        for (size_t i = 0; i < coords_.size(); ++i) {
            if (!coords_[i].second) {
                ++ctx_.run.impossiblePoints;
                continue;
            }
            const Tuple& v = coords_[i].first;
            ctx_.store.addPoint(ctx_.run, v.lat, v.lon, v.alt, v.altValid, 0, i < times_.size() ? times_[i] : 0);
        }
    }

    void finishTrack() {
        ctx_.run.displayColor = 0;
        finishImportedTrack(ctx_, job_, trackName_);
        ctx_.store.count = 0;
        ++parts_;
        emitted_ = true;
    }

    void endPlacemark() {
        placemarkDepth_ = 0;
        if (kind_ == Point) {
            if (placed_)
                writeImportedWaypoint(ctx_, job_, waypointName_, ctx_.settings.WaypointSymbol, details_);
            else if (impossibleTuples_)
                ++ctx_.run.impossibleWaypoints;
        } else if (parts_ == 0 || ctx_.store.count > 0) {
            finishTrack();
        }
        ctx_.store.count = 0;
    }

    Context& ctx_;
    ImportJob& job_;
    int depth_ = 0, placemarkDepth_ = 0;
    Kind kind_ = None, geometry_ = None;  // the placemark's kind; the geometry being read
    int multiGeometry_ = 0, parts_ = 0;    // open MultiGeometry elements; tracks handed on
    std::string trackName_, waypointName_;
    ImportedWaypointDetails details_;
    // The placemark's point found a usable tuple; one or more tuples were unusable.
    bool placed_ = false, impossibleTuples_ = false;
    std::vector<int32_t> times_;
    std::vector<std::pair<Tuple, bool>> coords_;  // a track's coord values, usable or not
    bool emitted_ = false;
};

}  // namespace

int readKml(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return kReadNothing;
    ctx.store.count = 0;
    KmlReader reader(ctx, job);
    const xml::ParseResult r = xml::parse(bytes, length, reader);
    if (ctx.run.cutNote.empty()) ctx.run.cutNote = r.faultNote();
    return reader.emitted() ? kReadDone : kReadNothing;
}

}  // namespace trakor
