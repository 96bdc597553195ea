// SPDX-License-Identifier: GPL-3.0-or-later
// GDB route reader: a route record into the point store, for the route options 11 to 15.
#pragma once

#include <cstdint>

namespace trakor {

struct Context;
class ByteStream;

// Reads the route record whose data (recordLength bytes) follow at the stream's position into
// the point store, and leaves the stream after it. Keeps all points (options 11, 13, 15) or the
// route points only (12, 14); marks via points in `via` by their waypoint index row. Sets name,
// autoName and displayColor. The record data are read in the version letter of
// ctx.run.outputVersion.
void readGdbRoute(Context& ctx, ByteStream& in, int32_t recordLength, int option);

// Removes the glitches of the route in the store, then spreads its via points (option 15) or
// splits and filters it (11 to 14). Result 0: the store holds the route; 1: fewer than two
// points remain, so it is not converted (the user was told, the failure counted).
int removeGlitchesAndSplitRoute(Context& ctx, int option);

// Option 15: keeps the first point, the via points, evenly spaced extra points and the last
// point, so that the route holds about `Maximum Points` points. Result 1 when more than
// `Maximum Points` points remain, else 0.
int spreadViaPoints(Context& ctx);

}  // namespace trakor
