// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's default application for a file type: asked of xdg-mime, started by the Exec line
// of its .desktop file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

// The Exec value of the [Desktop Entry] group, unescaped; nullopt when there is none.
std::optional<std::string> desktopExec(std::string_view desktopFile);

// The argument vector of an Exec value with `file` in place of %f %F %u %U (appended when the
// value names none); other field codes are dropped. Empty when the value is malformed.
std::vector<std::string> expandExec(std::string_view exec, const std::string& file);

// The .desktop file of a desktop id ("org.gnome.Evince.desktop") in the first application folder
// that has it; a "-" in the id may stand for a subfolder.
std::optional<std::string> findDesktopFile(std::string_view id, const std::vector<std::string>& applicationDirs);

// The Exec value of the default application for `mimeType`; nullopt when none is registered or
// its entry cannot be read. `env` is the environment xdg-mime runs in.
std::optional<std::string> defaultApplicationExec(std::string_view mimeType, const std::vector<std::string>& env,
                                                  const std::vector<std::string>& applicationDirs);

// The command that opens `file` with the default application for `mimeType`, as an argument
// vector; nullopt as for defaultApplicationExec or when its Exec value is malformed.
std::optional<std::vector<std::string>> defaultApplicationCommand(std::string_view mimeType, const std::string& file,
                                                                  const std::vector<std::string>& env,
                                                                  const std::vector<std::string>& applicationDirs);

}  // namespace trakor
