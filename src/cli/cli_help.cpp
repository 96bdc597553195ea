// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_help.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>

#include "app/request_builder.h"
#include "core/file_names.h"
#include "core/output_types.h"

namespace trakor::cli {

namespace {

struct OptionLine {
    int option;
    const char* meaning;
};

constexpr OptionLine kOptions[] = {
    {0, "file conversion only: routes and tracks become GDB tracks (or TCX courses)"},
    {1, "via points in routes become waypoints"},
    {2, "direction points in routes become via points"},
    {3, "via points in routes are made invisible (names get \"#\")"},
    {4, "invisible via points in routes are made visible"},
    {11, "routes become tracks with all route points"},
    {12, "routes become tracks with via points and direction points only"},
    {13, "calculated routes become direct routes with all route points"},
    {14, "calculated routes become direct routes with via and direction points"},
    {15, "extra via points are spread over each route (Extra Distance, Maximum Points)"},
    {21, "tracks become routes with waypoints"},
    {22, "tracks become routes with visible via points"},
    {23, "tracks become routes with invisible via points"},
    {24, "track filter: tracks are thinned and split and stay tracks"},
};

constexpr const char* kRest =
    "Options 1-15 need a GDB input; without --option a stored Mode that cannot apply to the input\n"
    "gives way to option 0. A TCX output takes options 0, 11, 12, 15 and 24; several inputs take\n"
    "0 and 21-24 (0 and 24 into a TCX file). --split and --filter apply to 11-14, 21, 22 and 24.\n"
    "Option 0 reads routes as tracks; --set 'GPX Routes=1' keeps the routes of GPX inputs as routes.\n"
    "\n"
    "Split and filter values (the method is the setting Splittype or Filtertype):\n"
    "  --split   Splittype=1 (default): longest part 5-999 km, or 3-622 mi in miles mode\n"
    "            Splittype=2: 25-9999 points per part\n"
    "  --filter  Filtertype=1 (default): 2-9999 points remain\n"
    "            Filtertype=2: 0-95 % of the points are removed\n"
    "            Filtertype=3: 0-90 degrees, points with a smaller direction change are removed\n"
    "Miles mode follows MapSource's unit setting in Wine, else the locale (LANG=en_US means miles);\n"
    "--units km|mi decides for one run. Split and filter are off unless --split and --filter (or\n"
    "the stored Split and Filter) turn them on.\n"
    "\n"
    "Recipes:\n"
    "  A ride into a course for the bike computer, thinned to 500 points:\n"
    "    trakor3-cli --option 24 --filter 500 ride.fit -o ride.tcx\n"
    "  A MapSource route into a track, and a track back into a route:\n"
    "    trakor3-cli --option 11 routes.gdb -o tracks.gdb\n"
    "    trakor3-cli --option 22 tracks.gdb -o routes.gdb\n"
    "  Thin a file in place, with a backup (tracks.gdb.bak):\n"
    "    trakor3-cli --option 24 --filter 500 --overwrite-input tracks.gdb\n"
    "\n"
    "Settings: --list-settings prints every stored setting with its value, meaning, unit, range and\n"
    "dialog label; --set 'NAME=VALUE' changes one for this run only (names in any letter case).\n"
    "Several inputs, or a folder (its files of the supported types, sorted, not its subfolders),\n"
    "make a batch run into one output with a CSV log (--log PATH). '-' reads standard input\n"
    "(with --input-type), -o - writes the result to standard output (--output-type %TYPES%).\n"
    "Questions are answered safely unless --yes, --no or --cancel is given: the backup before\n"
    "overwriting an input is made, routes in GDB and GPX inputs are read as tracks (OK; --no and\n"
    "--cancel skip them; --set 'GPX Routes=1' keeps GPX routes as routes in a GDB output), every\n"
    "other question is declined. A run that needs the fixed work files\n"
    "(MapSource or Training Center target, batch, KMZ input) waits while another run holds them.\n"
    "\n"
    "Exit status:\n"
    "  0   the result was delivered\n"
    "  1   stopped by a check (the message says which) or by an answer\n"
    "  2   the conversion or a file failed (input missing or unreadable, output not writable)\n"
    "  3   batch run: some files were converted, others had no tracks or could not be read\n"
    "  64  usage error: unknown option or setting, bad value\n"
    "  --clipboard-block: 0 converted, 1 refused (already converted, nothing to convert, damaged),\n"
    "  2 file failure.\n"
    "\n"
    "The user guide is Trakor3en.pdf beside the program (/usr/share/trakor3 when installed).\n"
    "The desktop program is Trakor3; its start arguments N (native mode) and C (clipboard window)\n"
    "are not arguments of trakor3-cli.";

}  // namespace

const char* optionMeaning(int option) {
    for (const OptionLine& l : kOptions)
        if (l.option == option) return l.meaning;
    return "";
}

std::string splitFilterRangeError(const Settings& s, int split, int filter) {
    struct Range {
        int low, high;
        const char* text;
    };
    const bool miles = s.milesMode == 1;
    const Range splitRange = s.Splittype == 2 ? Range{25, 9999, "25-9999 points (Splittype=2)"}
                             : miles          ? Range{3, 622, "3-622 mi (Splittype=1, miles)"}
                                              : Range{5, 999, "5-999 km (Splittype=1)"};
    const Range filterRange = s.Filtertype == 2   ? Range{0, 95, "0-95 % (Filtertype=2)"}
                              : s.Filtertype == 3 ? Range{0, 90, "0-90 degrees (Filtertype=3)"}
                                                  : Range{2, 9999, "2-9999 points (Filtertype=1)"};
    auto check = [](const char* name, int value, int32_t measured, const Range& r) {
        if (value < 0 || (measured >= r.low && measured <= r.high)) return std::string();
        return std::string(name) + " " + std::to_string(value) + " is out of range: " + r.text;
    };
    // A length in miles is checked as the driver checks it: in kilometres.
    const bool inMiles = miles && s.Splittype != 2;
    std::string e = check("--split", split, inMiles ? milesToKm(split) : split, inMiles ? Range{5, 999, ""} : splitRange);
    if (!e.empty() && inMiles) e += splitRange.text;
    return e.empty() ? check("--filter", filter, filter, filterRange) : e;
}

std::string storedSettingLines(const Context& ctx, const ConversionRequest& r, bool splitGiven, bool filterGiven) {
    const Settings& s = ctx.settings;
    if (!splitFilterFieldsFor(s, r.option).shown) return {};
    auto text = [&ctx](const UiText& t, const std::string& arg) {
        return formatMessage(ctx, t.key, t.english, t.limit, arg.c_str());
    };
    auto value = [&](int type, uint32_t field, bool split) {
        const std::string n = std::to_string(field);
        if (split) return type == 2 ? text(clitext::Points, n) : n + (s.milesMode == 1 ? " mi" : " km");
        return type == 2 ? n + " %" : type == 3 ? n + "\u00B0" : text(clitext::Points, n);
    };
    std::string lines;
    const std::string& app = ctx.paths.appName;
    if (!splitGiven && s.Split == 1)
        lines += app + ": " + text(clitext::StoredSplit, value(s.Splittype, r.splitField, true)) + "\n";
    if (!filterGiven && s.Filter == 1)
        lines += app + ": " + text(clitext::StoredFilter, value(s.Filtertype, r.filterField, false)) + "\n";
    return lines;
}

namespace {
// Optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbouring letters each count one.
size_t typingDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}
}  // namespace

