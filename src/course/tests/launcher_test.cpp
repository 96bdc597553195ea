// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "core/context.h"
#include "course/companion_launcher.h"
#include "platform/wine_paths.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;
using namespace trakor;
using trakor::test::readFile;
using trakor::test::RecordingNotifier;
using trakor::test::TempDir;
using trakor::test::writeFile;

namespace {

// Each stand-in program appends "name|arg|arg..." to the log; wine adds the prefix it was given.
const char* kRecorder =
    "#!/bin/sh\n"
    "{ printf '%s' \"$(basename \"$0\")\"; for a in \"$@\"; do printf '|%s' \"$a\"; done;"
    " [ \"$(basename \"$0\")\" = wine ] && printf '|WINEPREFIX=%s' \"$WINEPREFIX\"; printf '\\n'; } >> \"$LOG\"\n";

// Answers "xdg-mime query default TYPE" from files named after the type.
const char* kXdgMime =
    "#!/bin/sh\n"
    "f=\"$MIMEDIR/$(printf '%s' \"$3\" | tr / _)\"\n"
    "[ -f \"$f\" ] && cat \"$f\" || exit 1\n";

const char* kSystemRegHead = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";

class Dutch : public TextLookup {
public:
    std::map<std::string, std::string, std::less<>> texts;
    std::string lookup(std::string_view key, size_t) const override {
        auto it = texts.find(key);
        return it == texts.end() ? "" : it->second;
    }
};

// This process's children, zombies included.
std::set<int> childProcesses() {
    std::set<int> pids;
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string stat = readFile(e.path().string() + "/stat");
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 2));
        char state;
        int ppid = 0;
        rest >> state >> ppid;
        if (ppid == getpid()) pids.insert(std::stoi(e.path().filename().string()));
    }
    return pids;
}

class LauncherTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string bin = dir.file("bin"), apps = dir.file("apps"), mime = dir.file("mime"), prefix = dir.file("wine");
    std::string log = dir.file("log");
    Context ctx;
    RecordingNotifier notifier;
    LaunchSetup setup;

    void SetUp() override {
        for (const auto& d : {bin, apps, mime, prefix + "/drive_c", prefix + "/dosdevices"}) fs::create_directories(d);
        fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
        script("xdg-mime", kXdgMime);
        setup.env = {"PATH=" + bin + ":/usr/bin:/bin", "LOG=" + log, "MIMEDIR=" + mime, "WINEPREFIX=/elsewhere"};
        setup.applicationDirs = {apps};
        setup.winePrefix = prefix;
        ctx.notifier = &notifier;
        ctx.paths.workGdb = dir.file("Trakor3.gdb");
        ctx.paths.workTcx = dir.file("Trakor3.tcx");
        ctx.paths.dataFolder = dir.file("data");
        ctx.paths.helpFile = dir.file("data/Trakor3en.pdf");
        fs::create_directories(ctx.paths.dataFolder);
        // A detached program's middle process has ended when the launcher returns, so the program
        // is then a child of this process and nothingStarted sees it without waiting.
        ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        seen_ = childProcesses();
    }
    void TearDown() override { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }

    void script(const std::string& name, const std::string& body) {
        writeFile(bin + "/" + name, body);
        fs::permissions(bin + "/" + name, fs::perms::owner_all);
    }
    void recorder(const std::string& name) { script(name, kRecorder); }

    // Registers a desktop program for a MIME type.
    void registerApp(const std::string& mimeType, const std::string& id, const std::string& exec) {
        std::string f = mimeType;
        std::replace(f.begin(), f.end(), '/', '_');
        writeFile(mime + "/" + f, id + "\n");
        writeFile(apps + "/" + id, "[Desktop Entry]\nType=Application\nExec=" + exec + "\n");
    }

    void systemReg(const std::string& keys) { writeFile(prefix + "/system.reg", kSystemRegHead + keys); }
    void installInPrefix(const std::string& relative) {
        fs::create_directories(fs::path(prefix + "/drive_c/" + relative).parent_path());
        writeFile(prefix + "/drive_c/" + relative, "MZ");
    }

    // The log's lines once `count` programs have written theirs.
    std::vector<std::string> logLines(size_t count) {
        std::vector<std::string> lines;
        for (int i = 0; i < 500; ++i) {
            lines.clear();
            std::string s = readFile(log);
            for (size_t pos = 0, end; (end = s.find('\n', pos)) != std::string::npos; pos = end + 1)
                lines.push_back(s.substr(pos, end - pos));
            if (lines.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        seen_ = childProcesses();
        return lines;
    }
    // Whether nothing was started since the last look: no new child process (detached programs
    // become this process's children, see SetUp) and nothing in the log.
    bool nothingStarted() {
        const std::set<int> now = childProcesses();
        const bool none = std::includes(seen_.begin(), seen_.end(), now.begin(), now.end());
        seen_ = now;
        return none && readFile(log).empty();
    }
    std::set<int> seen_;
};

const std::string kMapSourceKey =
    "[Software\\\\Garmin\\\\Applications\\\\MapSource] 1700000000\n\"InstallDir\"=\"C:\\\\Garmin\\\\\"\n\n";
const std::string kWowKey =
    "[Software\\\\Wow6432Node\\\\Garmin\\\\Applications\\\\MapSource] 1700000000\n"
    "\"InstallDir\"=\"C:\\\\Program Files (x86)\\\\Garmin\\\\\"\n\n";

// Children of this process running "sleep" (the stand-in reader after its exec), zombies excluded.
int runningReaders() {
    int n = 0;
    for (const auto& e : fs::directory_iterator("/proc")) {
        std::string stat = readFile(e.path().string() + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos || stat.find("(sleep)") == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 2));
        char state;
        int ppid;
        rest >> state >> ppid;
        if (ppid == getpid() && state != 'Z') ++n;
    }
    return n;
}

}  // namespace

