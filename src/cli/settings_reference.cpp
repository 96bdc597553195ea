// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/settings_reference.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace trakor::cli {

namespace {

// Main window, preferences dialog and clipboard window, as their labels read in English.
#define MAIN "main window: "
#define PREFS "Preferences: "
#define CLIP "clipboard window: "

const std::vector<SettingReference> kReferences = {
    {"Language", "language of the texts: 0 built-in English, 1 EN, 2 NL, 3 DE, 4 FR, 5 PT, 6 IT, 7 PL, 8 ES, 9 TR",
     "", "0-9", "Language dialog (language button of the main window)"},
    {"Output Option", "output target: 1 file, 2 MapSource, 3 Training Center, 4 GPS device (3 and 4 need Edge Support)",
     "", "1-4", MAIN "\"File\", \"MapSource\", \"TrainingCenter\", \"GPS\""},
    {"Mode", "conversion option used when --option is not given", "", "0-4, 11-15, 21-24",
     MAIN "\"Processing options\""},
    {"CBmode_r", "conversion option for routes on the clipboard", "", "3, 11 or 12",
     CLIP "\"Conversion options for routes on the clipboard\""},
    {"CBmode_t", "conversion option for tracks on the clipboard", "", "22, 23 or 24",
     CLIP "\"Conversion options for tracks on the clipboard\""},
    {"Save Route", "1 = keep the original routes beside the converted ones (named with \"!\")", "", "0 or 1",
     MAIN "\"Save original routes\""},
    {"Save Track", "1 = keep the original tracks beside the converted ones (named with \"!\")", "", "0 or 1",
     MAIN "\"Save original tracks\""},
    {"Filter", "1 = filtering on for route and track conversions (--filter, --no-filter)", "", "0 or 1",
     MAIN "\"Filter\""},
    {"Filtertype", "filtering method: 1 number of remaining points, 2 percentage removed, 3 direction change", "",
     "1-3", PREFS "\"Filtering method\""},
    {"Filter_CBR", "1 = filter the tracks made from clipboard routes (options 11, 12); other values: off", "",
     "1 = on", CLIP "\"Filter\" (routes)"},
    {"Filter_CBT", "1 = filter the results of clipboard track conversions (options 22, 24); other values: off", "",
     "1 = on", CLIP "\"Filter\" (tracks)"},
    {"Filtersize_r", "points per route that remain after filtering (Filtertype 1)", "points", "2-9999",
     MAIN "\"Number of points per route after filtering\""},
    {"Filtersize_t", "points per track that remain after filtering (Filtertype 1)", "points", "2-9999",
     MAIN "\"Number of points per track after filtering\""},
    {"Filtersize_p", "percentage of points removed (Filtertype 2)", "%", "0-95",
     MAIN "\"Percentage of points to be removed\""},
    {"Filtersize_c", "largest direction change of the points removed (Filtertype 3)", "degrees", "0-90",
     MAIN "\"Maximum direction change in degrees\""},
    {"Split", "1 = splitting on for route and track conversions (--split, --no-split)", "", "0 or 1",
     MAIN "\"Split\""},
    {"Splittype", "splitting method: 1 by length, 2 by number of points", "", "1 or 2", PREFS "\"Splitting method\""},
    {"Splitlen_r", "longest part of a split route (Splittype 1); --split takes miles in miles mode", "km",
     "5-999 (3-622 mi)", MAIN "\"Maximum length of split routes in km.\""},
    {"Splitlen_t", "longest part of a split track (Splittype 1); --split takes miles in miles mode", "km",
     "5-999 (3-622 mi)", MAIN "\"Maximum length of split tracks in km.\""},
    {"Splitsize_r", "most points of a part of a split route (Splittype 2)", "points", "25-9999",
     MAIN "\"Maximum number of points per split route\""},
    {"Splitsize_t", "most points of a part of a split track (Splittype 2)", "points", "25-9999",
     MAIN "\"Maximum number of points per split track\""},
    {"Waypoint Symbol", "MapSource symbol code of the waypoints the program makes", "symbol code", "0-65535",
     PREFS "\"Waypoint Symbol Code for via points\""},
    {"Prefix", "first character of generated point names; --set takes the character or its code", "character code",
     "33-47 or 58-126 (58 is \":\")", PREFS "\"Prefix character of generated points\""},
    {"Removal Glitches", "1 = remove off-road glitches (out-and-back spikes)", "", "0 or 1",
     PREFS "\"Remove off-road glitches from a calculated route\""},
    {"Removal Distance",
     "a point nearer than this to the one before is removed; courses (TCX) always lose points nearer than 3 m",
     "tenths of a metre (30 = 3 m)",
     "0 or more", PREFS "\"Minimal distance between points of a track/route\" (shown in m or ft)"},
    {"Extra Distance", "option 15: distance between the extra via points", "km", "1 or more",
     PREFS "\"Average distance between 2 via points in km.\""},
    {"Maximum Points", "option 15: most extra via points per route", "points", "2 or more",
     PREFS "\"Maximum number of via points\""},
    {"Waypoint Priority", "1 = keep the original via points when routes are filtered", "", "0 or 1",
     PREFS "\"Retain original via points\""},
    {"Edge Support", "1 = the output targets Training Center and GPS device are offered", "", "0 or 1",
     MAIN "\"Edge/Forerunner\""},
    {"Use File Times", "1 = courses take the times of the input where it has them; 0 = times from Average Speed", "",
     "0 or 1", PREFS "\"Use times from track if present\""},
    {"Course Points", "1 = courses get course points at turns", "", "0 or 1",
     PREFS "\"Course points for direction changes >\""},
    {"Course Turn", "direction change above which a course point is made", "degrees", "1-180",
     PREFS "\"Course points for direction changes >\" (its field)"},
    {"Turn Warnings", "warning time before a turn", "seconds", "0-9", PREFS "\"Warning time\""},
    {"Average Speed", "speed that gives course points their times when the input has none", "km/h", "1 or more",
     PREFS "\"Average speed in km/h\""},
    {"GPX Track Parts", "1 = GPX output writes the parts of a split track as tracks of their own; 0 = as segments",
     "", "0 or 1", "(no dialog control)"},
    {"GPX Routes",
     "1 = routes of GPX input stay routes in GDB output (via and shaping points, link points, names and "
     "symbols kept); 0 = they are read as tracks",
     "", "0 or 1", PREFS "\"Keep GPX routes as routes\""},
    {"Left Trakor3 Menu", "left edge of the main window (0 with Top Trakor3 Menu 0: placed by the desktop)", "pixels",
     "any", "(the main window's position)"},
    {"Top Trakor3 Menu", "top edge of the main window", "pixels", "any", "(the main window's position)"},
    {"Left Clipboard Menu", "left edge of the clipboard window (0 with Top Clipboard Menu 0: placed by the desktop)",
     "pixels", "any", "(the clipboard window's position)"},
    {"Top Clipboard Menu", "top edge of the clipboard window", "pixels", "any", "(the clipboard window's position)"},
};

#undef MAIN
#undef PREFS
#undef CLIP

// The name as compared for suggestions: lower case, without spaces and underscores.
std::string folded(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

const std::vector<SettingReference>& settingReferences() { return kReferences; }

void printSettingReference(FILE* out, const Settings& s) {
    for (const SettingReference& r : kReferences) {
        const int32_t* value = s.byName(r.name);
        std::fprintf(out, "%s=%d\n    %s\n", r.name, value ? *value : 0, r.meaning);
        if (*r.unit) std::fprintf(out, "    unit: %s\n", r.unit);
        std::fprintf(out, "    range: %s\n    dialog: %s\n", r.range, r.dialog);
    }
}

std::vector<std::string> closestSettingNames(std::string_view name) {
    const std::string wanted = folded(name);
    std::vector<std::pair<size_t, std::string>> scored;
    for (const SettingDef& d : settingTable()) {
        const std::string candidate = folded(d.valueName);
        size_t distance = editDistance(wanted, candidate);
        // A name that holds the typed word (or is held by it) is near whatever its length.
        if (!wanted.empty() && (candidate.find(wanted) != std::string::npos || wanted.find(candidate) != std::string::npos))
            distance = std::min<size_t>(distance, 1);
        if (distance <= std::max<size_t>(2, candidate.size() / 3)) scored.emplace_back(distance, d.valueName);
    }
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (size_t i = 0; i < scored.size() && i < 3; ++i) names.push_back(scored[i].second);
    return names;
}

std::string applySetting(Settings& s, const std::string& assignment) {
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) return "expected NAME=VALUE, got '" + assignment + "'";
    const std::string name = assignment.substr(0, eq);
    const std::string text = assignment.substr(eq + 1);
    int32_t* field = s.byName(name);
    if (field == nullptr) {
        std::string error = "unknown setting '" + name + "'";
        std::vector<std::string> near = closestSettingNames(name);
        for (size_t i = 0; i < near.size(); ++i)
            error += (i == 0 ? "; did you mean '" : i + 1 == near.size() ? "' or '" : "', '") + near[i];
        if (!near.empty()) error += "'?";
        return error + " (--list-settings lists every name)";
    }
    // The prefix is a character: one that is no digit stands for its own code.
    if (field == s.byName("Prefix") && text.size() == 1 && !std::isdigit(static_cast<unsigned char>(text[0]))) {
        *field = static_cast<unsigned char>(text[0]);
        return {};
    }
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
        return "value of '" + name + "' is not a 32-bit integer: '" + text + "'";
    *field = static_cast<int32_t>(v);
    return {};
}

}  // namespace trakor::cli
