// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/console_notifier.h"

#include "cli/cli_help.h"

namespace trakor::cli {

namespace {
// The question whether routes are read as tracks.
constexpr const char* kRoutesAsTracksKey = "$MSG59";

const UiText& answerText(Answer a) {
    switch (a) {
        case Answer::Yes: return clitext::AnswerYes;
        case Answer::No: return clitext::AnswerNo;
        case Answer::Cancel: return clitext::AnswerCancel;
        case Answer::Ok: break;
    }
    return clitext::AnswerOk;
}
}  // namespace

Answer answerFor(AnswerPolicy policy, const std::string& key, MsgStyle style) {
    bool withCancel = style == MsgStyle::QuestionCancel;
    // OK/Cancel: OK goes on as asked, --no and --cancel decline; unasked, the run goes on.
    if (style == MsgStyle::QuestionOk)
        return policy == AnswerPolicy::No || policy == AnswerPolicy::Cancel ? Answer::Cancel : Answer::Ok;
    switch (policy) {
        case AnswerPolicy::Yes: return Answer::Yes;
        case AnswerPolicy::No: return Answer::No;
        case AnswerPolicy::Cancel: return withCancel ? Answer::Cancel : Answer::No;
        case AnswerPolicy::Safe: break;
    }
    // The backup question: a backup is never skipped unasked.
    if (key == "$MSG24") return Answer::Yes;
    return withCancel ? Answer::Cancel : Answer::No;
}

Answer ConsoleNotifier::notify(const std::string& key, const std::string& text, MsgStyle style) {
    if (!heldKey_.empty() && key == heldKey_) {
        heldText_ = text;
        heldStyle_ = style;
        held_ = true;
        return Answer::Ok;
    }
    bool question = style == MsgStyle::Question || style == MsgStyle::QuestionCancel || style == MsgStyle::QuestionOk;
    FILE* to = style == MsgStyle::Plain || style == MsgStyle::Information ? out_ : err_;
    std::fprintf(to, "%s: %s\n", captionFor(appName_, key).c_str(), text.c_str());
    if (key == kRoutesAsTracksKey) std::fprintf(to, "  %s\n", localText(clitext::KeepGpxRoutes).c_str());
    if (!question) {
        std::fflush(to);
        return Answer::Ok;
    }
    Answer a = answerFor(policy_, key, style);
    const UiText& t = answerText(a);
    std::fprintf(to, "  -> %s\n", localText(t).c_str());
    std::fflush(to);
    return a;
}

std::string ConsoleNotifier::localText(const UiText& t) const {
    return ctx_ != nullptr ? messageText(*ctx_, t.key, t.english, t.limit) : std::string(t.english);
}

void ConsoleNotifier::release() {
    const std::string key = std::exchange(heldKey_, std::string());
    if (held_) notify(key, heldText_, heldStyle_);
    held_ = false;
}

}  // namespace trakor::cli
