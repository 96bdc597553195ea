// SPDX-License-Identifier: GPL-3.0-or-later
// The tracks of the work GDB file as courses, one after another: read into the point store,
// prepared (times, turn course points, turn warnings) and named. The TCX and FIT course writers
// both take their courses from here, so they hold the same points, times and names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "course/course_names.h"
#include "gdb/stream.h"
#include "platform/unit_files.h"

namespace trakor {

struct Context;

class CourseWalk {
public:
    // Opens the work GDB file; ctx.run.trackCounter starts at 0 and counts the courses.
    CourseWalk(Context& ctx, int64_t now);
    ~CourseWalk();
    CourseWalk(const CourseWalk&) = delete;
    CourseWalk& operator=(const CourseWalk&) = delete;

    // Whether the work file has a readable GDB header (only then are there courses).
    bool usable() const { return usable_; }
    // The next course into the store, prepared; false after the last.
    bool next();
    // The course's name (plain text, unique in this walk) and the distances between its
    // neighbouring points as preparing measured them (may be empty).
    const std::string& name() const { return name_; }
    const std::vector<double>& legs() const { return legs_; }
    // Turns found so far, before any moving for turn warnings.
    int32_t coursePoints() const { return coursePoints_; }

private:
    Context& ctx_;
    int64_t now_;
    FileStream in_;
    bool usable_ = false;
    int64_t fileSize_ = 0;
    char runVersion_ = 0;
    int32_t tracksSeen_ = 0;
    int32_t coursePoints_ = 0;
    std::string name_;
    std::vector<double> legs_;
    CourseNames names_;
};

// The course files of a delivery to a GPS unit: the unit's folder, the name of the input file
// that begins each file's name, and what became of them.
struct UnitCourses {
    UnitFolder folder;  // empty: no unit
    std::string inputName;
    std::vector<std::string> written;  // the files written, as paths
    int declined = 0;                  // courses whose file the user would not have replaced
    bool failed = false;               // a file could not be written (the user was told); no more are tried
};

// Hands one course file to the unit as "<input>-<course>.<extension>". A file of that name (in any
// letter case) is replaced only when the user agrees. False when it could not be written.
bool deliverCourseFile(Context& ctx, UnitCourses& unit, const std::string& courseName, std::string_view extension,
                       std::string_view bytes);

// The end of a course file run: tells the number of course points, the file that could not be
// written (when `failedPath` is not empty, with the system's reason when known) and, when no course
// was made, that there were no tracks. 0 when a course was written and every file is whole.
int finishCourseRun(Context& ctx, int32_t coursePoints, const std::string& failedPath, bool filesWritten,
                    const std::string& reason = {});

// "<folder>/<file>", without doubling a slash that ends the folder.
std::string inFolder(const std::string& folder, const std::string& file);

// Tells the user that a file could not be written, with the system's reason when known.
void tellWriteError(Context& ctx, const std::string& path, const std::string& reason = {});

// Along-track distance of every point of the store (the last is the course's length), from
// `legs` when they fit the store and measured otherwise.
std::vector<double> distancesAlong(const Context& ctx, const std::vector<double>* legs);

}  // namespace trakor
