// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/course_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "convert/geometry.h"
#include "convert/track_reader.h"
#include "core/context.h"
#include "core/text_format.h"
#include "course/course_messages.h"
#include "course/course_names.h"
#include "course/course_walk.h"
#include "course/xml_check.h"
#include "gdb/file_header.h"
#include "platform/atomic_file.h"
#include "platform/file_attributes.h"
#include "platform/piece_pipeline.h"

namespace trakor {

namespace {

// Course text is handed to the file in pieces of about this size, so a long track never
// stands in memory as a whole document; each piece wakes the writing thread once.
constexpr size_t kFlushSize = size_t{1} << 19;

// Latitudes beyond the poles (damaged input) are held at them; a longitude that would print as
// 180 or more is written as the same meridian west of Greenwich, as the format requires.
double courseLatitude(int32_t semicircles) { return std::clamp(semicirclesToDegrees(semicircles), -90.0, 90.0); }
double courseLongitude(int32_t semicircles) {
    double lon = semicirclesToDegrees(semicircles);
    return lon >= 179.99999995 ? lon - 360 : lon;
}

// "<indent><tag>value</tag>\n" with the value to 7 decimals.
void appendElement(std::string& out, const char* indent, const char* tag, double value) {
    out += indent;
    out += '<';
    out += tag;
    out += '>';
    appendFixed(out, value, 7);
    out += "</";
    out += tag;
    out += ">\n";
}

void appendPosition(std::string& out, const PointStore& s, int32_t i, const char* indent) {
    appendElement(out, indent, "LatitudeDegrees", courseLatitude(s.lat[i]));
    appendElement(out, indent, "LongitudeDegrees", courseLongitude(s.lon[i]));
}

// One trackpoint's text, built in place and appended at once: this runs for every point, and
// many small appends cost more than the text itself.
void appendTime(std::string& out, int32_t seconds, const char* indent) {
    out += indent;
    out += "<Time>";
    appendUtcTime(out, seconds);
    out += "</Time>\n";
}

}  // namespace

std::string courseDocumentHead() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n"
           "<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2 "
           "http://www.garmin.com/xmlschemas/TrainingCenterDatabasev2.xsd\">\n"
           "  <Folders/>\n"
           "  <Courses>\n";
}

std::string courseDocumentTail() { return "  </Courses>\n</TrainingCenterDatabase>\n"; }

void writeCourse(const Context& ctx, std::string& out, const std::string& courseName, const CourseFlush& flush,
                 const std::vector<double>* legs) {
    const PointStore& s = ctx.store;
    if (s.count < 1) return;
    const int32_t last = s.count - 1;
    out += "    <Course>\n";
    out += "      <Name>" + nameContent(courseName) + "</Name>\n";
    out += "      <Lap>\n";
    appendElement(out, "        ", "TotalTimeSeconds", static_cast<double>(s.time[last]) - static_cast<double>(s.time[0]));
    // Distances along the track, each point's computed once; the last is the track's length.
    const std::vector<double> along = distancesAlong(ctx, legs);
    appendElement(out, "        ", "DistanceMeters", along[last]);
    out += "        <BeginPosition>\n";
    appendPosition(out, s, 0, "          ");
    out += "        </BeginPosition>\n";
    out += "        <EndPosition>\n";
    appendPosition(out, s, last, "          ");
    out += "        </EndPosition>\n";
    out += "        <Intensity>Active</Intensity>\n";
    out += "      </Lap>\n";
    out += "      <Track>\n";
    if (flush) out.reserve(kFlushSize + 4096);
    TextLine text;
    for (int32_t i = 0; i <= last; ++i) {
        text.put("        <Trackpoint>\n          <Time>");
        text.time(s.time[i]);
        text.put("</Time>\n          <Position>\n            <LatitudeDegrees>");
        text.fixed(courseLatitude(s.lat[i]), 7);
        text.put("</LatitudeDegrees>\n            <LongitudeDegrees>");
        text.fixed(courseLongitude(s.lon[i]), 7);
        text.put("</LongitudeDegrees>\n          </Position>\n");
        if (s.altValid[i] == 1 && std::isfinite(s.alt[i])) {
            text.put("          <AltitudeMeters>");
            text.fixed(s.alt[i], 7);
            text.put("</AltitudeMeters>\n");
        }
        text.put("          <DistanceMeters>");
        text.fixed(along[i], 7);
        text.put("</DistanceMeters>\n        </Trackpoint>\n");
        text.moveTo(out);
        if (flush && out.size() >= kFlushSize) flush(out);
    }
    out += "      </Track>\n";
    if (ctx.settings.CoursePoints == 1) {
        const std::string left = escapeXml(coursePointName(ctx, false));
        const std::string right = escapeXml(coursePointName(ctx, true));
        for (int32_t i = 0; i <= last; ++i) {
            if (!isTurnMark(s.partMark[i])) continue;
            const bool isRight = s.partMark[i] == kMarkRight;
            out += "      <CoursePoint>\n";
            out += "        <Name>" + (isRight ? right : left) + "</Name>\n";
            appendTime(out, s.time[i], "        ");
            out += "        <Position>\n";
            appendPosition(out, s, i, "          ");
            out += "        </Position>\n";
            out += isRight ? "        <PointType>Right</PointType>\n" : "        <PointType>Left</PointType>\n";
            out += "      </CoursePoint>\n";
        }
    }
    out += "    </Course>\n";
}

