// SPDX-License-Identifier: GPL-3.0-or-later
// GDB route writer: the waypoint records a route part needs, then its route record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gdb/records.h"

namespace trakor {

struct Context;
class ByteStream;

// Name of store point i when it needs one of its own: the Prefix character and
// nextWaypointNumber + i ("%c%d"); for ITN input the point's name from the name pool.
std::string pointName(const Context& ctx, int32_t i);

// Writes part `part` (1-based) of the point store as a route named `name`, preceded by the
// waypoint records it refers to. `option` is the conversion option: 13, 14, 15 (direct routes
// from a GDB route, via values refer to the waypoint index), 21 (waypoints), 22 (visible via
// points) or 23 (invisible via points); the importers use 21, 22 and 23.
void writeRoutePart(Context& ctx, ByteStream& out, int part, std::string_view name, int option);

// Writes one "W" record named `name` at store point i. `symbol` goes into the low 16 bits
// of the symbol field; `visible` 1 gives marker 15, 0 marker 31 (options 13 to 15, 22, 23).
// Other options (21 and the importers' own waypoints) write a user waypoint.
void writeWaypoint(Context& ctx, ByteStream& out, std::string_view name, int32_t i, int option, uint16_t symbol,
                   int visible);
// The record writeWaypoint writes, for writers that add to it before writing.
GdbWaypoint waypointAt(const Context& ctx, std::string_view name, int32_t i, int option, uint16_t symbol,
                       int visible);

// A route point as an input file gives it: its waypoint's name, position and symbol, whether it
// is an invisible (shaping) point, and the link points of the leg that starts at it.
struct InputRoutePoint {
    std::string name;
    int32_t lat = 0, lon = 0;
    Altitude alt;
    uint16_t symbol = 0;
    bool invisible = false;
    std::vector<GdbLinkPoint> links;
};

// Writes a route of the input as it stands: the waypoint of each point (a name already written
// to this output is not written again), then the route record.
void writeInputRoute(Context& ctx, ByteStream& out, const std::string& name, uint8_t autoName, int32_t colour,
                     const std::vector<InputRoutePoint>& points);

}  // namespace trakor
