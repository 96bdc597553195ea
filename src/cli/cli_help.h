// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of trakor3-cli --help beyond the option list: what each conversion option does, the
// split and filter ranges, recipes for everyday jobs and the exit statuses.
#pragma once

#include <string>
#include <vector>

#include "core/messages.h"
#include "app/conversion_request.h"
#include "core/context.h"
#include "core/settings.h"

namespace trakor::cli {

// Lines the command line prints about its own choices, in the run's language.
namespace clitext {
inline constexpr UiText SplitKm{"$CLI01", "split into parts of at most %d km", 256};
inline constexpr UiText SplitMiles{"$CLI02", "split into parts of at most %d mi (%d km)", 256};
inline constexpr UiText StoredOptionSingle{
    "$CLI03", "the stored option %d needs a single GDB input; option 0 (file conversion only) is used (--option chooses)", 256};
inline constexpr UiText StoredOption{
    "$CLI04", "the stored option %d needs a GDB input; option 0 (file conversion only) is used (--option chooses)", 256};
inline constexpr UiText StoredFilter{"$CLI05", "filter: %s (stored setting; --no-filter turns it off)", 256};
inline constexpr UiText StoredSplit{"$CLI06", "split: %s (stored setting; --no-split turns it off)", 256};
inline constexpr UiText Points{"$MAP22", "%s points", 64};
inline constexpr UiText BatchFile{"$CLI07", "File %d of %d: %s", 256};
inline constexpr UiText CannotReadStdin{"$CLI08", "cannot read standard input: %s", 256};
inline constexpr UiText CannotWriteStdout{"$CLI09", "cannot write the result to standard output: %s", 256};
inline constexpr UiText WaitingForWorkFiles{"$CLI10", "waiting for another conversion that uses the work files (%s)...",
                                            256};
inline constexpr UiText WouldOverwriteOutput{"$CLI11", "%s %s would overwrite %s, the output", 256};
inline constexpr UiText WouldOverwriteInput{"$CLI12", "%s %s would overwrite %s, an input", 256};
inline constexpr UiText NoMapViewProgram{"$CLI13", "cannot start the map view program: %s", 256};
// The answer given to a question, after "  -> ".
inline constexpr UiText AnswerYes{"$CLI14", "Yes", 32};
inline constexpr UiText AnswerNo{"$CLI15", "No", 32};
inline constexpr UiText AnswerCancel{"$CLI16", "Cancel", 32};
inline constexpr UiText AnswerOk{"$CLI17", "OK", 32};
inline constexpr UiText NoInputFiles{"$CLI18", "%s: no files of the supported types (gdb, gpx, tcx, crs, fit, kml, kmz, itn, nmea)",
                                     256};
inline constexpr UiText SameOutputs{"$CLI19", "%s %s and %s %s name the same file", 256};
inline constexpr UiText NoTempFolder{"$CLI20", "cannot make a temporary folder in %s", 256};
inline constexpr UiText UnreadableRecordings{"$CLI21", "cannot read the recordings folder %s", 256};
// Told with the question whether routes are read as tracks: the setting that keeps them.
inline constexpr UiText KeepGpxRoutes{"$CLI22", "(--set 'GPX Routes=1' keeps the routes of GPX inputs as routes in a GDB output)",
                                      256};
}  // namespace clitext

// A line of the command line's own in the run's language, formatted with the arguments.
template <class... Args>
std::string cliText(const Context& ctx, const UiText& t, Args... args) {
    return formatMessage(ctx, t.key, t.english, t.limit, args...);
}

// Exit statuses besides the driver's 0, 1 and 2.
constexpr int kSomeFilesFailed = 3;  // a batch run converted some files and not others
constexpr int kUsageError = 64;      // EX_USAGE: the command line itself is wrong

// One line on what a conversion option does; empty for a number that is no option.
const char* optionMeaning(int option);

// The ranges of --split and --filter by method, as --help shows them beside the options.
inline constexpr const char* kSplitRanges = "5-999 km, 3-622 mi or 25-9999 points";
inline constexpr const char* kFilterRanges = "2-9999 points, 0-95 % or 0-90 degrees";

// What is wrong with a --split or --filter value (-1: not given) under the stored methods
// (Splittype, Filtertype) and unit; empty when both are in range.
std::string splitFilterRangeError(const Settings& s, int split, int filter);

// Lines that name the stored Split and Filter values a run uses when the command line gave none
// (they change the result unseen otherwise); empty when none applies.
std::string storedSettingLines(const Context& ctx, const ConversionRequest& r, bool splitGiven, bool filterGiven);

// The option of `names` ("--option", ...) the user most likely meant by the unknown `typed`
// ("--optoin", "--spilt=20"): the only one `typed` begins, else the nearest within two typing
// slips (letters left out, added, changed or swapped; three for long names). Empty when none is
// near enough or two are equally near.
std::string closestOption(const std::string& typed, const std::vector<std::string>& names);

// The long option of `names` that `arg` ("-option", "-splt=5") names with a single dash; empty
// for anything else, a short option with its value joined ("-oride.gdb") included.
std::string singleDashMeaning(const std::string& arg, const std::vector<std::string>& names);

// The first lines of --help: what the program reads and writes, then `how` it does it.
std::string programDescription(const char* how);

// Everything --help prints after the list of command-line options.
std::string helpFooter();

}  // namespace trakor::cli
