// Notifications on the console: "<caption>: <text>", plain messages to standard output, warnings
// and questions to standard error; questions are answered by the command line's choice.
#pragma once

#include <cstdio>
#include <string>

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

private:
    std::string appName_;
    AnswerPolicy policy_;
    FILE* out_;
    FILE* err_;
};

}  // namespace trakor::cli