TEST(WinePaths, TranslatesBothWays) {
    TempDir dir;
    std::string prefix = dir.file("p");
    fs::create_directories(prefix + "/drive_c/Program Files/Garmin");
    writeFile(prefix + "/drive_c/Program Files/Garmin/MapSource.exe", "MZ");
    EXPECT_EQ(linuxPathInPrefix(prefix, "c:\\PROGRAM FILES\\garmin\\mapsource.EXE").value(),
              prefix + "/drive_c/Program Files/Garmin/MapSource.exe");
    EXPECT_FALSE(linuxPathInPrefix(prefix, "C:\\Garmin\\..\\..\\etc").has_value());
    EXPECT_FALSE(linuxPathInPrefix(prefix, "D:\\x").has_value());  // no such drive
    EXPECT_FALSE(linuxPathInPrefix(prefix, "Garmin").has_value());
    EXPECT_EQ(programInPrefix(prefix, "C:\\Program Files\\Garmin", std::array<std::string_view, 1>{"mapsource.exe"}).value(),
              "C:\\Program Files\\Garmin\\MapSource.exe");
    EXPECT_EQ(programInPrefix(prefix, "C:\\Program Files\\Garmin\\MapSource.exe", {}).value(),
              "C:\\Program Files\\Garmin\\MapSource.exe");
    EXPECT_FALSE(programInPrefix(prefix, "C:\\Program Files", std::array<std::string_view, 1>{"MapSource.exe"}));
    EXPECT_EQ(windowsPathOf("/home/u/My Trips/a.gdb"), "Z:\\home\\u\\My Trips\\a.gdb");
}

TEST_F(LauncherTest, MapSourceFromTheDesktopRegistration) {
    recorder("mapsource");
    registerApp("application/x-gdb", "garmin-mapsource.desktop", "mapsource --open %f");
    CompanionLauncher launcher(setup);
    std::string gdb = dir.file("my \"trip\" $1.gdb");
    EXPECT_EQ(launcher.openInMapSource(ctx, gdb), 0);
    EXPECT_EQ(logLines(1), std::vector<std::string>{"mapsource|--open|" + gdb});
    EXPECT_TRUE(notifier.entries.empty());
}

