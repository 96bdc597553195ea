// SPDX-License-Identifier: GPL-3.0-or-later
// KMZ archives: the KML document entry is extracted to a file, which is then read as KML.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"

namespace trakor {

// Largest entry that is extracted.
constexpr uint64_t kMaxKmzEntryBytes = 256ull * 1024 * 1024;

// The folder below the working folder (the current folder when none is set) that receives
// extracted entries; nothing is ever written outside it.
std::string kmzExtractionFolder(const Context& ctx);

// The entry name made relative: a drive prefix and leading separators go, and so does everything
// up to and including a "..' between separators; backslashes count as separators, and "." and
// empty components are dropped. Empty when no file name is left.
std::string relativeEntryName(std::string_view entryName);

// Extracts the archive's document ("doc.kml", else the first entry ending in ".kml", else the
// first entry) into the extraction folder (creating the folders of its
// relative name), keeps its modification time, and returns the path of the extracted file.
// Returns an empty path when the archive cannot be opened or the entry is refused or cannot be
// written; outside batch mode the user is told why.
std::string extractKmz(Context& ctx, const std::string& kmzPath);

}  // namespace trakor
