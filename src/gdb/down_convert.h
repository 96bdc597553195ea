// SPDX-License-Identifier: GPL-3.0-or-later
// The record copier: rewrites a GDB file of a later version (0x73, 0x84, 0x8A) into a version-3
// file by copying every version-3 field and dropping the extra bytes of the later versions.
#pragma once

#include <cstdint>

#include "core/context.h"
#include "gdb/stream.h"

namespace trakor {

// Copies `in` (read from its current position, which must be the file's start) to `out`,
// writing "m" as the version letter. Waypoint, route, track and end records are copied without
// the later versions' extra bytes; records of other types are left out. Every record is read
// inside its own length: a record that ends early gives a shorter record with matching length
// and point counts. An input that ends without an end record gets one. Returns 0.
int downConvertStream(ByteStream& in, uint8_t version, ByteStream& out);

// Writes the down-converted file ctx.paths.downGdb from `in`: the file is made writable,
// replaced, and left read-only. Returns 0, or 1 when the file could not be written.
int downConvert(Context& ctx, ByteStream& in, uint8_t version);

}  // namespace trakor
