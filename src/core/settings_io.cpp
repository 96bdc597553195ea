// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_io.h"

#include <cstdlib>
#include <string_view>
#include <vector>


namespace trakor {

namespace {

constexpr std::string_view kExitSet[] = {
    "Output Option", "Mode",         "CBmode_r",         "CBmode_t",         "Save Route",
    "Save Track",    "Filter",       "Filter_CBR",       "Filter_CBT",       "Filtersize_r",
    "Filtersize_t",  "Filtersize_p", "Filtersize_c",     "Split",            "Splitlen_r",
    "Splitlen_t",    "Splitsize_r",  "Splitsize_t",      "Left Trakor3 Menu", "Top Trakor3 Menu",
    "Left Clipboard Menu", "Top Clipboard Menu"};

constexpr std::string_view kPreferenceSet[] = {
    "Filtertype",      "Splittype",         "Waypoint Symbol", "Prefix",        "Removal Glitches",
    "Removal Distance", "Extra Distance",   "Maximum Points",  "Waypoint Priority", "Use File Times",
    "Course Points",   "Course Turn",       "Turn Warnings",   "Average Speed"};

constexpr std::string_view kLanguageSet[] = {"Language"};
constexpr std::string_view kEdgeSet[] = {"Edge Support"};

constexpr std::string_view kWindowCoordinates[] = {"Left Trakor3 Menu", "Top Trakor3 Menu", "Left Clipboard Menu",
                                                   "Top Clipboard Menu"};

// The coordinate a minimised window reports.
constexpr int32_t kMinimisedCoordinate = -32000;

bool saveSet(const Settings& s, SettingsStore& store, std::span<const std::string_view> names) {
    std::vector<NamedInt> values;
    values.reserve(names.size());
    for (auto name : names) values.push_back({name, *s.byName(name)});
    return store.writeInts(values);
}

}  // namespace

std::unique_ptr<SettingsStore> openSettingsStore(const Paths& paths, const Environment& env) {
    if (paths.portable()) return std::make_unique<IniSettingsStore>(paths.iniFile);
    return std::make_unique<IniSettingsStore>(nativeSettingsPath(env, paths.appName));
}

void loadSettings(Settings& s, SettingsStore& store, bool portable) {
    if (!portable)
        for (auto name : obsoleteValueNames()) store.deleteValue(name);  // failures do not matter
    std::vector<NamedInt> values;
    for (const auto& def : settingTable()) values.push_back({def.valueName, portable ? def.iniDefault : def.nativeDefault});
    store.readInts(values);
    size_t i = 0;
    for (const auto& def : settingTable()) s.*def.field = values[i++].value;
    if (s.CBmode_t == 11) s.CBmode_t = 22;
    if (s.Filtertype == 0) s.Filtertype = 1;
    if (s.Splittype == 0) s.Splittype = 1;
    if (!portable)
        for (auto name : kWindowCoordinates)
            if (int32_t* v = s.byName(name); *v == kMinimisedCoordinate) *v = 0;
}

bool saveExitSettings(const Settings& s, SettingsStore& store) { return saveSet(s, store, kExitSet); }
bool saveLanguage(const Settings& s, SettingsStore& store) { return saveSet(s, store, kLanguageSet); }
bool saveEdgeSupport(const Settings& s, SettingsStore& store) { return saveSet(s, store, kEdgeSet); }
bool savePreferences(const Settings& s, SettingsStore& store) { return saveSet(s, store, kPreferenceSet); }

RecentFiles loadRecentFiles(SettingsStore& store) { return {store.readText("Last Input"), store.readText("Last Output")}; }

bool saveRecentFiles(const RecentFiles& files, SettingsStore& store) {
    const bool input = store.writeText("Last Input", files.input);
    return store.writeText("Last Output", files.output) && input;
}

}  // namespace trakor
