// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_names.h"

#include <utility>

#include "core/run_state.h"
#include "platform/utf8.h"

namespace trakor {

namespace {

// Longest base name handed to the importers, in bytes.
constexpr size_t kMaxBaseName = 127;

}  // namespace

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool endsWith(std::string_view s, std::string_view ending) {
    return s.size() >= ending.size() && s.substr(s.size() - ending.size()) == ending;
}

std::string baseNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return std::string(utf8PrefixBytes(name, kMaxBaseName));
}

int inputTypeOf(const std::string& path) {
    static const std::pair<const char*, InputType> kEndings[] = {
        {".gdb", InputType::Gdb}, {".gpx", InputType::Gpx}, {".tcx", InputType::Tcx},  {".crs", InputType::Crs},
        {".fit", InputType::Fit}, {".kml", InputType::Kml}, {".kmz", InputType::Kmz},  {".itn", InputType::Itn},
        {".log", InputType::Nmea}, {".nmea", InputType::Nmea}, {".nma", InputType::Nmea}};
    std::string lower = lowerAscii(path);
    if (lower.find(".gdb.bak") != std::string::npos) return static_cast<int>(InputType::Gdb);
    for (const auto& [ending, type] : kEndings)
        if (endsWith(lower, ending)) return static_cast<int>(type);
    return -1;
}

bool inputCanBeOverwritten(const std::string& path) { return endsWith(lowerAscii(path), ".gdb"); }

}  // namespace trakor
