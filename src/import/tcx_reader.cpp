// SPDX-License-Identifier: GPL-3.0-or-later
// TCX and CRS reader: course points become waypoints; every course, activity lap and free
// track becomes one track.
#include <cmath>
#include <cstdio>
#include <string>

#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

using scan::Text;

constexpr size_t kValueBuf = 128;
constexpr size_t kTimeBuf = 32;
constexpr size_t kNameBuf = 256;

class TcxScanner {
public:
    TcxScanner(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length)
        : ctx_(ctx), job_(job), t_{bytes, length} {}

    int run() {
        coursePoints();
        bool emitted = false;
        size_t p = 0;
        while (p < t_.size) {
            if (t_.has(p, "<Course>")) {
                p = element(p + 8, 'C', "Course");
                emitted = true;
            } else if (t_.has(p, "<Lap ")) {
                size_t q = p + 5;
                std::string name = lapName(q);
                p = element(q, 'L', name);
                emitted = true;
            } else if (t_.has(p, "<Track>")) {
                p = element(p + 7, 'T', "Track");
                emitted = true;
            } else {
                p = t_.nextTag(p);
            }
        }
        return emitted ? kReadDone : kReadNothing;
    }

private:
    std::string text(size_t& p, size_t tagLength, size_t bufferSize = kValueBuf) {
        std::string s;
        p = t_.copyUntil(p + tagLength, '<', bufferSize, s);
        return s;
    }
    // A value read in place, without a copy.
    std::string_view view(size_t& p, size_t tagLength, size_t bufferSize = kValueBuf) {
        std::string_view v;
        p = t_.viewUntil(p + tagLength, '<', bufferSize, v);
        return v;
    }
    double number(size_t& p, size_t tagLength) { return scan::parseDouble(view(p, tagLength)); }
    double coordinate(size_t& p, size_t tagLength) { return scan::parseCoordinate(view(p, tagLength)); }

    // Every course point of the file, written as a waypoint from slot 0 of the point store.
    void coursePoints() {
        PointStore& s = ctx_.store;
        std::string name;
        size_t p = t_.find(0, "<CoursePoint>");
        while (p < t_.size) {
            p += 13;
            // A course point without a position is none (left out and counted).
            double lat = std::nan(""), lon = std::nan("");
            s.alt[0] = 0.0;
            s.altValid[0] = 0;
            s.time[0] = 0;
            while (p < t_.size && !t_.has(p, "</CoursePoint>")) {
                if (t_.has(p, "<Name>")) {
                    name = text(p, 6, kNameBuf);
                } else if (t_.has(p, "<LatitudeDegrees>")) {
                    lat = coordinate(p, 17);
                } else if (t_.has(p, "<LongitudeDegrees>")) {
                    lon = coordinate(p, 18);
                } else if (t_.has(p, "<AltitudeMeters>")) {
                    s.alt[0] = number(p, 16);
                    s.altValid[0] = 1;
                } else {
                    p = t_.nextTag(p);
                }
            }
            if (placeDegreesWaypoint(ctx_, lat, lon)) writeImportedWaypoint(ctx_, job_, name, ctx_.settings.WaypointSymbol);
            p = t_.find(p, "<CoursePoint>");
        }
    }

    // "Lap d-m-yyyy hh:mm:ss" from the local time of the lap's start time attribute (the text
    // between the first two double quotes after the tag); q moves past the closing quote.
    std::string lapName(size_t& q) {
        size_t open = t_.findChar(q, '"');
        std::string start;
        q = open < t_.size ? t_.copyUntil(open + 1, '"', kTimeBuf, start) : t_.size;
        if (q < t_.size) ++q;
        std::tm local{};
        scan::utcTextToTime(start, &local);
        char buf[64];
        std::snprintf(buf, sizeof buf, "Lap %d-%d-%d %.2d:%.2d:%.2d", local.tm_mday, local.tm_mon + 1,
                      local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
        return buf;
    }

    // Reads a course ('C'), lap ('L') or track ('T') from p to its end tag and hands it on;
    // returns the position after the end tag.
    size_t element(size_t p, char kind, std::string name) {
        const std::string_view endTag = kind == 'C' ? "</Course>" : kind == 'L' ? "</Lap>" : "</Track>";
        PointStore& s = ctx_.store;
        s.count = 0;
        bool named = false;
        bool gotLat = false, gotLon = false;
        double lat = 0.0, lon = 0.0;
        int32_t time = 0;
        double alt = 0.0;
        uint8_t altValid = 0;
        while (p < t_.size) {
            if (t_.has(p, endTag)) {
                p += endTag.size();
                break;
            }
            if (t_.has(p, "<Name>") && kind == 'C' && !named) {
                name = text(p, 6, kNameBuf);
                named = true;
            } else if (t_.has(p, "<Trackpoint>")) {
                p += 12;
                gotLat = gotLon = false;
                alt = 0.0;
                altValid = 0;
                time = 0;
            } else if (t_.has(p, "<LatitudeDegrees>")) {
                lat = coordinate(p, 17);
                gotLat = true;
            } else if (t_.has(p, "<LongitudeDegrees>")) {
                lon = coordinate(p, 18);
                gotLon = true;
            } else if (t_.has(p, "<AltitudeMeters>")) {
                alt = number(p, 16);
                altValid = 1;
            } else if (t_.has(p, "<Time>")) {
                time = scan::utcTextToTime(view(p, 6, kTimeBuf));
            } else if (t_.has(p, "</Trackpoint>")) {
                p += 13;
                // A point needs both of its coordinates.
                if (gotLat && gotLon) addDegreesPoint(ctx_, lat, lon, alt, altValid, time);
                gotLat = gotLon = false;
            } else {
                p = t_.nextTag(p);
            }
        }
        ctx_.run.displayColor = 0;
        finishImportedTrack(ctx_, job_, name);
        return p;
    }

    Context& ctx_;
    ImportJob& job_;
    Text t_;
};

}  // namespace

int readTcx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return kReadNothing;
    return TcxScanner(ctx, job, bytes, length).run();
}

}  // namespace trakor
