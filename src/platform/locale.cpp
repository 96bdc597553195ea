// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>

namespace trakor {

std::string localeNameFor(const Environment& env, std::string_view category) {
    if (auto v = env.nonEmpty("LC_ALL")) return *v;
    if (auto v = env.nonEmpty(category)) return *v;
    if (auto v = env.nonEmpty("LANG")) return *v;
    return "C";
}

namespace {
// "en_US.UTF-8@x" -> "US"
std::string_view territoryOf(std::string_view name) {
    size_t us = name.find('_');
    if (us == std::string_view::npos) return {};
    std::string_view t = name.substr(us + 1);
    size_t end = t.find_first_of(".@");
    return end == std::string_view::npos ? t : t.substr(0, end);
}
}  // namespace

bool usesUsMeasurement(std::string_view localeName) {
    const std::string name(localeName);
    if (locale_t loc = ::newlocale(LC_MEASUREMENT_MASK, name.c_str(), static_cast<locale_t>(0))) {
        // _NL_MEASUREMENT_MEASUREMENT: 1 metric, 2 U.S.
        const char* m = ::nl_langinfo_l(_NL_MEASUREMENT_MEASUREMENT, loc);
        bool us = m != nullptr && m[0] == 2;
        ::freelocale(loc);
        return us;
    }
    return territoryOf(localeName) == "US";
}

bool usesUsMeasurement(const Environment& env) { return usesUsMeasurement(localeNameFor(env, "LC_MEASUREMENT")); }

std::string localeLanguage(std::string_view localeName) {
    size_t end = localeName.find_first_of("_.@");
    std::string lang(localeName.substr(0, end));
    for (char& c : lang)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lang == "c" || lang == "posix") return {};
    return lang;
}

}  // namespace trakor
