// SPDX-License-Identifier: GPL-3.0-or-later
// The GDB header scan on arbitrary bytes.
#include "fuzz/fuzz_context.h"
#include "gdb/header_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    Context& ctx = fuzz::freshContext();
    MemoryStream in(data, size);
    HeaderScanResult result;
    if (scanHeader(ctx, in, result) == 0 && (result.headerLength < 0 || result.headerLength > static_cast<int32_t>(size)))
        __builtin_trap();
    return 0;
}
