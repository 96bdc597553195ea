// SPDX-License-Identifier: GPL-3.0-or-later
// gpsbabel as the tests' independent reader: it converts a file (GDB, FIT, GPX, ...) to GPX, and
// the GPX is scanned for waypoints, routes and tracks. The one GPX scanner of the tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "gdb/file_header.h"
#include "testsupport/testsupport.h"

namespace trakor::test {

struct GpxPoint {
    double lat = 0, lon = 0;
    std::optional<double> ele;
    std::optional<int64_t> time;
    std::string name;
    std::string sym;
    std::string cmt, desc;
};
struct GpxPath {
    std::string name;
    std::vector<GpxPoint> points;
};
struct GpxData {
    std::vector<GpxPoint> waypoints;
    std::vector<GpxPath> routes, tracks;
};

namespace detail {
inline std::string between(const std::string& s, const std::string& open, const std::string& close, size_t from,
                           size_t to) {
    size_t a = s.find(open, from);
    if (a == std::string::npos || a >= to) return {};
    a += open.size();
    size_t b = s.find(close, a);
    return b == std::string::npos || b > to ? std::string{} : s.substr(a, b - a);
}

inline std::string unescape(std::string s) {
    const std::pair<const char*, const char*> ents[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""},
                                                        {"&apos;", "'"}, {"&amp;", "&"}};
    for (auto [e, c] : ents) {
        for (size_t p = s.find(e); p != std::string::npos; p = s.find(e, p + 1)) s.replace(p, std::strlen(e), c);
    }
    return s;
}

// Points of one element kind ("wpt", "rtept", "trkpt") between from and to.
inline std::vector<GpxPoint> points(const std::string& s, const std::string& tag, size_t from, size_t to) {
    std::vector<GpxPoint> out;
    const std::string open = "<" + tag + " ";
    const std::string close = "</" + tag + ">";
    for (size_t p = s.find(open, from); p != std::string::npos && p < to; p = s.find(open, p + 1)) {
        size_t end = s.find(close, p);
        size_t selfClose = s.find("/>", p);
        size_t headEnd = s.find('>', p);
        if (selfClose != std::string::npos && selfClose + 1 == headEnd) end = headEnd;
        if (end == std::string::npos || end > to) break;
        GpxPoint pt;
        pt.lat = std::stod(between(s, "lat=\"", "\"", p, headEnd));
        pt.lon = std::stod(between(s, "lon=\"", "\"", p, headEnd));
        std::string ele = between(s, "<ele>", "</ele>", headEnd, end);
        if (!ele.empty()) pt.ele = std::stod(ele);
        std::string t = between(s, "<time>", "</time>", headEnd, end);
        if (t.size() >= 19) {
            std::tm tm{};
            tm.tm_year = std::stoi(t.substr(0, 4)) - 1900;
            tm.tm_mon = std::stoi(t.substr(5, 2)) - 1;
            tm.tm_mday = std::stoi(t.substr(8, 2));
            tm.tm_hour = std::stoi(t.substr(11, 2));
            tm.tm_min = std::stoi(t.substr(14, 2));
            tm.tm_sec = std::stoi(t.substr(17, 2));
            pt.time = static_cast<int64_t>(timegm(&tm));
        }
        pt.name = unescape(between(s, "<name>", "</name>", headEnd, end));
        pt.sym = unescape(between(s, "<sym>", "</sym>", headEnd, end));
        pt.cmt = unescape(between(s, "<cmt>", "</cmt>", headEnd, end));
        pt.desc = unescape(between(s, "<desc>", "</desc>", headEnd, end));
        out.push_back(pt);
    }
    return out;
}

inline std::vector<GpxPath> paths(const std::string& s, const std::string& tag, const std::string& pointTag) {
    std::vector<GpxPath> out;
    const std::string open = "<" + tag + ">";
    const std::string close = "</" + tag + ">";
    for (size_t p = s.find(open); p != std::string::npos; p = s.find(open, p + 1)) {
        size_t end = s.find(close, p);
        if (end == std::string::npos) break;
        GpxPath path;
        size_t firstPoint = s.find("<" + pointTag + " ", p);
        path.name = unescape(between(s, "<name>", "</name>", p, std::min(end, firstPoint)));
        path.points = points(s, pointTag, p, end);
        out.push_back(std::move(path));
    }
    return out;
}
}  // namespace detail

// gpsbabel's reading of a file in one of its input formats (GDB by default), limited to the
// object kinds of `objects` ("-w -r -t", all when empty); false (with its message) when gpsbabel
// fails on it.
inline bool gpsbabelRead(const std::string& path, GpxData& data, std::string* error = nullptr,
                         const std::string& format = "gdb", const std::string& objects = "") {
    std::string gpx;
    const std::string flags = objects.empty() ? std::string() : objects + " ";
    int rc = runCommand("gpsbabel " + flags + "-i " + format + " -f " + quote(path) + " -o gpx -F - 2>&1", &gpx);
    if (rc != 0 || gpx.find("<gpx") == std::string::npos) {
        if (error) *error = gpx;
        return false;
    }
    size_t firstPath = std::min(gpx.find("<rte>"), gpx.find("<trk>"));
    data.waypoints = detail::points(gpx, "wpt", 0, firstPath == std::string::npos ? gpx.size() : firstPath);
    data.routes = detail::paths(gpx, "rte", "rtept");
    data.tracks = detail::paths(gpx, "trk", "trkpt");
    return true;
}

// gpsbabel reads only files made by MapSource or BaseCamp: a copy of one of our files with that
// creator name.
inline std::vector<uint8_t> withCreator(const std::vector<uint8_t>& file, const std::string& creator) {
    const size_t nameAt = kNewHeaderLength - 8;  // "Trakor3" and its zero byte end the header
    EXPECT_EQ(std::string(file.begin() + nameAt, file.begin() + kNewHeaderLength - 1), "Trakor3");
    std::string out(file.begin(), file.begin() + nameAt);
    out += creator;
    out.push_back('\0');
    out.append(file.begin() + kNewHeaderLength, file.end());
    return std::vector<uint8_t>(out.begin(), out.end());
}

// Degrees as gpsbabel prints them, back to semicircles of the file.
inline int64_t gpxSemicircles(double degrees) { return std::llround(degrees * 2147483648.0 / 180.0); }

}  // namespace trakor::test
