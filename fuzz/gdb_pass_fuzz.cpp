// SPDX-License-Identifier: GPL-3.0-or-later
// The GDB conversion pass and the via point visibility pass on arbitrary bytes; the first byte
// picks the option.
#include "convert/gdb_pass.h"
#include "convert/via_points.h"
#include "fuzz/fuzz_context.h"
#include "gdb/file_header.h"
#include "gdb/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    static const int kOptions[] = {1, 2, 3, 4, 11, 12, 13, 14, 15, 21, 22, 23, 24};
    if (size < 1) return 0;
    Context& ctx = fuzz::freshContext();
    ctx.settings.Mode = kOptions[data[0] % 13];
    ctx.settings.SaveRoute = ctx.settings.SaveTrack = (data[0] >> 4) & 1;
    ctx.settings.Filter = ctx.settings.Split = (data[0] >> 5) & 1;
    ctx.run.filterValue = 5;
    ctx.run.splitValue = 1;
    ctx.run.savedRouteMarker = ctx.settings.SaveRoute;
    MemoryStream in(data + 1, size - 1), out;
    int32_t headerLength = 0;
    if (scanForGdbPass(ctx, in, headerLength) != 0) return 0;
    if (ctx.settings.Mode == 3 || ctx.settings.Mode == 4) {
        if (viaPointVisibilityPass(ctx, in, out) != 0) __builtin_trap();
    } else {
        convertGdbFile(ctx, in, out, headerLength);
        // The output is whole records after the header, up to its last byte.
        const auto& b = out.bytes();
        size_t pos = static_cast<size_t>(headerLength);
        RecordView rec;
        char last = 0;
        while (nextRecord(b.data(), b.size(), pos, rec)) last = rec.type;
        if (pos != b.size() || last != 'V') __builtin_trap();
    }
    return 0;
}
