// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_setup.h"

#include <climits>
#include <filesystem>
#include <memory>

#include "app/startup.h"
#include "core/settings_io.h"
#include "platform/environment.h"
#include "platform/settings_store.h"

namespace trakor::cli {

namespace {

// Reads through to a store and never changes it: the command line is not the dialog and
// leaves the stored settings (and the obsolete values) as they are.
class ReadOnlyStore : public SettingsStore {
public:
    explicit ReadOnlyStore(SettingsStore& inner) : inner_(inner) {}
    int32_t readInt(std::string_view name, int32_t fallback) override { return inner_.readInt(name, fallback); }
    void readInts(std::span<NamedInt> values) override { inner_.readInts(values); }
    bool writeInt(std::string_view, int32_t) override { return false; }
    bool deleteValue(std::string_view) override { return false; }
    bool writeInts(std::span<const NamedInt>) override { return false; }

private:
    SettingsStore& inner_;
};

}  // namespace

bool setUpCli(int argc, const char* const* argv, const std::string& iniPath, CliSetup& setup, std::string* error,
              const std::string& programPath) {
    // The mode follows the program's place only: letters in file names are no mode arguments.
    const char* programOnly[] = {argc > 0 ? argv[0] : "trakor3-cli", nullptr};
    setup.paths = startUp(1, programOnly, programPath);
    Environment env = Environment::fromProcess();
    std::unique_ptr<SettingsStore> store;
    bool portable = setup.paths.portable();
    if (!iniPath.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(iniPath, ec)) {
            if (error) *error = "no such INI file: " + iniPath;
            return false;
        }
        store = std::make_unique<IniSettingsStore>(iniPath);
        portable = true;
        setup.settingsSource = iniPath + " (INI file)";
    } else {
        store = openSettingsStore(setup.paths, env);
        auto* ini = dynamic_cast<IniSettingsStore*>(store.get());
        setup.settingsSource = ini != nullptr ? ini->path() : std::string("(settings store)");
    }
    ReadOnlyStore readOnly(*store);
    loadSettings(setup.settings, readOnly, portable, env);
    constexpr int32_t kAbsent = INT32_MIN;
    setup.modeStored = readOnly.readInt("Mode", kAbsent) != kAbsent;
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
