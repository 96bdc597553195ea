// SPDX-License-Identifier: GPL-3.0-or-later
// Every fixed path of a run, decided once at start-up.
#pragma once

#include <string>

namespace trakor {

struct Paths {
    char modeLetter = 'P';     // 'P' portable, 'N' native
    char clipboardFlag = 'N';  // 'C' opens the clipboard dialog at once
    std::string appName = "Trakor3";
    std::string programPath;
    std::string programFolder;
    std::string workingFolder;
    std::string workGdb;
    std::string workTcx;
    std::string logFile;
    std::string downGdb;
    std::string tempFile;
    std::string iniFile;
    std::string languageFile;
    std::string helpFile;
    // Folder of the program's data files (language, help, Symbols.gdb).
    std::string dataFolder;

    bool portable() const { return modeLetter == 'P'; }
    // The lock held while the fixed work files are written and handed on: "<application name>.lock"
    // beside the work GDB file; empty without one.
    std::string workLock() const {
        if (workGdb.empty()) return {};
        const size_t slash = workGdb.find_last_of('/');
        return (slash == std::string::npos ? std::string() : workGdb.substr(0, slash + 1)) + appName + ".lock";
    }
};

}  // namespace trakor
