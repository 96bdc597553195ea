// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: start-up (mode and paths), the settings, the main dialog's run and the
// steps at exit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/language.h"
#include "core/context.h"
#include "platform/environment.h"
#include "platform/settings_store.h"
#include "ui/qt_notifier.h"
#include "ui/ui_services.h"

namespace trakor {

class CompanionLauncher;

class CTrakorApp {
public:
    // Decides mode and paths from the program file and the arguments.
    CTrakorApp(int argc, const char* const* argv);
    ~CTrakorApp();

    // Loads the settings, runs the main dialog until it closes, then saves the exit settings and
    // stops the help viewer. Returns the process's exit status.
    int run();

    Context& context() { return ctx_; }

private:
    Context ctx_;
    Environment env_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<LanguageFile> language_;
    std::unique_ptr<QtNotifier> notifier_;
    std::unique_ptr<CompanionLauncher> launcher_;
    std::vector<std::string> startFiles_;
};

}  // namespace trakor
