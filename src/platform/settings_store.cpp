// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/settings_store.h"

#include <filesystem>

#include "platform/ini_file.h"

namespace trakor {

bool SettingsStore::writeInts(std::span<const NamedInt> values) {
    bool all = true;
    for (const auto& v : values) all = writeInt(v.name, v.value) && all;
    return all;
}

void SettingsStore::readInts(std::span<NamedInt> values) {
    for (auto& v : values) v.value = readInt(v.name, v.value);
}

namespace {
// Saves the document, making its folder first where it is missing.
bool saveMaking(const IniFile& ini, const std::string& path, std::string& error) {
    std::error_code ec;
    auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    return ini.save(path, &error);
}
}  // namespace

std::string SettingsStore::readText(std::string_view) { return std::string(); }

bool SettingsStore::writeText(std::string_view, const std::string&) { return false; }

IniSettingsStore::IniSettingsStore(std::string path, std::string section)
    : path_(std::move(path)), section_(std::move(section)) {}

int32_t IniSettingsStore::readInt(std::string_view name, int32_t fallback) {
    IniFile ini;
    if (!ini.load(path_)) return fallback;
    return ini.intValue(section_, name, fallback);
}

void IniSettingsStore::readInts(std::span<NamedInt> values) {
    IniFile ini;
    if (!ini.load(path_)) return;
    for (auto& v : values) v.value = ini.intValue(section_, v.name, v.value);
}

bool IniSettingsStore::writeInt(std::string_view name, int32_t value) {
    const NamedInt one[] = {{name, value}};
    return writeInts(one);
}

bool IniSettingsStore::writeInts(std::span<const NamedInt> values) {
    IniFile ini;
    if (!ini.load(path_)) {
        lastError_ = "cannot read " + path_;
        return false;  // never replace a file whose content we could not read
    }
    for (const auto& v : values) ini.set(section_, v.name, std::to_string(v.value));
    return saveMaking(ini, path_, lastError_);
}

std::string IniSettingsStore::readText(std::string_view name) {
    IniFile ini;
    if (!ini.load(path_)) return std::string();
    return ini.value(section_, name).value_or(std::string());
}

bool IniSettingsStore::writeText(std::string_view name, const std::string& value) {
    if (value.empty()) return deleteValue(name);
    if (value.find_first_of("\r\n") != std::string::npos) {
        lastError_ = "a line break cannot be kept in " + path_;
        return false;
    }
    IniFile ini;
    if (!ini.load(path_)) {
        lastError_ = "cannot read " + path_;
        return false;
    }
    ini.set(section_, name, "\"" + value + "\"");
    return saveMaking(ini, path_, lastError_);
}

bool IniSettingsStore::deleteValue(std::string_view name) {
    IniFile ini;
    if (!ini.load(path_)) {
        lastError_ = "cannot read " + path_;
        return false;
    }
    if (!ini.remove(section_, name)) return true;  // nothing to delete: no write
    return ini.save(path_, &lastError_);
}

std::string nativeSettingsPath(const Environment& env, std::string_view appName) {
    return xdgConfigHome(env) + "/Quenby Software/" + std::string(appName) + ".conf";
}

std::span<const std::string_view> obsoleteValueNames() {
    static constexpr std::string_view kNames[] = {"Check-track", "MapSource", "Original Route", "Original Track",
                                                  "Routesize"};
    return kNames;
}

}  // namespace trakor
