// SPDX-License-Identifier: GPL-3.0-or-later
// Cutting a route or track into parts, and the shared split-and-filter step.
#pragma once

#include <cstdint>
#include <vector>

namespace trakor {

struct Context;

// Most parts a split makes.
constexpr int kMaxParts = 99;

// Rewrites the part marks of the whole store into `parts` parts: by length (`Splittype` 1,
// parts of about partLength metres) or by number of points (`Splittype` 2). Points are never
// moved or removed.
void markParts(Context& ctx, int parts, int64_t partLength);

struct SplitFilterResult {
    // Results of the filterPoints calls, in call order (1 = a part kept more points than asked).
    std::vector<int> filterResults;
    // Number of parts the split asked for (1 when not splitting); decides the part name format.
    int parts = 1;
};

// Splits and filters the store after glitch removal, in the order that keeps the filtered point
// counts fitting the parts, using the run's split and filter values.
SplitFilterResult splitAndFilter(Context& ctx);

}  // namespace trakor
