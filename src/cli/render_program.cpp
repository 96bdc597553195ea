// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/render_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/environment.h"

namespace fs = std::filesystem;

namespace trakor::cli {

std::vector<std::string> renderProgramPlaces(const std::string& program) {
    const fs::path folder = fs::path(program).parent_path();
    return {(folder / kRenderProgramName).string(),
            (folder / TRAKOR_RENDER_FOLDER / kRenderProgramName).lexically_normal().string()};
}

std::string execRenderProgram(int argc, char** argv) {
    const std::string self = ownProgramFile();
    if (self.empty()) return "this program's own file is unknown";
    std::vector<char*> args(argv, argv + argc);
    if (args.empty()) args.push_back(nullptr);
    args[0] = const_cast<char*>(self.c_str());
    args.push_back(nullptr);
    std::fflush(nullptr);

    const std::vector<std::string> places = renderProgramPlaces(self);
    std::string reason;
    for (const std::string& place : places) {
        ::execv(place.c_str(), args.data());
        // A missing file sends us on to the next place; any other failure is the one to tell.
        if (errno != ENOENT && reason.empty()) reason = place + ": " + std::strerror(errno);
    }
    if (reason.empty()) {
        reason = std::string(kRenderProgramName) + " is neither in " + fs::path(places[0]).parent_path().string() +
                 " nor in " + fs::path(places[1]).parent_path().string();
    }
    return reason;
}

std::string renderCaller(const char* argv0) {
    if (argv0 == nullptr || argv0[0] != '/') return {};
    std::error_code ec;
    return fs::is_regular_file(argv0, ec) ? std::string(argv0) : std::string();
}

}  // namespace trakor::cli