TEST_F(LauncherTest, MapSourceFallsBackToWineThenWow6432Node) {
    recorder("wine");
    // The registered program is missing: step 1 fails to start.
    registerApp("application/x-gdb", "gone.desktop", "no-such-mapsource %f");
    systemReg(kMapSourceKey + kWowKey);
    installInPrefix("Program Files (x86)/Garmin/MapSource.exe");
    CompanionLauncher launcher(setup);

    // C:\Garmin holds no MapSource: the 64-bit key's step fails, the Wow6432Node one starts it.
    EXPECT_EQ(launcher.openInMapSource(ctx, "/h/u/a.gdb"), 0);
    EXPECT_EQ(logLines(1), std::vector<std::string>{"wine|C:\\Program Files (x86)\\Garmin\\MapSource.exe|Z:\\h\\u\\a.gdb|"
                                                    "WINEPREFIX=" + prefix});

    // The symbol table looks in both registry views too.
    EXPECT_EQ(launcher.openSymbolTable(ctx), 0);
    EXPECT_EQ(logLines(2).at(1), "wine|C:\\Program Files (x86)\\Garmin\\MapSource.exe|" +
                                     windowsPathOf(ctx.paths.dataFolder) + "\\Symbols.gdb|WINEPREFIX=" + prefix);
    EXPECT_TRUE(notifier.entries.empty());

    installInPrefix("Garmin/MapSource.exe");
    EXPECT_EQ(launcher.openSymbolTable(ctx), 0);
    EXPECT_EQ(logLines(3).at(2), "wine|C:\\Garmin\\MapSource.exe|" + windowsPathOf(ctx.paths.dataFolder) +
                                     "\\Symbols.gdb|WINEPREFIX=" + prefix);
    EXPECT_EQ(launcher.openClipboardResult(ctx), 0);
    EXPECT_EQ(logLines(4).at(3), "wine|C:\\Garmin\\MapSource.exe|" + windowsPathOf(ctx.paths.workGdb) +
                                     "|WINEPREFIX=" + prefix);
}

TEST_F(LauncherTest, MapSourceNotFoundAnywhere) {
    CompanionLauncher launcher(setup);
    EXPECT_EQ(launcher.openInMapSource(ctx, "/h/a.gdb"), 1);
    // Registered in the prefix, but Wine is not installed.
    systemReg(kMapSourceKey);
    installInPrefix("Garmin/MapSource.exe");
    EXPECT_EQ(launcher.openInMapSource(ctx, "/h/a.gdb"), 1);
    EXPECT_EQ(notifier.keys(), (std::vector<std::string>{"$MSG26", "$MSG26"}));
    EXPECT_TRUE(nothingStarted());
}

TEST_F(LauncherTest, WineExtensionRegistrationIsUsed) {
    recorder("wine");
    registerApp("application/x-wine-extension-gdb", "wine-extension-gdb.desktop",
                "env WINEPREFIX=\"/home/u/.wine\" wine start /ProgIDOpen GarminGpsDatabase %f");
    CompanionLauncher launcher(setup);
    EXPECT_EQ(launcher.openInMapSource(ctx, "/h/a.gdb"), 0);
    EXPECT_EQ(logLines(1), std::vector<std::string>{
                               "wine|start|/ProgIDOpen|GarminGpsDatabase|/h/a.gdb|WINEPREFIX=/home/u/.wine"});
}

TEST_F(LauncherTest, TrainingCenterWineThenDesktopThenMessage) {
    recorder("tc");
    recorder("wine");
    CompanionLauncher launcher(setup);
    EXPECT_EQ(launcher.startTrainingCenter(ctx), 1);
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG48"});
    EXPECT_EQ(notifier.entries[0].text, "Cannot find Training Center!");

    // A 32-bit Training Center in a 64-bit prefix is registered under Wow6432Node.
    systemReg("[Software\\\\Wow6432Node\\\\Garmin\\\\Applications\\\\Training Center] 1\n"
              "\"InstallDir\"=\"C:\\\\Program Files\\\\Garmin\\\\Training Center\\\\\"\n");
    installInPrefix("Program Files/Garmin/Training Center/TrainingCenter.exe");
    EXPECT_EQ(launcher.startTrainingCenter(ctx), 0);
    EXPECT_EQ(logLines(1).at(0), "wine|C:\\Program Files\\Garmin\\Training Center\\TrainingCenter.exe|" +
                                     windowsPathOf(ctx.paths.workTcx) + "|WINEPREFIX=" + prefix);

    // The prefix's program wins over the desktop's registration; without it the desktop's is used.
    registerApp("application/vnd.garmin.tcx+xml", "tc.desktop", "tc %U");
    EXPECT_EQ(launcher.startTrainingCenter(ctx), 0);
    EXPECT_EQ(logLines(2).at(1), "wine|C:\\Program Files\\Garmin\\Training Center\\TrainingCenter.exe|" +
                                     windowsPathOf(ctx.paths.workTcx) + "|WINEPREFIX=" + prefix);
    fs::remove(prefix + "/system.reg");
    EXPECT_EQ(launcher.startTrainingCenter(ctx), 0);
    EXPECT_EQ(logLines(3).at(2), "tc|" + ctx.paths.workTcx);
}