std::string closestOption(const std::string& typed, const std::vector<std::string>& names) {
    const std::string word = typed.substr(0, typed.find('='));
    if (word.size() < 3 || word[0] != '-') return {};
    std::string best;
    size_t bestDistance = SIZE_MAX;
    bool tie = false;
    std::vector<std::string> extending;
    for (const std::string& name : names) {
        if (name.starts_with(word)) extending.push_back(name);
        const size_t d = typingDistance(lowerAscii(word), name);
        if (d < bestDistance) {
            best = name;
            bestDistance = d;
            tie = false;
        } else if (d == bestDistance) {
            tie = true;
        }
    }
    if (extending.size() == 1) return extending[0];
    const size_t allowed = best.size() > 10 ? 3 : 2;
    return bestDistance <= allowed && !tie ? best : std::string();
}

std::string singleDashMeaning(const std::string& arg, const std::vector<std::string>& names) {
    if (arg.size() < 3 || arg[0] != '-' || !std::isalpha(static_cast<unsigned char>(arg[1]))) return {};
    return closestOption("-" + arg, names);
}

std::string helpFooter() {
    std::string text = "Conversion options (--option; default: the stored Mode):\n";
    char line[160];
    for (const OptionLine& l : kOptions) {
        std::snprintf(line, sizeof line, "  %2d  %s\n", l.option, l.meaning);
        text += line;
    }
    std::string rest = kRest;
    const std::string types = "%TYPES%";
    rest.replace(rest.find(types), types.size(), outputTypeList(&OutputType::extension, "|", "|"));
    return text + rest;
}

std::string programDescription(const char* how) {
    return "Converts GPS routes and tracks (GDB, GPX, TCX, CRS, FIT, KML, KMZ, ITN, NMEA) into " +
           outputTypeList(&OutputType::carries) + ",\n" + how;
}

}  // namespace trakor::cli
