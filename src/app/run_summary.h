// SPDX-License-Identifier: GPL-3.0-or-later
// What the end of a run tells in one message: the routes and tracks left out or cut short, and
// which files of a batch run were converted.
#pragma once

#include <string>
#include <vector>

#include "core/context.h"
#include "core/messages.h"

namespace trakor {

namespace runtext {
// One line per kind and reason: the single and the several form.
inline constexpr UiText TrackNoPoints1{"$RUN01", "1 track left out: %s (no points)", 256};
inline constexpr UiText TrackNoPoints{"$RUN02", "%d tracks left out: %s (no points)", 256};
inline constexpr UiText TrackOnePoint1{"$RUN03", "1 track left out: %s (only one point)", 256};
inline constexpr UiText TrackOnePoint{"$RUN04", "%d tracks left out: %s (only one point)", 256};
inline constexpr UiText TrackNumbers1{"$RUN05", "1 track left out: %s (point numbers beyond 99999)", 256};
inline constexpr UiText TrackNumbers{"$RUN06", "%d tracks left out: %s (point numbers beyond 99999)", 256};
inline constexpr UiText TrackCut1{"$RUN07", "1 track cut at 100000 points: %s", 256};
inline constexpr UiText TrackCut{"$RUN08", "%d tracks cut at 100000 points: %s", 256};
inline constexpr UiText RouteNoPoints1{"$RUN09", "1 route left out: %s (no points)", 256};
inline constexpr UiText RouteNoPoints{"$RUN10", "%d routes left out: %s (no points)", 256};
inline constexpr UiText RouteOnePoint1{"$RUN11", "1 route left out: %s (only one point)", 256};
inline constexpr UiText RouteOnePoint{"$RUN12", "%d routes left out: %s (only one point)", 256};
inline constexpr UiText RouteNumbers1{"$RUN13", "1 route left out: %s (point numbers beyond 99999)", 256};
inline constexpr UiText RouteNumbers{"$RUN14", "%d routes left out: %s (point numbers beyond 99999)", 256};
inline constexpr UiText RouteCut1{"$RUN15", "1 route cut at 100000 points: %s", 256};
inline constexpr UiText RouteCut{"$RUN16", "%d routes cut at 100000 points: %s", 256};
inline constexpr UiText TrackContinued1{"$RUN35", "1 track of more than 100000 points goes on in %s", 256};
inline constexpr UiText TrackContinued{"$RUN36", "%d tracks of more than 100000 points go on in %s", 256};
// The end of a batch run.
inline constexpr UiText BatchAllConverted{"$RUN17", "%d files: %d converted", 256};
inline constexpr UiText BatchSomeFailed{"$RUN18", "%d files: %d converted, %d without tracks or unreadable: %s", 256};
inline constexpr UiText OpenLog{"$RUN19", "Open log", 32};
inline constexpr UiText LogFileIs{"$RUN20", "Log file:\n%s", 256};
}  // namespace runtext

// "ACTIVE LOG 003, 004, 005": names after the first that differ from the name before them only
// in a trailing number are shortened to that number.
std::string joinNames(const std::vector<std::string>& names);

// The summary of the run's routes and tracks left out or cut short, one line per kind and reason
// in the order first met; empty when there were none.
std::string leftOutSummary(const Context& ctx);

// Shows that summary in one "Info" message, if there is one, and clears the list.
void tellLeftOut(Context& ctx);

// What happened to each file of a batch run, taken from the run counters after each file.
class BatchTally {
public:
    explicit BatchTally(std::vector<std::string> names) : names_(std::move(names)) {}
    // After the file with this index: counts it converted when a route or track was written.
    void fileDone(size_t index, const RunState& run);
    bool complete() const { return done_ == names_.size(); }
    size_t failures() const { return failed_.size(); }
    size_t converted() const { return done_ - failed_.size(); }
    // "20 files: 16 converted, 4 without tracks or unreadable: a.gpx, b.fit, c.txt, d.gpx", in the
    // run's language.
    std::string summary(const Context& ctx) const;

private:
    std::vector<std::string> names_;
    std::vector<std::string> failed_;
    size_t done_ = 0;
    int32_t written_ = 0;
    int32_t cut_ = 0;
};

}  // namespace trakor