// Our installed desktop entry declares the GDB and TCX types, so the desktop may name it (or
// another entry running our programs) as their program: that is never started for MapSource or
// Training Center, and the program in the Wine prefix is found whatever the defaults say.
TEST_F(LauncherTest, OurOwnDesktopEntriesAreNeverTheCompanionProgram) {
    for (const char* name : {"Trakor3", "trakor3-cli", "wine"}) recorder(name);
    fs::copy_file(std::string(TRAKOR_SOURCE_DIR) + "/data/nl.quenby.Trakor3.desktop",
                  apps + "/nl.quenby.Trakor3.desktop");
    for (const char* type : {"application_x-gdb", "application_vnd.garmin.tcx+xml"})
        writeFile(mime + "/" + type, "nl.quenby.Trakor3.desktop\n");
    registerApp("application/x-wine-extension-gdb", "viewer.desktop", "env A=1 " + bin + "/trakor3-cli --view %f");
    registerApp("application/x-wine-extension-tcx", "viewer2.desktop", "sh -c \"exec Trakor3 \\\"$1\\\"\" sh %f");
    CompanionLauncher launcher(setup);
    EXPECT_EQ(launcher.openInMapSource(ctx, "/h/a.gdb"), 1);
    EXPECT_EQ(launcher.openSymbolTable(ctx), 1);
    EXPECT_EQ(launcher.startTrainingCenter(ctx), 1);
    EXPECT_EQ(notifier.keys(), (std::vector<std::string>{"$MSG26", "$MSG26", "$MSG48"}));
    EXPECT_TRUE(nothingStarted());

    systemReg(kMapSourceKey);
    installInPrefix("Garmin/MapSource.exe");
    EXPECT_EQ(launcher.openInMapSource(ctx, "/h/a.gdb"), 0);
    EXPECT_EQ(logLines(1), std::vector<std::string>{"wine|C:\\Garmin\\MapSource.exe|Z:\\h\\a.gdb|WINEPREFIX=" +
                                                    prefix});
}

TEST_F(LauncherTest, HelpReaderIsReplacedAndEndedWithTheLauncher) {
    // The reader records its start and keeps running, like a real viewer.
    script("reader", std::string(kRecorder) + "exec sleep 60\n");
    registerApp("application/pdf", "reader.desktop", "reader %f");
    writeFile(ctx.paths.helpFile, "%PDF");
    {
        CompanionLauncher launcher(setup);
        ASSERT_EQ(launcher.showHelp(ctx), 0);
        EXPECT_TRUE(launcher.helpViewerRunning());
        EXPECT_EQ(logLines(1).at(0), "reader|" + ctx.paths.helpFile);
        ASSERT_EQ(launcher.showHelp(ctx), 0);
        EXPECT_EQ(logLines(2).size(), 2u);
        EXPECT_TRUE(notifier.entries.empty());
        EXPECT_EQ(runningReaders(), 1);  // the first one was ended
        launcher.stopHelpViewer();
        EXPECT_FALSE(launcher.helpViewerRunning());
        EXPECT_EQ(runningReaders(), 0);
        ASSERT_EQ(launcher.showHelp(ctx), 0);
        EXPECT_EQ(logLines(3).size(), 3u);
        EXPECT_EQ(runningReaders(), 1);
    }
    EXPECT_EQ(runningReaders(), 0);  // the launcher ended its reader
}

