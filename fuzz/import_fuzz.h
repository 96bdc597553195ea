// SPDX-License-Identifier: GPL-3.0-or-later
// Shared body of the reader fuzz targets: the first byte picks the conversion option and a few
// settings, the rest is the file. The output must be whole GDB records.
#pragma once

#include "fuzz/fuzz_context.h"
#include "gdb/stream.h"
#include "import/reader.h"

namespace trakor::fuzz {

inline void runReader(ReaderFn reader, const uint8_t* data, size_t size) {
    static const int32_t kOptions[] = {0, 11, 12, 13, 14, 15, 21, 22, 23, 24};
    if (size < 1) return;
    Context& ctx = freshContext();
    const int32_t option = kOptions[data[0] % 10];
    ctx.settings.Mode = option;
    ctx.settings.SaveTrack = (data[0] >> 4) & 1;
    ctx.settings.Split = (data[0] >> 5) & 1;
    ctx.settings.Filter = (data[0] >> 6) & 1;
    ctx.run.splitValue = 3;
    ctx.run.filterValue = 5;
    MemoryStream out;
    ImportJob job{out};
    job.option = option;
    job.baseName = "fuzz";
    const int rc = reader(ctx, job, data + 1, size - 1);
    if (rc != kReadDone && rc != kReadNothing && rc != kReadInvalid) __builtin_trap();
}

}  // namespace trakor::fuzz
