// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/companion_launcher.h"

#include <filesystem>

#include "core/context.h"
#include "course/device_messages.h"
#include "platform/desktop_entry.h"
#include "platform/environment.h"
#include "platform/wine_paths.h"
#include "platform/wine_registry.h"

namespace fs = std::filesystem;

namespace trakor {

namespace {

// A 32-bit installer in a 64-bit prefix registers under Wow6432Node, where the Windows program
// reads through the registry's redirection: both views are looked at, the native one first.
constexpr std::array<std::string_view, 2> kMapSourceKeys = {
    "Software\\Garmin\\Applications\\MapSource", "Software\\Wow6432Node\\Garmin\\Applications\\MapSource"};
constexpr std::array<std::string_view, 2> kTrainingCenterKeys = {
    "Software\\Garmin\\Applications\\Training Center",
    "Software\\Wow6432Node\\Garmin\\Applications\\Training Center"};
constexpr std::array<std::string_view, 1> kMapSourcePrograms = {"MapSource.exe"};
constexpr std::array<std::string_view, 2> kTrainingCenterPrograms = {"TrainingCenter.exe", "Training Center.exe"};
constexpr const char* kSymbolTable = "Symbols.gdb";

std::vector<std::string> splitPathList(const std::string& list) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(':', pos);
        if (end == std::string::npos) end = list.size();
        if (end > pos) parts.push_back(list.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Whether a desktop entry's Exec line runs one of this program's own programs (our installed
// entry declares the GDB and TCX types, so the desktop may well name it): a word of the line,
// quotes and folders aside, whose file name begins with "trakor3" (Trakor3, trakor3-cli) or is
// the running program's.
bool runsOurProgram(std::string_view exec) {
    static const std::string self = lowerAscii(fs::path(ownProgramFile()).filename().string());
    std::string word;
    const auto ours = [&] {
        std::string name = lowerAscii(word.substr(word.find_last_of('/') + 1));
        word.clear();
        return name.starts_with("trakor3") || (!self.empty() && name == self);
    };
    for (char c : exec) {
        if (c == ' ' || c == '\t' || c == ';' || c == '&' || c == '|' || c == '=') {
            if (ours()) return true;
        } else if (c != '"' && c != '\'') {
            word += c;
        }
    }
    return ours();
}

}  // namespace

LaunchSetup LaunchSetup::fromEnvironment(const Environment& env) {
    LaunchSetup s;
    for (const auto& [name, value] : env.vars) s.env.push_back(name + "=" + value);
    std::string dataHome = xdgDataHome(env);
    if (!dataHome.empty()) s.applicationDirs.push_back(dataHome + "/applications");
    for (const auto& dir : splitPathList(env.nonEmpty("XDG_DATA_DIRS").value_or("/usr/local/share:/usr/share")))
        s.applicationDirs.push_back(dir + "/applications");
    s.winePrefix = trakor::winePrefix(env);
    return s;
}

CompanionLauncher::CompanionLauncher(LaunchSetup setup) : setup_(std::move(setup)) {}

CompanionLauncher::~CompanionLauncher() { stopHelpViewer(); }

bool CompanionLauncher::startWithDesktopProgram(std::span<const std::string_view> mimeTypes,
                                                const std::string& file) {
    for (std::string_view mime : mimeTypes) {
        auto exec = defaultApplicationExec(mime, setup_.env, setup_.applicationDirs);
        if (!exec || runsOurProgram(*exec)) continue;
        auto argv = expandExec(*exec, file);
        if (!argv.empty() && spawnDetached(argv, setup_.env) == 0) return true;
    }
    return false;
}

bool CompanionLauncher::startInWine(std::span<const std::string_view> keys,
                                    std::span<const std::string_view> programNames, const std::string& file) {
    if (setup_.winePrefix.empty()) return false;
    for (std::string_view key : keys) {
        auto installDir = readWineRegistryValue(setup_.winePrefix + "/system.reg", key, "InstallDir");
        if (!installDir || installDir->empty()) continue;
        // Wine itself always starts; a program missing from the prefix counts as a failed start.
        auto program = programInPrefix(setup_.winePrefix, *installDir, programNames);
        if (!program) continue;
        std::vector<std::string> env = setup_.env;
        std::erase_if(env, [](const std::string& e) { return e.rfind("WINEPREFIX=", 0) == 0; });
        env.push_back("WINEPREFIX=" + setup_.winePrefix);
        if (spawnDetached({"wine", *program, windowsPathOf(file)}, env) == 0) return true;
    }
    return false;
}

// The program in the Wine prefix comes first, whatever the desktop's file types say: those may
// name any program that registered the type, while the prefix holds the real one.
bool CompanionLauncher::mapSourceSteps(const std::string& file) {
    return startInWine(kMapSourceKeys, kMapSourcePrograms, file) || startWithDesktopProgram(kGdbMimeTypes, file);
}

int CompanionLauncher::openInMapSource(Context& ctx, const std::string& gdbPath) {
    if (mapSourceSteps(gdbPath)) return 0;
    tell(ctx, devmsg::CannotFindMapSource.key, devmsg::CannotFindMapSource.english, MsgStyle::Plain);
    return 1;
}

int CompanionLauncher::openClipboardResult(Context& ctx) { return openInMapSource(ctx, ctx.paths.workGdb); }

int CompanionLauncher::openSymbolTable(Context& ctx) {
    const std::string& folder = ctx.paths.dataFolder.empty() ? ctx.paths.programFolder : ctx.paths.dataFolder;
    if (mapSourceSteps(folder + "/" + kSymbolTable)) return 0;
    tell(ctx, devmsg::CannotFindMapSource.key, devmsg::CannotFindMapSource.english, MsgStyle::Plain);
    return 1;
}

int CompanionLauncher::startTrainingCenter(Context& ctx) {
    const std::string& tcx = ctx.paths.workTcx;
    if (startInWine(kTrainingCenterKeys, kTrainingCenterPrograms, tcx) || startWithDesktopProgram(kTcxMimeTypes, tcx))
        return 0;
    tell(ctx, devmsg::CannotFindTrainingCenter.key, devmsg::CannotFindTrainingCenter.english, MsgStyle::Plain);
    return 1;
}

std::string helpFileForLanguage(const Context& ctx) {
    constexpr std::string_view english = "en.pdf";
    std::string path = ctx.paths.helpFile;
    if (ctx.settings.Language == 0) return path;
    std::string suffix = messageText(ctx, devmsg::HelpSuffix.key, devmsg::HelpSuffix.english, devmsg::HelpSuffix.limit);
    suffix = suffix.substr(0, english.size());
    if (path.size() < english.size()) return path;
    return path.substr(0, path.size() - english.size()) + suffix;
}

int CompanionLauncher::showHelp(Context& ctx) {
    stopHelpViewer();
    auto reader = defaultApplicationExec(kPdfMimeType, setup_.env, setup_.applicationDirs);
    if (reader) {
        std::string file = helpFileForLanguage(ctx);
        if (!isFile(file)) {
            tell(ctx, devmsg::CannotFindHelp.key, devmsg::CannotFindHelp.english, MsgStyle::Plain);
            if (ctx.settings.Language == 1) return 1;
            file = ctx.paths.helpFile;
            if (!isFile(file)) {
                tellLiteral(ctx, devmsg::CannotFindHelp.key, devmsg::CannotFindHelpEither, MsgStyle::Plain);
                return 1;
            }
        }
        auto argv = expandExec(*reader, file);
        if (!argv.empty() && helpViewer_.start(argv, setup_.env) == 0) return 0;
    }
    // Without a reader the user still learns where the guide is, to open it some other way.
    std::string text = messageText(ctx, devmsg::CannotFindPdfReader.key, devmsg::CannotFindPdfReader.english);
    std::string guide = helpFileForLanguage(ctx);
    if (!isFile(guide)) guide = ctx.paths.helpFile;
    if (isFile(guide))
        text += "\n\n" + formatMessage(ctx, devmsg::GuideIsHere.key, devmsg::GuideIsHere.english, devmsg::GuideIsHere.limit, guide.c_str());
    if (ctx.notifier != nullptr) ctx.notifier->notify(devmsg::CannotFindPdfReader.key, text, MsgStyle::Plain);
    return 1;
}

}  // namespace trakor
