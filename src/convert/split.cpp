#include "convert/split.h"

#include <cmath>

#include "convert/filters.h"
#include "convert/geometry.h"
#include "core/context.h"

namespace trakor {

namespace {

// A part begins at the point after which the next segment would carry the part past
// partLength; that segment counts for neither part.
void markByLength(PointStore& s, int parts, int64_t partLength) {
    if (s.count < 1) return;
    const double limit = static_cast<double>(partLength);
    int b = 1;
    int begun = 0;
    double acc = 0;
    for (int32_t i = 0; i < s.count; ++i) {
        if (i == 0) {
            s.partMark[0] = 0;
            begun = 1;
        } else {
            s.partMark[i] = static_cast<uint8_t>(b);
        }
        const double d = i < s.count - 1 ? pointDistance(s, i, i + 1) : 0;
        if (acc + d > limit && begun < parts) {
            s.partMark[i] = 0;
            ++b;
            ++begun;
            acc = 0;
        } else {
            acc += d;
        }
    }
}

// Parts begin at indexes 0, per, 2 * per, ...; the last part takes the remainder.
void markByCount(PointStore& s, int parts) {
    const int32_t per = s.count / parts;
    int b = 1;
    int begun = 0;
    int32_t run = 0;
    for (int32_t j = 0; j < s.count; ++j) {
        if (j == 0) {
            s.partMark[0] = 0;
            begun = 1;
        } else {
            s.partMark[j] = static_cast<uint8_t>(b);
        }
        ++run;
        if (run > per && begun < parts) {
            s.partMark[j] = 0;
            ++b;
            ++begun;
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
