// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up decisions: portable or native mode, the application name and every path of the run.
#pragma once

#include <span>
#include <string>
#include <vector>
#include <string_view>

#include "core/paths.h"
#include "core/settings.h"
#include "platform/settings_store.h"
#include "platform/environment.h"

namespace trakor {

// Longest application name; longer program names are cut to it.
constexpr size_t kMaxAppNameLength = 31;

// The application name of a program file name: a "-cli" suffix is dropped so the command-line
// front end shares its name, any spelling of "trakor3" becomes "Trakor3", and the name is cut
// to kMaxAppNameLength bytes (never inside a UTF-8 character).
std::string applicationName(std::string_view programFileName);

// Decides mode and paths without touching the system. `programPath` is the absolute path of the
// program file; `args` the arguments after the program path (a capital "N" anywhere selects native
// mode, a capital "C" the clipboard dialog). A program under `installPrefix`, /usr or /usr/local
// runs native and finds its language and help files in <prefix>/share/trakor3; otherwise they lie
// next to the program. The working folder is the program's folder (portable) or
// $XDG_DATA_HOME/<application name> (native).
Paths decidePaths(const std::string& programPath, std::span<const std::string> args, const Environment& env,
                  std::string_view installPrefix);

// Points the work files (gdb, tcx, log, bcd, $$$.$$$) at `folder`.
void setWorkingFolder(Paths& paths, const std::string& folder);

// The real start-up: the program path from /proc/self/exe (or `programPath` when given: a helper
// running on behalf of that program), the process environment, and the working folder created
// when missing (when it cannot be created, the program's folder is used).
Paths startUp(int argc, const char* const* argv, const std::string& programPath = {});

// Start arguments split into mode switches ("N", "C", ...) and files to open: an argument that names
// an existing file, holds a '/' or ends in an input type ("Cycling.gdb") is a file and sets no switch.
struct StartArguments {
    std::vector<std::string> switches;
    std::vector<std::string> files;
};
StartArguments splitStartArguments(int argc, const char* const* argv);

// Miles mode: MapSource's "DistanceUnitsType" in the Wine prefix decides when present (0 or 2
// mean statute units); otherwise the locale's measurement system (U.S. means statute units).
int32_t decideMilesMode(const Environment& env);

// The settings record from its store (as the core loads it) with miles mode decided for this machine.
void loadSettings(Settings& s, SettingsStore& store, bool portable, const Environment& env);

}  // namespace trakor
