// SPDX-License-Identifier: GPL-3.0-or-later
// What a file's name tells: its input type and the base name the importers use.
#pragma once

#include <string>
#include <string_view>

namespace trakor {

// The file name without folder and extension, cut at a character boundary to a length the
// readers' name buffers hold.
std::string baseNameOf(const std::string& path);

// Input type from a file name (decided on a lower-cased copy), -1 when the name has no known ending.
int inputTypeOf(const std::string& path);

// Whether the result may replace this input: its name ends in ".gdb" in any case (a .gdb.bak does not).
bool inputCanBeOverwritten(const std::string& path);

// ASCII lower case; other bytes (UTF-8 included) stay as they are.
std::string lowerAscii(std::string s);
bool endsWith(std::string_view s, std::string_view ending);

}  // namespace trakor
