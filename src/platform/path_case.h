// SPDX-License-Identifier: GPL-3.0-or-later
// Finding files on devices that write their folder names in a case of their own ("GARMIN/NEWFILES")
// on file systems that tell cases apart (MTP through gvfs or FUSE, ext4 copies of a device).
#pragma once

#include <string>

namespace trakor {

// `relative` ("Garmin/NewFiles") under `root`, each component matched against what the folder
// holds without regard to letter case (ASCII). An exact match wins; the first component not
// found, and all after it, are kept as given. The result is root + "/" + the matched components.
std::string findPathNoCase(const std::string& root, const std::string& relative);

// Creates the folders of `relative` under `root` that are missing, matching the existing ones
// without regard to case; the resulting folder path, or empty when it cannot be made.
std::string ensureFolderNoCase(const std::string& root, const std::string& relative);

}  // namespace trakor
