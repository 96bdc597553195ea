// SPDX-License-Identifier: GPL-3.0-or-later
// The file types a conversion writes: the ending that picks each, its name and what it carries.
// The help texts, the option checks and the driver all read this one table.
#pragma once

#include <string>
#include <string_view>

namespace trakor {

struct OutputType {
    const char* extension;  // the ending without its dot, lower case: "gdb"
    const char* name;       // the name the messages use: "GDB"
    const char* carries;    // what one output of the type holds: "a GDB file", "TCX courses"
    bool courses;           // the result leaves as courses (options that make routes cannot go there)
};

inline constexpr OutputType kOutputTypes[] = {
    {"gdb", "GDB", "a GDB file", false},
    {"gpx", "GPX", "a GPX file", false},
    {"tcx", "TCX", "TCX courses", true},
    {"fit", "FIT", "FIT courses", true},
};

// The type an output path's ending (any letter case) picks; nullptr when it picks none.
const OutputType* outputTypeOf(std::string_view path);

// The types one field of each joined into a list: "GDB, GPX, TCX or FIT" for &OutputType::name.
std::string outputTypeList(const char* OutputType::*field, std::string_view separator = ", ",
                           std::string_view last = " or ");

}  // namespace trakor
