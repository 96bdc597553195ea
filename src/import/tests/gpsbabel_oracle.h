// SPDX-License-Identifier: GPL-3.0-or-later
// gpsbabel as an independent reader of the same input (testsupport/gpx_oracle.h), its routes,
// tracks and waypoints as plain coordinates, for comparing with what our readers found.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "import/tests/import_fixture.h"
#include "testsupport/gpx_oracle.h"

namespace trakor::test {

struct OraclePoint {
    double lat, lon;
};

struct OracleResult {
    bool ran = false;
    std::vector<std::vector<OraclePoint>> lines;  // routes, then tracks, as gpsbabel writes them
    std::vector<OraclePoint> waypoints;
};

// gpsbabel -i FORMAT with the given object flags (-w -r -t): its lines and waypoints.
inline OracleResult gpsbabelLines(const std::string& format, const std::string& flags, const std::string& file) {
    OracleResult r;
    GpxData data;
    if (!gpsbabelRead(file, data, nullptr, format, flags)) return r;
    r.ran = true;
    for (const std::vector<GpxPath>* paths : {&data.routes, &data.tracks}) {
        for (const GpxPath& path : *paths) {
            std::vector<OraclePoint>& line = r.lines.emplace_back();
            for (const GpxPoint& p : path.points) {
                // Our point store keeps one of two equal neighbours.
                if (line.empty() || line.back().lat != p.lat || line.back().lon != p.lon) line.push_back({p.lat, p.lon});
            }
        }
    }
    for (const GpxPoint& p : data.waypoints) r.waypoints.push_back({p.lat, p.lon});
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
