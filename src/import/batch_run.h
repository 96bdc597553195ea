// SPDX-License-Identifier: GPL-3.0-or-later
// Batch conversion: many input files into one GDB file, with a CSV log of every route, track
// and failed file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/context.h"
#include "gdb/stream.h"

namespace trakor {

// Reads every input in order with the reader for its type (option: the `Mode` setting) and writes
// all routes and tracks to `output`, header and end record included, logging to `log`. The run
// counters go on from file to file. Returns 0 when the list was processed, 2 when the memory for
// a file could not be obtained (the loop stops at once and the output lacks its end record).
int convertBatch(Context& ctx, FILE* log, ByteStream& output, const std::vector<std::string>& inputs);

}  // namespace trakor
