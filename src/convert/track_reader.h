// SPDX-License-Identifier: GPL-3.0-or-later
// GDB track reader: a track record into the point store.
#pragma once

#include <cstdint>

namespace trakor {

struct Context;
class ByteStream;

// Reads the track record whose data (recordLength bytes) follow at the stream's position into
// the point store and leaves the stream after it. Sets name, displayColor and autoName (0).
void readGdbTrack(Context& ctx, ByteStream& in, int32_t recordLength);

// Removes the glitches of the track in the store, then splits and filters it except for options
// 0 and 23. Result 0: the store holds the track; 1: fewer than two points remain, so it is not
// converted (the user was told, the failure counted).
int removeGlitchesAndSplitTrack(Context& ctx, int option);

}  // namespace trakor
