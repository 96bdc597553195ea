// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/environment.h"

#include <filesystem>

extern char** environ;

namespace trakor {

std::optional<std::string> Environment::get(std::string_view name) const {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> Environment::nonEmpty(std::string_view name) const {
    auto v = get(name);
    if (v && v->empty()) return std::nullopt;
    return v;
}

Environment Environment::fromProcess() {
    Environment env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        std::string_view entry(*e);
        size_t eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        env.vars.emplace(std::string(entry.substr(0, eq)), std::string(entry.substr(eq + 1)));
    }
    return env;
}

namespace {
std::string xdgBase(const Environment& env, std::string_view variable, std::string_view belowHome) {
    auto v = env.nonEmpty(variable);
    if (v && v->front() == '/') return *v;  // relative values are invalid and ignored
    return env.get("HOME").value_or("") + "/" + std::string(belowHome);
}
}  // namespace

std::string xdgConfigHome(const Environment& env) { return xdgBase(env, "XDG_CONFIG_HOME", ".config"); }
std::string xdgDataHome(const Environment& env) { return xdgBase(env, "XDG_DATA_HOME", ".local/share"); }

std::string ownProgramFile() {
    std::error_code ec;
    const std::string file = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return ec ? std::string() : file;
}

}  // namespace trakor
