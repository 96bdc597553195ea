// SPDX-License-Identifier: GPL-3.0-or-later
// The FIT course writer: the courses of the TCX course writer (the same points, times, names
// and course points) as binary FIT course files, protocol 2.0, little-endian, with the header
// and file CRCs. Current Garmin watches and bike computers take courses only in this form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trakor {

struct Context;
struct UnitCourses;

// One FIT course file of the course in the point store (times and marks as prepareCourse left
// them) under the given course name; `legs` as for writeCourse. `created` is the file's time of
// creation in seconds since 1970.
std::string encodeFitCourse(const Context& ctx, const std::string& courseName, const std::vector<double>* legs,
                            int64_t created);

// Reads the work GDB file and writes its courses as FIT: to `outputPath` when given (several
// courses as one chained FIT file, replaced only when whole), and each course to a file of its own
// on the unit when one is given (see deliverCourseFile). 0 when at least one course was written,
// 1 otherwise (the user having been told, with the system's reason). `now` dates tracks without times.
int writeFitCourses(Context& ctx, const std::string& outputPath, UnitCourses* unit, int64_t now);
int writeFitCourses(Context& ctx, const std::string& outputPath, UnitCourses* unit);

}  // namespace trakor
