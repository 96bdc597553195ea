// SPDX-License-Identifier: GPL-3.0-or-later
// Reading values from a Wine registry file (user.reg, system.reg) without running Wine.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/environment.h"

namespace trakor {

// The value `valueName` of the key `keyPath` ("Software\Garmin\MapSource\Settings", relative to
// the file's root) in a Wine registry file. Key and value names compare case-insensitively;
// an empty value name or "@" means the key's default value. Strings come back decoded (UTF-8),
// a dword or qword as its unsigned decimal text. nullopt when the file, the key or the value is
// missing, or the value is of another (binary) type.
std::optional<std::string> readWineRegistryValue(const std::string& regFile, std::string_view keyPath,
                                                 std::string_view valueName);

// The Wine prefix: $WINEPREFIX, else ~/.wine.
std::string winePrefix();
std::string winePrefix(const Environment& env);

}  // namespace trakor
