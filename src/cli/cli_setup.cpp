#include "cli/cli_setup.h"

#include <cstdlib>
#include <filesystem>

namespace trakor::cli {

namespace fs = std::filesystem;

// INTERIM: a minimal native-mode start-up until the shared start-up and settings store code is in
// the tree; it is to be replaced by that code (paths, INI and native stores, miles mode).
bool setUpCli(int argc, const char* const* argv, const std::string& iniPath, CliSetup& setup, std::string* error) {
    if (!iniPath.empty()) {
        if (error) *error = "settings from an INI file are not available in this build";
        return false;
    }
    Paths& p = setup.paths;
    std::error_code ec;
    p.programPath = fs::read_symlink("/proc/self/exe", ec).string();
    p.programFolder = fs::path(p.programPath).parent_path().string();
    p.modeLetter = 'N';
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    fs::path base = (data && *data == '/') ? fs::path(data) : fs::path(home ? home : "/tmp") / ".local/share";
    fs::path work = base / p.appName;
    fs::create_directories(work, ec);
    p.workingFolder = work.string();
    p.workGdb = (work / (p.appName + ".gdb")).string();
    p.workTcx = (work / (p.appName + ".tcx")).string();
    p.logFile = (work / (p.appName + ".log")).string();
    p.downGdb = (work / (p.appName + ".bcd")).string();
    p.tempFile = (work / "$$$.$$$").string();
    setup.settings = defaultSettings(false);
    setup.settingsSource = "(built-in defaults)";
    return true;
}

void printSetup(FILE* out, const CliSetup& setup) {
    const Paths& p = setup.paths;
    std::fprintf(out, "Mode: %c (%s)\n", p.modeLetter, p.portable() ? "portable" : "native");
    const std::pair<const char*, const std::string*> rows[] = {
        {"Application name", &p.appName},   {"Program", &p.programPath},         {"Program folder", &p.programFolder},
        {"Working folder", &p.workingFolder}, {"Work GDB file", &p.workGdb},       {"Work TCX file", &p.workTcx},
        {"Log file", &p.logFile},           {"Down-converted GDB file", &p.downGdb}, {"Temporary file", &p.tempFile},
        {"INI file", &p.iniFile},           {"Language file", &p.languageFile},  {"Help file", &p.helpFile},
        {"Data folder", &p.dataFolder},     {"Settings store", &setup.settingsSource}};
    for (const auto& [label, value] : rows) std::fprintf(out, "%s: %s\n", label, value->c_str());
    std::fprintf(out, "Settings:\n");
    for (const SettingDef& d : settingTable()) std::fprintf(out, "  %s=%d\n", d.valueName, setup.settings.*d.field);
    std::fprintf(out, "  (miles mode)=%d\n", setup.settings.milesMode);
}

}  // namespace trakor::cli