TEST_F(LauncherTest, HelpFileFallbacksAndMessages) {
    recorder("reader");
    CompanionLauncher launcher(setup);
    // No PDF reader registered.
    EXPECT_EQ(launcher.showHelp(ctx), 1);
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG28"});
    EXPECT_EQ(notifier.entries[0].text, "Cannot find a PDF reader!");
    // With the guide present the message says where it is.
    writeFile(ctx.paths.helpFile, "%PDF");
    notifier.entries.clear();
    EXPECT_EQ(launcher.showHelp(ctx), 1);
    EXPECT_EQ(notifier.entries.at(0).text, "Cannot find a PDF reader!\n\nThe user guide is the file:\n" + ctx.paths.helpFile);
    std::filesystem::remove(ctx.paths.helpFile);

    // English and no help file at all: both messages, nothing started.
    registerApp("application/pdf", "reader.desktop", "reader %f");
    notifier.entries.clear();
    EXPECT_EQ(launcher.showHelp(ctx), 1);
    ASSERT_EQ(notifier.keys(), (std::vector<std::string>{"$MSG29", "$MSG29"}));
    EXPECT_EQ(notifier.entries[0].text, "Cannot find the English help file");
    EXPECT_EQ(notifier.entries[1].text, "Cannot find the English help file either");
    EXPECT_TRUE(nothingStarted());

    // Dutch without a Dutch help file: the translated message, then the English file opens.
    Dutch dutch;
    dutch.texts = {{"$MSG27", "nl.pdf"}, {"$MSG29", "Kan het Nederlandse helpbestand niet vinden"}};
    ctx.texts = &dutch;
    ctx.settings.Language = 2;
    EXPECT_EQ(helpFileForLanguage(ctx), dir.file("data/Trakor3nl.pdf"));
    writeFile(ctx.paths.helpFile, "%PDF");
    notifier.entries.clear();
    EXPECT_EQ(launcher.showHelp(ctx), 0);
    ASSERT_EQ(notifier.keys(), std::vector<std::string>{"$MSG29"});
    EXPECT_EQ(notifier.entries[0].text, "Kan het Nederlandse helpbestand niet vinden");
    EXPECT_EQ(logLines(1).at(0), "reader|" + ctx.paths.helpFile);

    // With the Dutch file present it is the one opened.
    writeFile(dir.file("data/Trakor3nl.pdf"), "%PDF");
    EXPECT_EQ(launcher.showHelp(ctx), 0);
    EXPECT_EQ(logLines(2).at(1), "reader|" + dir.file("data/Trakor3nl.pdf"));

    // An English language file names a missing file: no fallback.
    dutch.texts = {{"$MSG27", "xx.pdf-too-long"}};
    ctx.settings.Language = 1;
    EXPECT_EQ(helpFileForLanguage(ctx), dir.file("data/Trakor3xx.pdf"));
    notifier.entries.clear();
    EXPECT_EQ(launcher.showHelp(ctx), 1);
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG29"});

    // A registered reader that cannot be started.
    registerApp("application/pdf", "reader.desktop", "no-such-reader %f");
    ctx.settings.Language = 0;
    notifier.entries.clear();
    EXPECT_EQ(launcher.showHelp(ctx), 1);
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG28"});
}

TEST(LaunchSetup, FromEnvironment) {
    Environment env;
    env.vars = {{"HOME", "/home/u"}, {"XDG_DATA_DIRS", "/a:/b:"}, {"PATH", "/bin"}};
    LaunchSetup s = LaunchSetup::fromEnvironment(env);
    EXPECT_EQ(s.applicationDirs, (std::vector<std::string>{"/home/u/.local/share/applications", "/a/applications",
                                                           "/b/applications"}));
    EXPECT_EQ(s.winePrefix, "/home/u/.wine");
    EXPECT_NE(std::find(s.env.begin(), s.env.end(), "PATH=/bin"), s.env.end());
    env.vars = {{"XDG_DATA_HOME", "/d"}, {"WINEPREFIX", "/w"}};
    s = LaunchSetup::fromEnvironment(env);
    EXPECT_EQ(s.applicationDirs.front(), "/d/applications");
    EXPECT_EQ(s.applicationDirs.back(), "/usr/share/applications");
    EXPECT_EQ(s.winePrefix, "/w");
}
