// The turn warning walk as plainly stated: each warning point is inserted at once by shifting
// the tail of every array. Kept for the differential test and the benchmark.
#pragma once

#include <cmath>

#include "core/context.h"
#include "course/course_prepare.h"

namespace trakor::reference {

inline void insertPoint(PointStore& s, int32_t n) {
    for (int32_t j = s.count; j > n; --j) {
        s.lat[j] = s.lat[j - 1];
        s.lon[j] = s.lon[j - 1];
        s.alt[j] = s.alt[j - 1];
        s.altValid[j] = s.altValid[j - 1];
        s.time[j] = s.time[j - 1];
        s.via[j] = s.via[j - 1];
        s.partMark[j] = s.partMark[j - 1];
    }
    ++s.count;
}

inline void applyTurnWarnings(Context& ctx) {
    PointStore& s = ctx.store;
    const double w = ctx.settings.TurnWarnings;
    if (w <= 0) return;
    double r = w;
    for (int32_t n = s.count - 2; n >= 1; --n) {
        if (!isTurnMark(s.partMark[n])) {
            r = w;
            continue;
        }
        const double t = static_cast<double>(s.time[n]) - s.time[n - 1];
        if (r > t) {
            if (n != 1 && !isTurnMark(s.partMark[n - 1])) {
                s.partMark[n - 1] = s.partMark[n];
                s.partMark[n] = kMarkPlain;
                r -= t;
                continue;
            }
            if (t < 0.5) {
                r = w;
                continue;
            }
            r = t;
        }
        const double k = r / t;
        const int32_t lat = static_cast<int32_t>(s.lat[n] + k * (static_cast<double>(s.lat[n - 1]) - s.lat[n]));
        double d = semicirclesToDegrees(s.lon[n]), e = semicirclesToDegrees(s.lon[n - 1]);
        bool shifted = true;
        if (d - e > 180) {
            d -= 180;
            e += 180;
        } else if (d - e < -180) {
            d += 180;
            e -= 180;
        } else {
            shifted = false;
        }
        double lonDeg = d + k * (e - d);
        if (shifted) lonDeg += lonDeg < 0 ? 180 : -180;
        const int32_t lon = degreesToSemicircles(lonDeg);
        const int32_t time = static_cast<int32_t>(std::floor(s.time[n] - k * t));
        r = w;
        if (time == s.time[n - 1] && n != 1 && !isTurnMark(s.partMark[n - 1])) {
            s.partMark[n - 1] = s.partMark[n];
            s.partMark[n] = kMarkPlain;
            --n;
            continue;
        }
        if (s.time[n] - static_cast<double>(time) < 0.5 || s.count >= kMaxPoints) continue;
        const uint8_t mark = s.partMark[n];
        insertPoint(s, n);
        s.lat[n] = lat;
        s.lon[n] = lon;
        s.time[n] = time;
        s.partMark[n] = mark;
        s.partMark[n + 1] = kMarkPlain;
    }
}

}  // namespace trakor::reference
