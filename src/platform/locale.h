// SPDX-License-Identifier: GPL-3.0-or-later
// The user's locale as the environment gives it, for the measurement system and the language.
#pragma once

#include <string>
#include <string_view>

#include "platform/environment.h"

namespace trakor {

// The locale name that governs `category` ("LC_MEASUREMENT", "LC_MESSAGES"), chosen as the C
// library does: LC_ALL, then the category's own variable, then LANG; "C" when none is set.
std::string localeNameFor(const Environment& env, std::string_view category);

// Whether a locale uses the U.S. measurement system: the C library's answer for an installed
// locale, else decided by the territory ("en_US.UTF-8", "es_US" -> true).
bool usesUsMeasurement(std::string_view localeName);
bool usesUsMeasurement(const Environment& env);

// Language part of a locale name in lower case: "de" for "de_AT.UTF-8@euro"; "" for "C"/"POSIX".
std::string localeLanguage(std::string_view localeName);

}  // namespace trakor
