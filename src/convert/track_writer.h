// SPDX-License-Identifier: GPL-3.0-or-later
// GDB track writer: one track record per part of the point store.
#pragma once

#include <string_view>

namespace trakor {

struct Context;
class ByteStream;

// Writes part `part` (1-based) of the point store as one "T" record named `name`, at the
// output's current end. The part ends with the first point of the next part, if any.
// Record details follow the version letter in ctx.run.outputVersion.
void writeTrackPart(Context& ctx, ByteStream& out, std::string_view name, int part);

}  // namespace trakor
