// SPDX-License-Identifier: GPL-3.0-or-later
// Plain, slow versions of the thinning passes, written step by step as the behaviour is stated:
// every removal shifts the arrays, every pass recomputes every corner. The fast versions must
// give exactly the same stores.
#pragma once

#include <cstdlib>

#include "convert/geometry.h"
#include "core/context.h"

namespace trakor::reference {

inline bool classIs8or9(const WaypointIndex& index, int32_t via) {
    const int64_t row = std::llabs(static_cast<int64_t>(via));
    if (row < 1 || row > static_cast<int64_t>(index.rows.size())) return false;
    const uint8_t cls = index.rows[static_cast<size_t>(row - 1)].cls;
    return cls == 8 || cls == 9;
}

inline void removeGlitches(Context& ctx) {
    PointStore& s = ctx.store;
    if (ctx.settings.RemovalGlitches == 1 && s.count >= 2) {
        int32_t i = 3;
        while (i < s.count - 1) {
            const bool spike = s.lat[i] == s.lat[i - 2] && s.lon[i] == s.lon[i - 2] && s.via[i] == 0 &&
                               s.via[i - 2] == 0;
            const int32_t tipVia = s.via[i - 1];
            if (spike && tipVia == 0) {
                s.removePoints(i - 1, 2);
                i = std::max(i - 1, 3);
                continue;
            }
            if (spike && tipVia < 0 && classIs8or9(ctx.waypointIndex, tipVia)) {
                s.via[i - 2] = tipVia;
                s.alt[i - 2] = s.alt[i - 1];
                s.altValid[i - 2] = s.altValid[i - 1];
                s.time[i - 2] = s.time[i - 1];
                if (s.partMark[i - 2] != 0) s.partMark[i - 2] = s.partMark[i - 1];
                s.removePoints(i - 1, 2);
                i = std::max(i - 1, 3);
                continue;
            }
            ++i;
        }
    }
    if (ctx.settings.RemovalDistance >= 1) {
        const int threshold = ctx.settings.RemovalDistance / 10;
        int32_t i = 1;
        while (i < s.count) {
            if (pointDistance(s, i - 1, i) <= threshold) {
                if (s.via[i] == 0) {
                    s.removePoints(i, 1);
                    continue;
                }
                if (s.via[i] < 0 && s.via[i - 1] == 0) {
                    const uint8_t mark = s.partMark[i - 1] == 0 ? 0 : s.partMark[i];
                    s.lat[i - 1] = s.lat[i];
                    s.lon[i - 1] = s.lon[i];
                    s.alt[i - 1] = s.alt[i];
                    s.altValid[i - 1] = s.altValid[i];
                    s.time[i - 1] = s.time[i];
                    s.via[i - 1] = s.via[i];
                    s.partMark[i - 1] = mark;
                    s.removePoints(i, 1);
                    continue;
                }
            }
            ++i;
        }
    }
}

inline int filterPoints(Context& ctx, int value, int parts) {
    PointStore& s = ctx.store;
    const int type = ctx.settings.Filtertype;
    if (type == 3) {
        if (s.count < 3) return 0;
        const double limit = turnLimit(value);
        int32_t i = 0;
        while (i < s.count - 2) {
            if (s.via[i + 1] == 0 && s.partMark[i + 1] != 0 && limit > cornerCosine(s, i))
                s.removePoints(i + 1, 1);
            else
                ++i;
        }
        return 0;
    }
    if (type != 1 && type != 2) return 0;
    int result = 0;
    int32_t i = 0;
    while (i < s.count - 1) {
        int32_t j = i + 1;
        while (j < s.count && s.partMark[j] != 0) ++j;
        if (j == s.count) j = s.count - 1;
        int64_t a;
        if (type == 1) {
            a = static_cast<int64_t>(parts) * (static_cast<int64_t>(value) - 1) + 1;
        } else {
            a = (100 - static_cast<int64_t>(value)) * (j - i) / 100;
            if (a < 3) a = 2;
        }
        for (int k = 0; k <= 180 && j - i + 1 > a; ++k) {
            const double limit = turnLimit(k);
            int32_t m = i;
            while (m < j - 1 && j - i + 1 > a) {
                if (s.via[m + 1] == 0 && limit >= cornerCosine(s, m)) {
                    s.removePoints(m + 1, 1);
                    --j;
                } else {
                    ++m;
                }
            }
        }
        if (j - i + 1 > a) result = 1;
        i = j;
    }
    return result;
}

}  // namespace trakor::reference

#include "convert/split.h"

namespace trakor::reference {

// The split-and-filter order with the plain filter; the marking itself is one linear pass.
inline SplitFilterResult splitAndFilter(Context& ctx) {
    SplitFilterResult out;
    const Settings& set = ctx.settings;
    const int fv = ctx.run.filterValue;
    const int sv = ctx.run.splitValue;
    if (set.Split == 1 && set.Splittype == 1) {
        const double length = trackLength(ctx.store);
        if (sv > 0) {
            const double parts = length / (sv * 1000.0) + 1;
            out.parts = parts >= 100 ? 99 : static_cast<int>(parts);
        }
        if (out.parts >= 2) trakor::markParts(ctx, out.parts, static_cast<int64_t>(length / out.parts));
        if (set.Filter == 1) out.filterResults.push_back(reference::filterPoints(ctx, fv, 1));
    } else if (set.Split == 1 && set.Splittype == 2) {
        if (set.Filter == 1 && (set.Filtertype == 2 || set.Filtertype == 3))
            out.filterResults.push_back(reference::filterPoints(ctx, fv, 1));
        if (sv > 0) out.parts = std::min(ctx.store.count / sv + 1, 99);
        if (set.Filter == 1 && set.Filtertype == 1) out.filterResults.push_back(reference::filterPoints(ctx, fv, out.parts));
        if (out.parts >= 2) trakor::markParts(ctx, out.parts, 0);
    } else if (set.Split == 0 && set.Filter == 1) {
        out.filterResults.push_back(reference::filterPoints(ctx, fv, 1));
    }
    return out;
}

}  // namespace trakor::reference
