// SPDX-License-Identifier: GPL-3.0-or-later
// Notifications on the console: "<caption>: <text>", plain messages to standard output, warnings
// and questions to standard error; questions are answered by the command line's choice.
#pragma once

#include <cstdio>
#include <utility>
#include <string>

#include "core/context.h"
#include "core/messages.h"

namespace trakor::cli {

// How questions are answered: Safe makes the backup ($MSG24 Yes), goes on at an OK/Cancel
// question and otherwise declines.
enum class AnswerPolicy { Safe, Yes, No, Cancel };

Answer answerFor(AnswerPolicy policy, const std::string& key, MsgStyle style);

class ConsoleNotifier : public Notifier {
public:
    ConsoleNotifier(std::string appName, AnswerPolicy policy, FILE* out = stdout, FILE* err = stderr)
        : appName_(std::move(appName)), policy_(policy), out_(out), err_(err) {}
    Answer notify(const std::string& key, const std::string& text, MsgStyle style) override;
    // Keeps the message with this key back until release(): a result on standard output is
    // complete only when its last byte was written.
    void holdBack(std::string key) { heldKey_ = std::move(key); }
    // Shows the held message, if one came.
    void release();
    // The answers are told in the language of `ctx` (English until this is called).
    void useLanguageOf(const Context& ctx) { ctx_ = &ctx; }

private:
    // A text of the command line's own, in the run's language once it is known.
    std::string localText(const UiText& t) const;

    std::string heldKey_;
    std::string heldText_;
    MsgStyle heldStyle_ = MsgStyle::Plain;
    bool held_ = false;
    std::string appName_;
    AnswerPolicy policy_;
    FILE* out_;
    FILE* err_;
    const Context* ctx_ = nullptr;
};

}  // namespace trakor::cli
