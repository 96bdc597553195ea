// SPDX-License-Identifier: GPL-3.0-or-later
// Builds small routes and tracks in a point store for the tests, positions in degrees.
#pragma once

#include <memory>

#include "core/context.h"

namespace trakor::test {

constexpr double kMetresPerDegree = 111189.57696;

inline std::unique_ptr<Context> makeContext() {
    auto ctx = std::make_unique<Context>();
    ctx->settings.RemovalGlitches = 0;
    ctx->settings.RemovalDistance = 0;
    return ctx;
}

// Appends a point without duplicate suppression, so tests can place any sequence.
inline void put(Context& ctx, double lat, double lon, int32_t via = 0, uint8_t mark = 1) {
    PointStore& s = ctx.store;
    const int32_t i = s.count++;
    s.lat[i] = degreesToSemicircles(lat);
    s.lon[i] = degreesToSemicircles(lon);
    s.alt[i] = 100 + i;
    s.altValid[i] = 1;
    s.time[i] = 1000 + i;
    s.via[i] = via;
    s.partMark[i] = i == 0 ? 0 : mark;
}

// n points northwards along the meridian at longitude 0, `metres` apart.
inline void putMeridian(Context& ctx, int n, double metres, double startLat = 0) {
    for (int i = 0; i < n; ++i) put(ctx, startLat + i * metres / kMetresPerDegree, 0);
}

}  // namespace trakor::test
