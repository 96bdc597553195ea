// SPDX-License-Identifier: GPL-3.0-or-later
// KMZ extraction on arbitrary archive bytes: the bytes go to a file in a folder of this process,
// entry 0 is extracted into the working folder there, and nothing may land outside the
// extraction folder.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_context.h"
#include "import/kmz_archive.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    static const fs::path root = fs::temp_directory_path() / ("trakor-kmz-fuzz-" + std::to_string(getpid()));
    const fs::path work = root / "work";
    const fs::path input = root / "in.kmz";
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(work);
    if (FILE* f = std::fopen(input.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    Context& ctx = fuzz::freshContext();
    ctx.paths.workingFolder = work.string();
    ctx.settings.Mode = 11;
    const std::string folder = fs::weakly_canonical(kmzExtractionFolder(ctx)).string() + "/";
    const std::string extracted = extractKmz(ctx, input.string());
    if (!extracted.empty() && fs::weakly_canonical(extracted).string().rfind(folder, 0) != 0) __builtin_trap();
    // Only the input and the working folder's tree may exist in the process folder.
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path p = it->path();
        if (p == input || p == work) continue;
        const std::string s = p.string();
        if (s.rfind(folder, 0) != 0 && (s + "/") != folder) __builtin_trap();
    }
    fs::remove_all(root, ec);
    return 0;
}
