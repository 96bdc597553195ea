// SPDX-License-Identifier: GPL-3.0-or-later
// Turn warnings as their meaning puts them, for the differential test and the benchmark: the
// mark of a course point goes back along the track to the moment W seconds before the turn.
// - It lands on the point of that moment when the track has one, else on a new point placed at
//   that moment on the segment that spans it (position interpolated by time, the shorter way
//   round the globe; altitude and via of the point after it).
// - It never reaches the first point nor passes another course point: stopped there, it goes to a
//   new point at the stopping point's moment, or stays where it is when that last segment lasts
//   less than half a second (or the store is full).
// The course points are taken from the last to the first; the result is built anew, with no
// array shifted. Times are whole seconds and W is whole seconds here, so moments compare exactly.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/context.h"
#include "course/course_prepare.h"

namespace trakor::reference {

struct WarningPoint {
    int32_t lat, lon, time;
    uint8_t mark;
};

// The point at moment `at` on the segment from point b (earlier) to point a.
inline WarningPoint pointAt(const PointStore& s, int32_t b, int32_t a, double at, uint8_t mark) {
    const double k = (s.time[a] - at) / (static_cast<double>(s.time[a]) - s.time[b]);  // share back from a
    const int32_t lat = static_cast<int32_t>(s.lat[a] + k * (static_cast<double>(s.lat[b]) - s.lat[a]));
    const double from = semicirclesToDegrees(s.lon[a]);
    double east = semicirclesToDegrees(s.lon[b]) - from;
    if (east > 180) east -= 360;
    if (east < -180) east += 360;
    double lon = from + k * east;
    if (lon > 180) lon -= 360;
    if (lon < -180) lon += 360;
    return {lat, degreesToSemicircles(lon), static_cast<int32_t>(at), mark};
}

inline void applyTurnWarnings(Context& ctx) {
    PointStore& s = ctx.store;
    const double w = ctx.settings.TurnWarnings;
    if (w <= 0) return;
    const int32_t n = s.count;
    std::vector<uint8_t> mark(s.partMark, s.partMark + n);
    std::vector<std::optional<WarningPoint>> newBefore(static_cast<size_t>(n));  // a new point before point i
    int64_t room = kMaxPoints - n;
    const auto stopsBefore = [&](int32_t i) { return i == 1 || isTurnMark(mark[i - 1]); };

    for (int32_t turn = n - 2; turn >= 1; --turn) {
        if (!isTurnMark(mark[turn])) continue;
        const uint8_t m = mark[turn];
        mark[turn] = kMarkPlain;
        const double moment = s.time[turn] - w;
        int32_t at = turn;
        while (!stopsBefore(at) && s.time[at - 1] > moment) --at;
        if (!stopsBefore(at) && s.time[at - 1] == moment) {
            mark[at - 1] = m;  // a point of that very moment
            turn = at - 1;     // (the loop steps past it)
            continue;
        }
        const double when = std::max<double>(moment, s.time[at - 1]);
        if (when <= s.time[at] - 0.5 && room > 0) {
            newBefore[at] = pointAt(s, at - 1, at, when, m);
            --room;
        } else {
            mark[at] = m;
        }
        turn = at;
    }

    std::vector<int32_t> lat, lon, time, via;
    std::vector<double> alt;
    std::vector<uint8_t> altValid, marks;
    for (int32_t i = 0; i < n; ++i) {
        if (newBefore[i]) {
            const WarningPoint& p = *newBefore[i];
            lat.push_back(p.lat), lon.push_back(p.lon), time.push_back(p.time), marks.push_back(p.mark);
            alt.push_back(s.alt[i]), altValid.push_back(s.altValid[i]), via.push_back(s.via[i]);
        }
        lat.push_back(s.lat[i]), lon.push_back(s.lon[i]), time.push_back(s.time[i]), marks.push_back(mark[i]);
        alt.push_back(s.alt[i]), altValid.push_back(s.altValid[i]), via.push_back(s.via[i]);
    }
    s.count = static_cast<int32_t>(lat.size());
    std::copy(lat.begin(), lat.end(), s.lat);
    std::copy(lon.begin(), lon.end(), s.lon);
    std::copy(time.begin(), time.end(), s.time);
    std::copy(alt.begin(), alt.end(), s.alt);
    std::copy(altValid.begin(), altValid.end(), s.altValid);
    std::copy(via.begin(), via.end(), s.via);
    std::copy(marks.begin(), marks.end(), s.partMark);
}

}  // namespace trakor::reference
