// SPDX-License-Identifier: GPL-3.0-or-later
// TCX and CRS reader: course points become waypoints; every course, activity lap and free
// track becomes one track.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/xml_reader.h"
#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

bool tcxSpace(std::string_view ns) {
    return ns.empty() || ns.starts_with("http://www.garmin.com/xmlschemas/TrainingCenterDatabase/");
}

// "Lap d-m-yyyy hh:mm:ss" from the local time of the lap's start time.
std::string lapName(std::string_view startTime) {
    std::tm local{};
    scan::utcTextToTime(xml::trim(startTime), &local);
    char buf[64];
    std::snprintf(buf, sizeof buf, "Lap %d-%d-%d %.2d:%.2d:%.2d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
                  local.tm_hour, local.tm_min, local.tm_sec);
    return buf;
}

// Every course point of the file, written as a waypoint from slot 0 of the point store. The
// waypoints come before the tracks, so they have a pass of their own.
class CoursePointReader : public xml::Handler {
public:
    CoursePointReader(Context& ctx, ImportJob& job) : ctx_(ctx), job_(job) {}

    void start(std::string_view ns, std::string_view name, const xml::Attributes&) override {
        if (!tcxSpace(ns) || name != "CoursePoint") return;
        in_ = true;
        // A course point without a position is none (left out and counted).
        lat_ = lon_ = std::nan("");
        ctx_.store.alt[0] = 0.0;
        ctx_.store.altValid[0] = 0;
        ctx_.store.time[0] = 0;
        details_ = {};
    }

    void end(std::string_view ns, std::string_view name, std::string_view text) override {
        if (!in_ || !tcxSpace(ns)) return;
        if (name == "Name") {
            name_ = importedName(text);
        } else if (name == "LatitudeDegrees") {
            lat_ = scan::parseCoordinate(text);
        } else if (name == "LongitudeDegrees") {
            lon_ = scan::parseCoordinate(text);
        } else if (name == "AltitudeMeters") {
            ctx_.store.alt[0] = scan::parseDouble(text);
            ctx_.store.altValid[0] = 1;
        } else if (name == "Time") {
            details_.time = scan::utcTextToTime(xml::trim(text));
        } else if (name == "Notes") {
            details_.comment = text;
        } else if (name == "CoursePoint") {
            in_ = false;
            if (placeDegreesWaypoint(ctx_, lat_, lon_))
                writeImportedWaypoint(ctx_, job_, name_, ctx_.settings.WaypointSymbol, details_);
        }
    }

private:
    Context& ctx_;
    ImportJob& job_;
    bool in_ = false;
    double lat_ = 0.0, lon_ = 0.0;
    std::string name_;  // a course point without a name takes the one before's
    ImportedWaypointDetails details_;
};

// Courses, activity laps and tracks outside both, each handed on as one track.
class TrackReader : public xml::Handler {
public:
    TrackReader(Context& ctx, ImportJob& job) : ctx_(ctx), job_(job) {}

    void start(std::string_view ns, std::string_view name, const xml::Attributes& a) override {
        if (!tcxSpace(ns)) return;
        if (kind_ == None) {
            const char* startTime = name == "Lap" ? a.find("StartTime") : nullptr;
            if (name == "Course") begin(Course, "Course");
            else if (startTime != nullptr) begin(Lap, lapName(startTime));
            else if (name == "Track") begin(Track, "Track");
        } else if (name == "Trackpoint") {
            inPoint_ = true;
            lat_ = lon_ = std::nan("");
            gotLat_ = gotLon_ = false;
            alt_ = 0.0;
            altValid_ = 0;
            time_ = 0;
        }
    }

    void end(std::string_view ns, std::string_view name, std::string_view text) override {
        if (kind_ == None || !tcxSpace(ns)) return;
        if (name == kEnd[kind_]) {
            finish();
        } else if (name == "Name" && kind_ == Course && !named_) {
            name_ = importedName(text);
            named_ = true;
        } else if (!inPoint_) {
            return;
        } else if (name == "LatitudeDegrees") {
            lat_ = scan::parseCoordinate(text);
            gotLat_ = true;
        } else if (name == "LongitudeDegrees") {
            lon_ = scan::parseCoordinate(text);
            gotLon_ = true;
        } else if (name == "AltitudeMeters") {
            alt_ = scan::parseDouble(text);
            altValid_ = 1;
        } else if (name == "Time") {
            time_ = scan::utcTextToTime(xml::trim(text));
        } else if (name == "Trackpoint") {
            inPoint_ = false;
            // A point needs both of its coordinates.
            if (gotLat_ && gotLon_) addDegreesPoint(ctx_, lat_, lon_, alt_, altValid_, time_);
        }
    }

    // Hands on the course, lap or track being read (also when the document breaks off in it).
    void finish() {
        if (kind_ == None) return;
        kind_ = None;
        inPoint_ = false;
        ctx_.run.displayColor = 0;
        finishImportedTrack(ctx_, job_, name_);
        emitted_ = true;
    }

    bool emitted() const { return emitted_; }

private:
    enum Kind { None, Course, Lap, Track };
    static constexpr std::string_view kEnd[] = {"", "Course", "Lap", "Track"};

    void begin(Kind kind, std::string name) {
        kind_ = kind;
        name_ = std::move(name);
        named_ = false;
        inPoint_ = false;
        ctx_.store.count = 0;
    }

    Context& ctx_;
    ImportJob& job_;
    Kind kind_ = None;
    std::string name_;
    bool named_ = false, inPoint_ = false;
    bool gotLat_ = false, gotLon_ = false;
    double lat_ = 0.0, lon_ = 0.0, alt_ = 0.0;
    uint8_t altValid_ = 0;
    int32_t time_ = 0;
    bool emitted_ = false;
};

}  // namespace

int readTcx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return kReadNothing;
    // Only a file that names course points (or is in UTF-16, where the name is not looked for)
    // needs their pass.
    constexpr std::string_view kCoursePoint = "CoursePoint";
    const bool utf16 = length >= 2 && (bytes[0] == 0xFF || bytes[0] == 0xFE || bytes[0] == 0 || bytes[1] == 0);
    if (utf16 || ::memmem(bytes, length, kCoursePoint.data(), kCoursePoint.size()) != nullptr) {
        CoursePointReader points(ctx, job);
        (void)xml::parse(bytes, length, points);
    }
    TrackReader tracks(ctx, job);
    const xml::ParseResult r = xml::parse(bytes, length, tracks);
    tracks.finish();
    if (ctx.run.cutNote.empty()) ctx.run.cutNote = r.faultNote();
    return tracks.emitted() ? kReadDone : kReadNothing;
}

}  // namespace trakor
