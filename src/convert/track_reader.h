// GDB track reader: a track record into the point store.
#pragma once

#include <cstdint>

namespace trakor {

struct Context;
class ByteStream;

// Reads the track record whose data (recordLength bytes) follow at the stream's position and
// leaves the stream after it; removes glitches, then splits and filters except for options 0
// and 23. Sets name, displayColor and autoName (0). Result 0: the store holds the track;
// 1: not converted (the user was told, the failure counted).
int readGdbTrack(Context& ctx, ByteStream& in, int32_t recordLength, int option);

}  // namespace trakor
