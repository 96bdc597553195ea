// SPDX-License-Identifier: GPL-3.0-or-later
// Names in course files: course names (shortened to what devices show, unique in a file),
// their XML form, the per-course file names on a device, and the course point names.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace trakor {

struct Context;

// Longest course name a course file may hold, in characters.
constexpr size_t kMaxCourseName = 15;
// Longest course point name, in characters.
constexpr size_t kMaxCoursePointName = 10;
// Name of a course whose track has no name (or only blanks).
constexpr const char* kUnnamedCourse = "Course";

// The course names of one file. A track name (UTF-8 or Windows-1252) becomes UTF-8 without
// control characters; a name longer than 15 characters keeps its start and ends in a blank and
// the course number d ("%.13s %.1d" for d < 10, "%.12s %.2d" below 100, and so on for any d).
// A name already given in this file (compared as a device's FAT file system compares file names,
// without regard to case) is shortened the same way so that every course keeps a name of its
// own, in the file and as a file name on the device.
class CourseNames {
public:
    std::string form(std::string_view trackName, int32_t d);

private:
    std::set<std::string> used_;
};

// Text content for XML: a name with '<' or '&' (or a "]]>") as a CDATA section, any other as is.
std::string nameContent(std::string_view name);
// '&', '<' and '>' as entities.
std::string escapeXml(std::string_view text);

// File name of a course on the device: the course name with the characters that file systems
// of devices refuse ('/', '\\', ':', '*', '?', '"', '<', '>', '|') as '_', and the extension.
std::string courseFileName(std::string_view courseName, std::string_view extension = ".tcx");

// File name of a course on a unit: the input file's name (its first 40 characters, so the whole
// stays within 255 bytes), '-' and the course name, as courseFileName makes it; the course name
// alone when there is no input name or the course is named after the input.
std::string unitCourseFileName(std::string_view inputName, std::string_view courseName, std::string_view extension);

// Name of a course point, "Left" or "Right", or the name inside the translated name line
// ($MSG49, $MSG50) cut to 10 characters; a translation without a usable name gives English.
std::string coursePointName(const Context& ctx, bool right);

}  // namespace trakor
