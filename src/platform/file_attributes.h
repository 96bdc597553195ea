// SPDX-License-Identifier: GPL-3.0-or-later
// File attributes on Linux: "read-only" is the owner's write permission. Work files are also
// "hidden" on other systems; here they keep their names, so hiding needs nothing.
#pragma once

#include <string>

namespace trakor {

// Removes the write permissions; whether it succeeded.
bool setReadOnly(const std::string& path);
// Gives the owner write permission back; whether it succeeded (a missing file counts as done).
bool clearReadOnly(const std::string& path);
// Whether the file exists without owner write permission.
bool isReadOnly(const std::string& path);

}  // namespace trakor
