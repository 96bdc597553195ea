// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/split.h"

#include <cmath>

#include "convert/filters.h"
#include "convert/geometry.h"
#include "core/context.h"

namespace trakor {

namespace {

// Writes the marks point by point: 0 where a part begins, the current part number elsewhere.
// At most `parts` parts are begun; the first point always begins one.
class PartMarker {
public:
    PartMarker(PointStore& s, int parts) : s_(s), parts_(parts) {}
    void mark(int32_t i) {
        if (i == 0) {
            s_.partMark[0] = 0;
            begun_ = 1;
        } else {
            s_.partMark[i] = static_cast<uint8_t>(number_);
        }
    }
    bool canBegin() const { return begun_ < parts_; }
    void begin(int32_t i) {
        s_.partMark[i] = 0;
        ++number_;
        ++begun_;
    }

private:
    PointStore& s_;
    int parts_;
    int number_ = 1;
    int begun_ = 0;
};

// A part begins at the point after which the next segment would carry the part past
// partLength; that segment counts for neither part.
void markByLength(PointStore& s, int parts, int64_t partLength) {
    if (s.count < 1) return;
    const double limit = static_cast<double>(partLength);
    PartMarker marker(s, parts);
    double acc = 0;
    for (int32_t i = 0; i < s.count; ++i) {
        marker.mark(i);
        const double d = i < s.count - 1 ? pointDistance(s, i, i + 1) : 0;
        if (acc + d > limit && marker.canBegin()) {
            marker.begin(i);
            acc = 0;
        } else {
            acc += d;
        }
    }
}

// Parts begin at indexes 0, per, 2 * per, ...; the last part takes the remainder.
void markByCount(PointStore& s, int parts) {
    const int32_t per = s.count / parts;
    PartMarker marker(s, parts);
    int32_t run = 0;
    for (int32_t j = 0; j < s.count; ++j) {
        marker.mark(j);
        ++run;
        if (run > per && marker.canBegin()) {
            marker.begin(j);
            run = 1;
        }
    }
}

int clampParts(double parts) { return parts >= 100 ? kMaxParts : static_cast<int>(parts); }

}  // namespace

void markParts(Context& ctx, int parts, int64_t partLength) {
    // Marks hold part numbers in a byte; more than kMaxParts parts are never asked for.
    if (parts < 1 || parts > kMaxParts) return;
    if (ctx.settings.Splittype == 1)
        markByLength(ctx.store, parts, partLength);
    else if (ctx.settings.Splittype == 2)
        markByCount(ctx.store, parts);
}

SplitFilterResult splitAndFilter(Context& ctx) {
    SplitFilterResult out;
    const Settings& set = ctx.settings;
    const int filterValue = ctx.run.filterValue;
    const int splitValue = ctx.run.splitValue;
    const bool filter = set.Filter == 1;
    auto runFilter = [&](int parts) { out.filterResults.push_back(filterPoints(ctx, filterValue, parts)); };

    if (set.Split == 1 && set.Splittype == 1) {
        const double length = trackLength(ctx.store);
        // A split length of zero or less would ask for endless parts: no split then.
        out.parts = splitValue > 0 ? clampParts(length / (splitValue * 1000.0) + 1) : 1;
        if (out.parts >= 2) markParts(ctx, out.parts, static_cast<int64_t>(length / out.parts));
        if (filter) runFilter(1);
    } else if (set.Split == 1 && set.Splittype == 2) {
        if (filter && (set.Filtertype == 2 || set.Filtertype == 3)) runFilter(1);
        out.parts = splitValue > 0 ? clampParts(ctx.store.count / splitValue + 1) : 1;
        if (filter && set.Filtertype == 1) runFilter(out.parts);
        if (out.parts >= 2) markParts(ctx, out.parts, 0);
    } else if (set.Split == 0) {
        if (filter) runFilter(1);
    }
    return out;
}

}  // namespace trakor
