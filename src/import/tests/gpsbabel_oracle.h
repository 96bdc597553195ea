// gpsbabel as an independent reader of the same input: its GPX output, cut into routes, tracks
// and waypoints, for comparing coordinates with what our readers found.
#pragma once

#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "import/tests/import_fixture.h"

namespace trakor::test {

struct OraclePoint {
    double lat, lon;
};

struct OracleResult {
    bool ran = false;
    std::vector<std::vector<OraclePoint>> lines;  // routes, then tracks, as gpsbabel writes them
    std::vector<OraclePoint> waypoints;
};

// Runs gpsbabel -i FORMAT with the given object flags (-w -r -t) and parses its GPX output.
inline OracleResult gpsbabelRead(const std::string& format, const std::string& flags, const std::string& file) {
    OracleResult r;
    std::string gpx;
    if (runCommand("gpsbabel " + flags + " -i " + format + " -f '" + file + "' -o gpx -F - 2>/dev/null", &gpx) != 0)
        return r;
    r.ran = true;
    static const std::regex item(R"re(<(wpt|rte|trk)>|<(wpt|rtept|trkpt) lat="([-0-9.]+)" lon="([-0-9.]+)")re");
    std::vector<OraclePoint>* line = nullptr;
    for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), item); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m[1].matched) {
            r.lines.emplace_back();
            line = &r.lines.back();
            continue;
        }
        OraclePoint p{std::stod(m[3]), std::stod(m[4])};
        if (m[2] == "wpt") {
            r.waypoints.push_back(p);
        } else if (line) {
            // Our point store keeps one of two equal neighbours.
            if (line->empty() || line->back().lat != p.lat || line->back().lon != p.lon) line->push_back(p);
        }
    }
    return r;
}

inline std::vector<OraclePoint> flatten(const std::vector<std::vector<OraclePoint>>& lines) {
    std::vector<OraclePoint> all;
    for (const auto& l : lines) all.insert(all.end(), l.begin(), l.end());
    return all;
}

// Degrees of our semicircles, by Garmin's factor as gpsbabel takes them.
inline std::vector<OraclePoint> flatten(const std::vector<CapturedTrack>& tracks) {
    std::vector<OraclePoint> all;
    for (const auto& t : tracks)
        for (const auto& p : t.points) all.push_back({semicirclesToDegrees(p.lat), semicirclesToDegrees(p.lon)});
    return all;
}

// Same points in the same order, to 1e-6 degree (or the tolerance given).
inline void expectSamePoints(const std::vector<OraclePoint>& ours, const std::vector<OraclePoint>& theirs,
                             double tolerance = 1e-6) {
    ASSERT_EQ(ours.size(), theirs.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        ASSERT_NEAR(ours[i].lat, theirs[i].lat, tolerance) << "point " << i;
        ASSERT_NEAR(ours[i].lon, theirs[i].lon, tolerance) << "point " << i;
    }
}

}  // namespace trakor::test
