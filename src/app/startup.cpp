// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include "core/file_names.h"
#include "platform/utf8.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/settings_io.h"
#include "platform/locale.h"
#include "platform/wine_registry.h"

namespace trakor {

namespace {

namespace fs = std::filesystem;

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Whether `path` lies inside the folder `prefix` (whole path components).
bool liesUnder(const fs::path& path, const fs::path& prefix) {
    auto p = path.begin();
    for (auto q = prefix.begin(); q != prefix.end(); ++q, ++p) {
        if (q->empty()) continue;  // trailing separator
        if (p == path.end() || *p != *q) return false;
    }
    return p != path.end();
}

}  // namespace

std::string applicationName(std::string_view name) {
    if (name.size() > 4 && name.ends_with("-cli")) name.remove_suffix(4);
    if (equalsNoCase(name, "trakor3")) return "Trakor3";
    return std::string(utf8PrefixBytes(name, kMaxAppNameLength));
}

void setWorkingFolder(Paths& paths, const std::string& folder) {
    paths.workingFolder = folder;
    const std::string base = (fs::path(folder) / paths.appName).string();
    paths.workGdb = base + ".gdb";
    paths.workTcx = base + ".tcx";
    paths.logFile = base + ".log";
    paths.downGdb = base + ".bcd";
    paths.tempFile = (fs::path(folder) / "$$$.$$$").string();
}

Paths decidePaths(const std::string& programPath, std::span<const std::string> args, const Environment& env,
                  std::string_view installPrefix) {
    Paths paths;
    const fs::path program = fs::path(programPath).lexically_normal();
    paths.programPath = program.string();
    paths.programFolder = program.parent_path().string();
    paths.appName = applicationName(program.filename().string());

    for (const auto& a : args) {
        if (a.find('N') != std::string::npos) paths.modeLetter = 'N';
        if (a.find('C') != std::string::npos) paths.clipboardFlag = 'C';
    }

    // The longest install prefix that holds the program decides where its data files are.
    std::string installedUnder;
    for (std::string_view prefix : {installPrefix, std::string_view("/usr"), std::string_view("/usr/local")}) {
        fs::path p = fs::path(prefix).lexically_normal();
        if (!p.is_absolute() || p == p.root_path()) continue;  // "" or "/" would claim every program
        if (liesUnder(program, p) && p.string().size() > installedUnder.size())
            installedUnder = p.string();
    }
    if (!installedUnder.empty()) {
        if (installedUnder.ends_with('/')) installedUnder.pop_back();
        paths.modeLetter = 'N';
        paths.dataFolder = installedUnder + "/share/trakor3";
    } else {
        paths.dataFolder = paths.programFolder;
    }

    const std::string data = (fs::path(paths.dataFolder) / paths.appName).string();
    paths.iniFile = data + ".ini";
    paths.languageFile = data + ".lng";
    paths.helpFile = data + "en.pdf";

    setWorkingFolder(paths, paths.portable() ? paths.programFolder
                                             : (fs::path(xdgDataHome(env)) / paths.appName).string());
    return paths;
}

StartArguments splitStartArguments(int argc, const char* const* argv) {
    StartArguments out;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i] ? argv[i] : "";
        std::error_code ec;
        if (a.find('/') != std::string::npos || inputTypeOf(a) >= 0 || fs::is_regular_file(a, ec)) out.files.push_back(a);
        else out.switches.push_back(a);
    }
    return out;
}

Paths startUp(int argc, const char* const* argv, const std::string& programPath) {
    Environment env = Environment::fromProcess();
    if (!env.nonEmpty("HOME"))
        if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) env.vars["HOME"] = pw->pw_dir;

    std::error_code ec;
    fs::path program = programPath.empty() ? fs::path(ownProgramFile()) : fs::path(programPath);
    if (program.empty() && argc > 0 && argv[0] != nullptr) program = fs::weakly_canonical(fs::absolute(argv[0], ec), ec);
    Paths paths = decidePaths(program.string(), splitStartArguments(argc, argv).switches, env, TRAKOR_INSTALL_PREFIX);
    if (!paths.portable()) {
        fs::create_directories(paths.workingFolder, ec);
        if (!fs::is_directory(paths.workingFolder, ec)) setWorkingFolder(paths, paths.programFolder);
    }
    return paths;
}

int32_t decideMilesMode(const Environment& env) {
    auto units = readWineRegistryValue(winePrefix(env) + "/user.reg", "Software\\Garmin\\MapSource\\Settings",
                                       "DistanceUnitsType");
    if (units && !units->empty() && units->find_first_not_of("0123456789") == std::string::npos) {
        unsigned long long v = std::strtoull(units->c_str(), nullptr, 10);
        return (v == 0 || v == 2) ? 1 : 0;
    }
    return usesUsMeasurement(env) ? 1 : 0;
}

void loadSettings(Settings& s, SettingsStore& store, bool portable, const Environment& env) {
    loadSettings(s, store, portable);
    s.milesMode = decideMilesMode(env);
}

}  // namespace trakor
