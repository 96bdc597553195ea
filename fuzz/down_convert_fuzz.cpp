// SPDX-License-Identifier: GPL-3.0-or-later
// The record copier on arbitrary bytes, for each later version.
#include "fuzz/fuzz_context.h"
#include "gdb/down_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    if (size < 1) return 0;
    static const uint8_t versions[] = {0x73, 0x84, 0x8A};
    MemoryStream in(data + 1, size - 1);
    MemoryStream out;
    downConvertStream(in, versions[data[0] % 3], out);
    return 0;
}
