// SPDX-License-Identifier: GPL-3.0-or-later
// Via point conversions: options 1 and 2 edit route and waypoint records one at a time,
// options 3 and 4 edit the whole file in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trakor {

struct Context;
class ByteStream;

// Option 1 makes the visible via points of a route record user waypoints (class 0, marker
// 255); option 2 makes its invisible points visible via points (class 8, marker 15). `data` is
// the record's data (after the type letter), edited in place; its length does not change.
void rewriteRouteLinks(Context& ctx, std::vector<uint8_t>& data, int option);

// The same change for a waypoint record (option 2 keeps the class), and the symbol set to
// `Waypoint Symbol`.
void rewriteWaypoint(Context& ctx, std::vector<uint8_t>& data, int option);

// Options 3 (`Mode` 3: hide the via points of every route, "#" before its name) and 4 (show them
// again): reads the whole input, edits its routes and waypoints, writes the result to out.
// Every route changed sets the route counter to 1. Result 0 done (an input without a usable
// header is copied unchanged), 1 out of memory (nothing written).
int viaPointVisibilityPass(Context& ctx, ByteStream& in, ByteStream& out);

// Option 3 on one route of a GDB image being built in memory: the route record at
// `routeOffset` is the image's last record; the waypoints it hides are looked up among the
// records from `recordsStart` on. A route of 3 points or more also gets auto-name flag 0. The
// image shrinks or grows with the route. False when the route cannot be read whole (nothing is
// changed).
bool hideRouteViaPoints(std::vector<uint8_t>& image, size_t recordsStart, size_t routeOffset, char version);

}  // namespace trakor
