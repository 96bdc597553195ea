// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_summary.h"

#include <algorithm>
#include <utility>

#include "core/run_messages.h"

namespace trakor {

namespace {

// The name without its trailing digits ("ACTIVE LOG 003" -> "ACTIVE LOG "), and those digits.
std::pair<std::string, std::string> stemAndNumber(const std::string& name) {
    size_t at = name.size();
    while (at > 0 && name[at - 1] >= '0' && name[at - 1] <= '9') --at;
    return {name.substr(0, at), name.substr(at)};
}

const UiText& lineFor(bool route, LeftOutReason reason, bool one) {
    using namespace runtext;
    // Only tracks of the input go on in a next one: routes share their lines.
    static const UiText* const kLines[2][5][2] = {
        {{&TrackNoPoints, &TrackNoPoints1},
         {&TrackOnePoint, &TrackOnePoint1},
         {&TrackNumbers, &TrackNumbers1},
         {&TrackCut, &TrackCut1},
         {&TrackContinued, &TrackContinued1}},
        {{&RouteNoPoints, &RouteNoPoints1},
         {&RouteOnePoint, &RouteOnePoint1},
         {&RouteNumbers, &RouteNumbers1},
         {&RouteCut, &RouteCut1},
         {&TrackContinued, &TrackContinued1}},
    };
    return *kLines[route ? 1 : 0][static_cast<int>(reason)][one ? 1 : 0];
}

}  // namespace

std::string joinNames(const std::vector<std::string>& names) {
    std::string out;
    std::string stem;
    for (size_t i = 0; i < names.size(); ++i) {
        const auto [nameStem, number] = stemAndNumber(names[i]);
        const bool shorten = i > 0 && !number.empty() && nameStem == stem && !nameStem.empty();
        out += (i > 0 ? ", " : "") + (shorten ? number : names[i]);
        stem = number.empty() ? std::string() : nameStem;
    }
    return out;
}

std::string leftOutSummary(const Context& ctx) {
    // Groups by kind and reason, in the order first met.
    std::vector<std::pair<std::pair<bool, LeftOutReason>, std::vector<std::string>>> groups;
    for (const LeftOutItem& item : ctx.run.leftOut) {
        const auto key = std::pair{item.route, item.reason};
        auto found = std::find_if(groups.begin(), groups.end(), [&key](const auto& g) { return g.first == key; });
        if (found == groups.end()) found = groups.insert(groups.end(), {key, {}});
        found->second.push_back(item.name);
    }
    std::string text;
    for (const auto& [key, names] : groups) {
        const std::string list = joinNames(names);
        const UiText& t = lineFor(key.first, key.second, names.size() == 1);
        const std::string line = names.size() == 1
                                     ? formatMessage(ctx, t.key, t.english, t.limit, list.c_str())
                                     : formatMessage(ctx, t.key, t.english, t.limit, static_cast<int>(names.size()), list.c_str());
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

void tellLeftOut(Context& ctx) {
    const std::string text = leftOutSummary(ctx);
    ctx.run.leftOut.clear();
    if (!text.empty()) tellLiteral(ctx, dmsg::kCaptionInfo, text, MsgStyle::Warning);
}

void BatchTally::fileDone(size_t index, const RunState& run) {
    const int32_t written = (run.trackCounter - run.trackFailures) + (run.routeCounter - run.routeFailures);
    if (index >= names_.size()) return;
    // Nothing written, or a file cut off (the log says what it lacks).
    if (written <= written_ || run.cutInputs > cut_) failed_.push_back(names_[index]);
    written_ = written;
    cut_ = run.cutInputs;
    done_ = index + 1;
}

std::string BatchTally::summary(const Context& ctx) const {
    const int files = static_cast<int>(done_), converted = static_cast<int>(this->converted());
    if (failed_.empty())
        return formatMessage(ctx, runtext::BatchAllConverted.key, runtext::BatchAllConverted.english,
                             runtext::BatchAllConverted.limit, files, converted);
    std::string list;
    for (size_t i = 0; i < failed_.size(); ++i) list += (i ? ", " : "") + failed_[i];
    return formatMessage(ctx, runtext::BatchSomeFailed.key, runtext::BatchSomeFailed.english, runtext::BatchSomeFailed.limit,
                         files, converted, static_cast<int>(failed_.size()), list.c_str());
}

}  // namespace trakor
