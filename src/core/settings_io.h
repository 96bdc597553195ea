// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the settings record from its store and writing it back at the four moments that save it.
#pragma once

#include <memory>
#include <string>

#include "core/paths.h"
#include "core/settings.h"
#include "platform/environment.h"
#include "platform/settings_store.h"

namespace trakor {

// The store of the mode: the INI file next to the program (portable) or the per-user
// configuration file (native).
std::unique_ptr<SettingsStore> openSettingsStore(const Paths& paths, const Environment& env);

// Fills the whole record: in native mode the obsolete values are deleted first; every value is
// read with the mode's default, then normalised (CBmode_t 11 -> 22, Filtertype and Splittype
// 0 -> 1, native window coordinates -32000 -> 0). Miles mode, which is never stored, is left as
// it is: the start-up decides it from the machine (app/startup.h).
void loadSettings(Settings& s, SettingsStore& store, bool portable);

// The four write sets, each in its fixed order; each returns whether every value was stored.
bool saveExitSettings(const Settings& s, SettingsStore& store);
bool saveLanguage(const Settings& s, SettingsStore& store);
bool saveEdgeSupport(const Settings& s, SettingsStore& store);
bool savePreferences(const Settings& s, SettingsStore& store);

// The desktop program's last input and output, kept beside the settings ("Last Input", "Last
// Output") and written with the exit settings. After a batch the input is the files' folder.
struct RecentFiles {
    std::string input;
    std::string output;
};
RecentFiles loadRecentFiles(SettingsStore& store);
bool saveRecentFiles(const RecentFiles& files, SettingsStore& store);

}  // namespace trakor
