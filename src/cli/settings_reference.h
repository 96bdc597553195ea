// SPDX-License-Identifier: GPL-3.0-or-later
// The stored settings as a user of the command line meets them: what each one means, its unit
// and range, the dialog label that edits it, and how --set NAME=VALUE is read.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

namespace trakor::cli {

struct SettingReference {
    const char* name;     // stored value name
    const char* meaning;
    const char* unit;     // "" for a switch or a code
    const char* range;
    const char* dialog;   // where the desktop program edits it, with the English label
};

// One row per stored setting, in the order of the settings table.
const std::vector<SettingReference>& settingReferences();

// Every stored setting with its value in `s`, meaning, unit, range and dialog label.
void printSettingReference(FILE* out, const Settings& s);

// Up to three stored names nearest to `name` (letter case and spaces aside), nearest first.
std::vector<std::string> closestSettingNames(std::string_view name);

// Applies "NAME=VALUE" to `s`: names match without regard to case, `Prefix` also takes the
// character itself. Empty on success, else what is wrong (unknown names with their nearest ones).
std::string applySetting(Settings& s, const std::string& assignment);

}  // namespace trakor::cli
