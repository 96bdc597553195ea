// SPDX-License-Identifier: GPL-3.0-or-later
// Handing results to MapSource and Training Center, and showing the user guide in a PDF reader.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/environment.h"
#include "platform/process_spawn.h"

namespace trakor {

struct Context;

// MIME types asked of the desktop for the files handed on: the type the program registers first,
// then the one Wine gives an extension when it registers a Windows program for it.
inline constexpr std::array<std::string_view, 2> kGdbMimeTypes = {"application/x-gdb",
                                                                  "application/x-wine-extension-gdb"};
inline constexpr std::array<std::string_view, 2> kTcxMimeTypes = {"application/vnd.garmin.tcx+xml",
                                                                  "application/x-wine-extension-tcx"};
inline constexpr std::string_view kPdfMimeType = "application/pdf";

// Where companion programs are looked for.
struct LaunchSetup {
    std::vector<std::string> env;              // environment of started programs ("NAME=value")
    std::vector<std::string> applicationDirs;  // folders holding .desktop files, most important first
    std::string winePrefix;                    // the Wine prefix MapSource and Training Center live in

    static LaunchSetup fromEnvironment(const Environment& env);
};

class CompanionLauncher {
public:
    explicit CompanionLauncher(LaunchSetup setup);
    // The help viewer still running is ended with the program.
    ~CompanionLauncher();
    CompanionLauncher(const CompanionLauncher&) = delete;
    CompanionLauncher& operator=(const CompanionLauncher&) = delete;

    // Opens a GDB file in MapSource: MapSource in the Wine prefix (registered in either registry
    // view), else the desktop's program for GDB files unless that is one of our own programs.
    // 0 = started, 1 = not found (the user was told).
    int openInMapSource(Context& ctx, const std::string& gdbPath);
    // The same without a message: true when MapSource was started.
    bool tryOpenInMapSource(const std::string& gdbPath) { return mapSourceSteps(gdbPath); }
    // The clipboard result (the work GDB file) in MapSource; results as above.
    int openClipboardResult(Context& ctx);
    // "Symbols.gdb" from the program's data folder in MapSource, found as above.
    int openSymbolTable(Context& ctx);
    // Training Center on the work TCX file, found as MapSource is. 0 = started, 1 = not found (told).
    int startTrainingCenter(Context& ctx);
    // The help file for the current language in the desktop's PDF reader, ending the reader started
    // before. 0 = started, 1 = not (told).
    int showHelp(Context& ctx);
    void stopHelpViewer() { helpViewer_.stop(); }
    bool helpViewerRunning() { return helpViewer_.running(); }

private:
    bool startWithDesktopProgram(std::span<const std::string_view> mimeTypes, const std::string& file);
    bool startInWine(std::span<const std::string_view> keys, std::span<const std::string_view> programNames,
                     const std::string& file);
    bool mapSourceSteps(const std::string& file);

    LaunchSetup setup_;
    TrackedProcess helpViewer_;
};

// The help file for the current language: the English help file's name with its "en.pdf" ending
// replaced by the language's suffix ($MSG27, at most 6 characters).
std::string helpFileForLanguage(const Context& ctx);

}  // namespace trakor
