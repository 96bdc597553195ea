// SPDX-License-Identifier: GPL-3.0-or-later
// The gdb reader on arbitrary bytes; the first byte picks the option.
#include "fuzz/import_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trakor::fuzz::runReader(trakor::readGdbForImport, data, size);
    return 0;
}