int writeCourses(Context& ctx, UnitCourses* unit, int64_t now, XmlCheck* verdict) {
    CourseWalk walk(ctx, now);
    clearReadOnly(ctx.paths.workTcx);
    FileStream out;
    if (!out.open(ctx.paths.workTcx, "wb")) {
        tellWriteError(ctx, ctx.paths.workTcx);
        return 1;
    }
    out.writeBehind();
    // Every byte that goes to the file is checked on its way, so the file need not be read back.
    // Both on a second thread, while the next pieces are formed.
    XmlStreamCheck check;
    PiecePipeline pieces([&out, &check](const std::string& piece) {
        check.feed(piece);
        out.write(piece.data(), piece.size());
    });
    const auto emit = [&pieces](std::string_view text) { pieces.put(text); };
    const std::string head = courseDocumentHead(), tail = courseDocumentTail();
    if (walk.usable()) emit(head);
    XmlCheck kept;  // a course that failed the check never reaches the unit
    while (walk.next()) {
        const std::string& name = walk.name();
        std::string course;
        // A unit's file needs the whole course; otherwise it streams into the work file.
        CourseFlush toWorkFile;
        if (unit == nullptr) toWorkFile = [&pieces](std::string& text) { pieces.put(text); };
        writeCourse(ctx, course, name, toWorkFile, &walk.legs());
        // The course stays whole for a unit's file; the work file gets a copy then.
        if (unit == nullptr) {
            pieces.put(course);
            continue;
        }
        emit(course);
        // After a failed file (unit gone, card full) or a faulty course the rest are not tried.
        if (unit->failed || !kept.ok) continue;
        const std::string document = head + course + tail;
        kept = checkXmlText(reinterpret_cast<const uint8_t*>(document.data()), document.size());
        if (kept.ok) deliverCourseFile(ctx, *unit, name, ".tcx", document);
    }
    if (walk.usable()) emit(tail);
    pieces.finish();
    const bool written = out.close() && !pieces.failed();
    if (verdict) *verdict = kept.ok ? check.finish() : kept;
    // The user must not be told that courses reached the unit when they did not.
    return finishCourseRun(ctx, walk.coursePoints(), written ? std::string() : ctx.paths.workTcx,
                           written && (unit == nullptr || !unit->failed));
}

int writeCourses(Context& ctx, UnitCourses* unit, XmlCheck* verdict) {
    return writeCourses(ctx, unit, static_cast<int64_t>(std::time(nullptr)), verdict);
}

}  // namespace trakor
