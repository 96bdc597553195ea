// SPDX-License-Identifier: GPL-3.0-or-later
// --render draws with the map view, which needs Qt. It runs in a program of its own,
// trakor3-cli-render, so that trakor3-cli itself loads no Qt library and starts fast.
#pragma once

#include <string>
#include <vector>

namespace trakor::cli {

inline constexpr const char* kRenderProgramName = "trakor3-cli-render";

// Where the render program may be, in the order tried: beside `program` (the build tree), then in
// the private-program folder relative to it (installed: bin/../libexec/trakor3).
std::vector<std::string> renderProgramPlaces(const std::string& program);

// Replaces this process by the render program with the same arguments. Its argv[0] becomes the
// path of this program, so that the render program runs with this program's paths, settings and
// application name. Returns only when that fails, with the reason.
std::string execRenderProgram(int argc, char** argv);

// In the render program: the program it runs for (argv[0] when that is the absolute path of a
// file), else empty (its own file is used).
std::string renderCaller(const char* argv0);

}  // namespace trakor::cli
