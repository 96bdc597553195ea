// SPDX-License-Identifier: GPL-3.0-or-later
// The TCX course writer: every track of the work GDB file becomes a course of the work TCX
// file (TrainingCenterDatabase v2); for a GPS device each course is also a file of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "course/course_prepare.h"
#include "course/course_walk.h"
#include "course/xml_check.h"

namespace trakor {

struct Context;

// Lines before the first course and after the last one.
std::string courseDocumentHead();
std::string courseDocumentTail();

// Takes the text written so far and empties the string (for writing a course in pieces).
using CourseFlush = std::function<void(std::string&)>;

// Appends one course from the point store (times and marks as prepareCourse left them) under
// the given course name (plain text, at most 15 characters). A store without points adds nothing.
// With a flush, the text is handed on whenever it has grown past a piece's size. `legs` may hold
// the distances between neighbouring points as prepareCourse measured them.
void writeCourse(const Context& ctx, std::string& out, const std::string& courseName, const CourseFlush& flush = {},
                 const std::vector<double>* legs = nullptr);

// Reads the work GDB file and writes the work TCX file; with a unit each course also goes to a
// file of its own in the unit's folder (see deliverCourseFile), once it has passed the XML check.
// 0 when at least one course was written; 1 otherwise (no course, or a file that could not be
// written), the user having been told. `now` dates tracks without times. The work TCX file's bytes
// are checked as XML on their way to the file; `check` (when given) gets that verdict, or that of
// a course kept from the unit.
int writeCourses(Context& ctx, UnitCourses* unit, int64_t now, XmlCheck* check = nullptr);
// The same at the current time.
int writeCourses(Context& ctx, UnitCourses* unit, XmlCheck* check = nullptr);

}  // namespace trakor
