// SPDX-License-Identifier: GPL-3.0-or-later
// Translating between Windows paths inside a Wine prefix and the Linux file system.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trakor {

// The Linux path of a Windows path ("C:\Garmin\MapSource.exe") in the prefix, matching each
// component without regard to case as Wine does; nullopt when it names nothing there.
std::optional<std::string> linuxPathInPrefix(const std::string& prefix, std::string_view windowsPath);

// The Windows path under which Wine's Z: drive shows a Linux path ("/home/u/a.gdb" -> "Z:\home\u\a.gdb").
std::string windowsPathOf(std::string_view linuxPath);

// The program a registry InstallDir text stands for: the file it names, or, when it names a
// folder, the first of `programNames` inside it. The Windows path to start, or nullopt when
// nothing runnable is there.
std::optional<std::string> programInPrefix(const std::string& prefix, std::string_view installDir,
                                           std::span<const std::string_view> programNames);

}  // namespace trakor
