// SPDX-License-Identifier: GPL-3.0-or-later
// The header scan: checks a GDB input and builds the waypoint index and the route name index
// that the conversion passes consult.
#pragma once

#include <cstdint>

#include "core/context.h"
#include "gdb/stream.h"

namespace trakor {

struct HeaderScanResult {
    int32_t headerLength = 0;  // bytes from the signature to the end of the creator name
    char version = 0;          // 'k', 'l' or 'm'
};

// Reads the header of `in` (from its start), then walks its records once:
// - every waypoint whose marker is neither 31 nor 33 goes into ctx.waypointIndex;
// - every route whose name does not begin with "!" goes into ctx.routeNameIndex; a "!" route
//   sets ctx.run.savedRouteMarker to 1;
// - ctx.run.nextWaypointNumber becomes one above the largest waypoint name made of the `Prefix`
//   character and one to five digits;
// - ctx.run.outputVersion becomes the input's version letter.
// The walk ends at the end of the data, at a zero or negative length, or at a length that would
// run past the end. Returns 1 when the input is not a usable GDB file (signature, version letter
// other than 'k', 'l', 'm', or no memory for the file copy), 0 otherwise; on 0 the input is back
// at its start.
int scanHeader(Context& ctx, ByteStream& in, HeaderScanResult& result);

// Copies the first headerLength bytes of `in` to `out`; returns the number of bytes copied.
int32_t copyHeader(int32_t headerLength, ByteStream& out, ByteStream& in);

}  // namespace trakor
