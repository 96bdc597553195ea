// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's own command-line options, answered in the terminal before any window
// opens: --help and --version. Qt's options ("-platform", "-style") are Qt's.
#pragma once

#include <cstdio>

namespace trakor {

// Answers --help/-h and --version on `out` and returns the exit status, or -1 when the program
// is to start as usual.
int answerStartOptions(int argc, const char* const* argv, std::FILE* out);

}  // namespace trakor
