// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wine_paths.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace trakor {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The entry of `dir` named `name` in any case, the exact name preferred.
std::optional<fs::path> findNoCase(const fs::path& dir, std::string_view name) {
    std::error_code ec;
    if (fs::exists(dir / std::string(name), ec)) return dir / std::string(name);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (equalNoCase(it->path().filename().string(), name)) return it->path();
    return std::nullopt;
}

}  // namespace

std::optional<std::string> linuxPathInPrefix(const std::string& prefix, std::string_view windowsPath) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
    char drive = windowsPath[0];
    if (drive >= 'A' && drive <= 'Z') drive = static_cast<char>(drive + 32);
    if (drive < 'a' || drive > 'z') return std::nullopt;
    std::error_code ec;
    fs::path here = fs::path(prefix) / "dosdevices" / (std::string(1, drive) + ":");
    if (!fs::exists(here, ec)) {
        if (drive != 'c') return std::nullopt;
        here = fs::path(prefix) / "drive_c";
        if (!fs::exists(here, ec)) return std::nullopt;
    }
    std::string_view rest = windowsPath.substr(2);
    size_t pos = 0;
    while (pos < rest.size()) {
        size_t end = rest.find_first_of("\\/", pos);
        if (end == std::string_view::npos) end = rest.size();
        std::string_view part = rest.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return std::nullopt;  // stays inside the drive
        auto next = findNoCase(here, part);
        if (!next) return std::nullopt;
        here = *next;
    }
    return here.string();
}

std::string windowsPathOf(std::string_view linuxPath) {
    std::string out = "Z:";
    for (char c : linuxPath) out += c == '/' ? '\\' : c;
    return out;
}

std::optional<std::string> programInPrefix(const std::string& prefix, std::string_view installDir,
                                           std::span<const std::string_view> programNames) {
    auto found = linuxPathInPrefix(prefix, installDir);
    if (!found) return std::nullopt;
    std::error_code ec;
    if (fs::is_regular_file(*found, ec)) return std::string(installDir);
    if (!fs::is_directory(*found, ec)) return std::nullopt;
    for (std::string_view name : programNames) {
        auto exe = findNoCase(*found, name);
        if (exe && fs::is_regular_file(*exe, ec)) {
            std::string dir(installDir);
            if (dir.back() != '\\') dir += '\\';
            return dir + exe->filename().string();
        }
    }
    return std::nullopt;
}

}  // namespace trakor
