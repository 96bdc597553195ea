// SPDX-License-Identifier: GPL-3.0-or-later
// Point filters: thinning a route or track by number of points, by percentage or by turn angle.
#pragma once

namespace trakor {

struct Context;

// Thins the store by the setting `Filtertype`:
//  1: each part down to parts * (value - 1) + 1 points;
//  2: each part by value percent of its points;
//  3: removes points where the path turns by less than value degrees (one sweep).
// Types 1 and 2 remove the straightest points first, the first such point of a part first, and
// widen the tolerance a degree at a time up to 180. Via points, part ends and (type 3) part
// starts are never removed. Returns 1 when a type 1 or 2 part keeps more points than its
// target, else 0; any other type leaves the store alone and returns 0.
int filterPoints(Context& ctx, int value, int parts);

}  // namespace trakor
