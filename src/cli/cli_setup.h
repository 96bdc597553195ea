// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the command line: the same application name, paths, settings store and working
// files as the desktop program. The command line reads the settings but never writes them.
#pragma once

#include <cstdio>
#include <string>

#include "core/paths.h"
#include "core/settings.h"

namespace trakor::cli {

struct CliSetup {
    Paths paths;
    Settings settings;
    std::string settingsSource;  // the store the settings were read from
    bool modeStored = false;     // the store holds a Mode of the user's (not the default)
};

// Decides paths and loads the settings; `iniPath` (may be empty) names an INI file to use as the
// settings store; `programPath` (may be empty) the program whose paths are used instead of this
// process's own file. False with a reason when that is not possible.
bool setUpCli(int argc, const char* const* argv, const std::string& iniPath, CliSetup& setup, std::string* error,
              const std::string& programPath = {});

// The mode, every path and every loaded setting, one per line.
void printSetup(FILE* out, const CliSetup& setup);

}  // namespace trakor::cli
