// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/course_walk.h"

#include <algorithm>

#include "convert/geometry.h"
#include "convert/track_reader.h"
#include "core/context.h"
#include "course/course_messages.h"
#include "course/course_names.h"
#include "course/course_prepare.h"
#include "gdb/file_header.h"

namespace trakor {

namespace {

// Reads a track record into the point store for a course: glitches removed at 30 metres at
// least, neither split nor filtered. A track with too few points is reported under its number
// in the file. 0 when the store holds the track.
int readCourseTrack(Context& ctx, ByteStream& in, int32_t length, int32_t trackNumber) {
    const int32_t removal = ctx.settings.RemovalDistance, courses = ctx.run.trackCounter;
    ctx.settings.RemovalDistance = std::max(removal, 30);
    ctx.run.trackCounter = trackNumber;
    readGdbTrack(ctx, in, length);
    const int rc = removeGlitchesAndSplitTrack(ctx, 0);  // option 0: glitches only
    ctx.run.trackCounter = courses;
    ctx.settings.RemovalDistance = removal;
    return rc;
}

}  // namespace

CourseWalk::CourseWalk(Context& ctx, int64_t now) : ctx_(ctx), now_(now) {
    ctx.run.trackCounter = 0;
    GdbHeader header;
    // Only a readable GDB header lets the records be walked: anything else has no courses.
    usable_ = in_.open(ctx.paths.workGdb, "rb") && readFileHeader(in_, header) == 0 &&
              isReadableVersion(static_cast<char>(header.version));
    fileSize_ = usable_ ? in_.size() : 0;
    // The track reader reads the record layout of the run's GDB version.
    runVersion_ = ctx.run.outputVersion;
    if (usable_) ctx.run.outputVersion = static_cast<char>(header.version);
}

CourseWalk::~CourseWalk() {
    ctx_.run.outputVersion = runVersion_;
    in_.close();
}

bool CourseWalk::next() {
    while (usable_) {
        char type = 0;
        const int32_t length = readRecordFrame(in_, type);
        if (type == 'V' || type == 0) break;
        if (type != 'T') {
            if (length > fileSize_ - in_.tell() || !in_.seek(in_.tell() + length)) break;
            continue;
        }
        ++tracksSeen_;
        const bool read = readCourseTrack(ctx_, in_, length, tracksSeen_) == 0;
        if (ctx_.progress) ctx_.progress(static_cast<int>(in_.tell() / 1024), static_cast<int>(fileSize_ / 1024));
        // Too few points (the reader told the user), or an unconverted copy kept beside its
        // conversion: no course.
        if (!read || (!ctx_.store.name.empty() && ctx_.store.name[0] == '!')) continue;
        ++ctx_.run.trackCounter;
        coursePoints_ += prepareCourse(ctx_, now_, &legs_);
        name_ = names_.form(ctx_.store.name, ctx_.run.trackCounter);
        return true;
    }
    return false;
}

std::string inFolder(const std::string& folder, const std::string& file) {
    if (folder.empty() || folder.back() == '/') return folder + file;
    return folder + "/" + file;
}

void tellWriteError(Context& ctx, const std::string& path, const std::string& reason) {
    tellLiteral(ctx, cmsg::kCaptionDone, cmsg::kWriteError + path + (reason.empty() ? "" : "\n" + reason),
                MsgStyle::Plain);
}

bool deliverCourseFile(Context& ctx, UnitCourses& unit, const std::string& courseName, std::string_view extension,
                       std::string_view bytes) {
    if (unit.failed) return false;
    std::string name = unitCourseFileName(unit.inputName, courseName, extension);
    const std::string existing = unitEntryNoCase(unit.folder, name);
    if (!existing.empty()) {
        if (say(ctx, cmsg::kReplaceOnDevice, unit.folder.file(existing).c_str()) != Answer::Yes) {
            ++unit.declined;
            return true;
        }
        name = existing;
    }
    std::string error;
    if (!writeFileToUnit(unit.folder, name, bytes, &error)) {
        unit.failed = true;
        tellWriteError(ctx, unit.folder.file(name), error);
        return false;
    }
    unit.written.push_back(unit.folder.file(name));
    return true;
}

int finishCourseRun(Context& ctx, int32_t coursePoints, const std::string& failedPath, bool filesWritten,
                    const std::string& reason) {
    if (coursePoints > 0) say(ctx, cmsg::kCoursePoints, coursePoints);
    if (!failedPath.empty()) tellWriteError(ctx, failedPath, reason);
    if (!filesWritten) return 1;
    if (ctx.run.trackCounter == 0) {
        say(ctx, cmsg::kNoTracks);
        return 1;
    }
    return 0;
}

std::vector<double> distancesAlong(const Context& ctx, const std::vector<double>* legs) {
    const PointStore& s = ctx.store;
    const int32_t last = s.count - 1;
    std::vector<double> along(static_cast<size_t>(std::max(last, 0)) + 1, 0.0);
    if (last < 1) return along;
    // The same additions in the same order as trackLength makes.
    if (legs != nullptr && legs->size() == static_cast<size_t>(last)) {
        for (int32_t i = 1; i <= last; ++i) along[i] = along[i - 1] + (*legs)[i - 1];
    } else {
        const DistanceCache dist(s);
        for (int32_t i = 1; i <= last; ++i) along[i] = along[i - 1] + dist(i - 1, i);
    }
    return along;
}

}  // namespace trakor
