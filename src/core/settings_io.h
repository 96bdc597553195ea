// Loading the settings record from its store and writing it back at the four moments that save it.
#pragma once

#include <memory>

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
// 0 -> 1, native window coordinates -32000 -> 0); miles mode is decided from the environment.
void loadSettings(Settings& s, SettingsStore& store, bool portable, const Environment& env);

// Miles mode: MapSource's "DistanceUnitsType" in the Wine prefix decides when present (0 or 2
// mean statute units); otherwise the locale's measurement system (U.S. means statute units).
int32_t decideMilesMode(const Environment& env);

// The four write sets, each in its fixed order; each returns whether every value was stored.
bool saveExitSettings(const Settings& s, SettingsStore& store);
bool saveLanguage(const Settings& s, SettingsStore& store);
bool saveEdgeSupport(const Settings& s, SettingsStore& store);
bool savePreferences(const Settings& s, SettingsStore& store);

}  // namespace trakor
