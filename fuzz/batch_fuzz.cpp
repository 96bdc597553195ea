// SPDX-License-Identifier: GPL-3.0-or-later
// The batch run on three inputs made of arbitrary bytes: the first byte picks the option, the
// next three the type of each input, the rest is cut into three files. The run counters go on
// from file to file, so this reaches states a single reader never sees.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_context.h"
#include "import/batch_run.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    static const int32_t kOptions[] = {0, 11, 12, 13, 14, 15, 21, 22, 23, 24};
    static const char* kExtensions[] = {"gdb", "gpx", "tcx", "crs", "fit", "kml", "kmz", "itn", "nmea"};
    if (size < 4) return 0;
    static const fs::path root = fs::temp_directory_path() / ("trakor-batch-fuzz-" + std::to_string(getpid()));
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(root / "work");
    const size_t rest = size - 4, third = rest / 3;
    std::vector<std::string> inputs;
    for (size_t i = 0; i < 3; ++i) {
        const size_t from = 4 + i * third, length = i == 2 ? rest - 2 * third : third;
        inputs.push_back((root / ("in" + std::to_string(i) + "." + kExtensions[data[1 + i] % 9])).string());
        if (FILE* f = std::fopen(inputs.back().c_str(), "wb")) {
            if (length) std::fwrite(data + from, 1, length, f);
            std::fclose(f);
        }
    }
    Context& ctx = fuzz::freshContext();
    ctx.paths.workingFolder = (root / "work").string();
    ctx.settings.Mode = kOptions[data[0] % 10];
    ctx.settings.SaveTrack = (data[0] >> 4) & 1;
    ctx.settings.Split = (data[0] >> 5) & 1;
    ctx.run.splitValue = 3;
    MemoryStream out;
    FILE* log = std::tmpfile();
    const int rc = convertBatch(ctx, log, out, inputs);
    if (log) std::fclose(log);
    if (rc != 0 && rc != 2) __builtin_trap();
    fs::remove_all(root, ec);
    return 0;
}
