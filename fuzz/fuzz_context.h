// SPDX-License-Identifier: GPL-3.0-or-later
// A quiet context for fuzz targets: questions get No/Cancel, nothing is shown.
#pragma once

#include "core/context.h"

namespace trakor::fuzz {

class QuietNotifier : public Notifier {
public:
    Answer notify(const std::string&, const std::string&, MsgStyle style) override {
        return style == MsgStyle::QuestionCancel ? Answer::Cancel : style == MsgStyle::Question ? Answer::No : Answer::Ok;
    }
};

inline Context& freshContext() {
    static QuietNotifier notifier;
    static Context* ctx = new Context;
    ctx->resetRun();
    ctx->settings = Settings{};
    ctx->notifier = &notifier;
    ctx->paths.workingFolder = "/tmp";
    return *ctx;
}

}  // namespace trakor::fuzz
