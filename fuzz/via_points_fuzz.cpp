// SPDX-License-Identifier: GPL-3.0-or-later
// Options 3 and 4 (hide or show the via points of every route) on arbitrary bytes. The pass
// must finish, and its output must again be readable by a second pass.
#include "convert/via_points.h"
#include "fuzz/fuzz_context.h"
#include "gdb/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    if (size < 1) return 0;
    Context& ctx = fuzz::freshContext();
    ctx.settings.Mode = (data[0] & 1) ? 4 : 3;
    MemoryStream in(data + 1, size - 1), out;
    if (viaPointVisibilityPass(ctx, in, out) != 0) __builtin_trap();
    // Hiding twice, or showing after hiding, runs on the first result.
    MemoryStream again(out.bytes().data(), out.bytes().size()), out2;
    ctx.resetRun();
    if (viaPointVisibilityPass(ctx, again, out2) != 0) __builtin_trap();
    return 0;
}
