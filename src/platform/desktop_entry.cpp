// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop_entry.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/process_spawn.h"

namespace fs = std::filesystem;

namespace trakor {

namespace {

constexpr int kXdgMimeTimeoutMs = 5000;
// .desktop files are small; a larger file is not one.
constexpr size_t kDesktopFileMax = 256 * 1024;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The escapes of a string value (\s \n \t \r and a doubled backslash); others stay for the Exec quoting rules.
std::string unescapeValue(std::string_view v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 >= v.size()) {
            out += v[i];
            continue;
        }
        char c = v[++i];
        switch (c) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '\\': out += '\\'; break;
            default: out += '\\'; out += c;  // left for the Exec quoting rules
        }
    }
    return out;
}

std::optional<std::string> readSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(kDesktopFileMax, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

// Expands the field codes of an unquoted argument; `usedFile` notes whether the file went in.
std::string expandFieldCodes(std::string_view arg, const std::string& file, bool& usedFile) {
    std::string out;
    for (size_t i = 0; i < arg.size(); ++i) {
        if (arg[i] != '%' || i + 1 >= arg.size()) {
            out += arg[i];
            continue;
        }
        char code = arg[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
            out += file;
            usedFile = true;
        }
        // %i %c %k and the deprecated codes expand to nothing here.
    }
    return out;
}

}  // namespace

std::optional<std::string> desktopExec(std::string_view text) {
    bool inEntry = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.substr(0, 4) != "Exec") continue;
        std::string_view rest = trim(line.substr(4));
        if (rest.empty() || rest.front() != '=') continue;  // Exec[xx] or another key
        return unescapeValue(trim(rest.substr(1)));
    }
    return std::nullopt;
}

std::vector<std::string> expandExec(std::string_view exec, const std::string& file) {
    std::vector<std::string> args;
    bool usedFile = false;
    size_t i = 0;
    while (i < exec.size()) {
        while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t')) ++i;
        if (i >= exec.size()) break;
        std::string arg;
        bool quoted = false;
        while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t') {
            if (exec[i] != '"') {
                arg += exec[i++];
                continue;
            }
            // A quoted part: backslash escapes " ` $ and backslash.
            quoted = true;
            ++i;
            bool closed = false;
            while (i < exec.size()) {
                char c = exec[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < exec.size()) c = exec[i++];
                arg += c;
            }
            if (!closed) return {};
        }
        if (quoted) {
            args.push_back(arg);
        } else {
            std::string expanded = expandFieldCodes(arg, file, usedFile);
            // An argument that was only a field code without a value disappears.
            if (!expanded.empty() || arg.empty()) args.push_back(expanded);
        }
    }
    if (args.empty()) return {};
    if (!usedFile) args.push_back(file);
    return args;
}

std::optional<std::string> findDesktopFile(std::string_view id, const std::vector<std::string>& applicationDirs) {
    if (id.empty() || id.find('/') != std::string_view::npos || id.find("..") != std::string_view::npos)
        return std::nullopt;
    std::error_code ec;
    for (const auto& dir : applicationDirs) {
        std::string candidate = dir + "/" + std::string(id);
        if (fs::is_regular_file(candidate, ec)) return candidate;
        // "vendor-app.desktop" may live in "vendor/app.desktop".
        std::string nested(id);
        for (size_t dash = nested.find('-'); dash != std::string::npos; dash = nested.find('-', dash + 1)) {
            std::string sub = nested;
            sub[dash] = '/';
            if (fs::is_regular_file(dir + "/" + sub, ec)) return dir + "/" + sub;
        }
    }
    return std::nullopt;
}

std::optional<std::string> defaultApplicationExec(std::string_view mimeType, const std::vector<std::string>& env,
                                                  const std::vector<std::string>& applicationDirs) {
    std::string out;
    if (runAndCapture({"xdg-mime", "query", "default", std::string(mimeType)}, env, kXdgMimeTimeoutMs, out) != 0)
        return std::nullopt;
    // The answer may list several ids separated by ";"; the first one is the default.
    std::string_view id = trim(out);
    id = trim(id.substr(0, id.find_first_of(";\n")));
    auto path = findDesktopFile(id, applicationDirs);
    if (!path) return std::nullopt;
    auto text = readSmallFile(*path);
    if (!text) return std::nullopt;
    return desktopExec(*text);
}

std::optional<std::vector<std::string>> defaultApplicationCommand(std::string_view mimeType, const std::string& file,
                                                                  const std::vector<std::string>& env,
                                                                  const std::vector<std::string>& applicationDirs) {
    auto exec = defaultApplicationExec(mimeType, env, applicationDirs);
    if (!exec) return std::nullopt;
    auto args = expandExec(*exec, file);
    if (args.empty()) return std::nullopt;
    return args;
}

}  // namespace trakor
