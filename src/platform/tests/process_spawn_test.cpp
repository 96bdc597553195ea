// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/desktop_entry.h"
#include "platform/process_spawn.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;
using namespace trakor;
using trakor::test::readFile;
using trakor::test::TempDir;
using trakor::test::writeFile;

namespace {

void writeScript(const std::string& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

// Waits until a file written by a started program has content.
std::string waitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        std::string s = readFile(path);
        if (!s.empty() && s.back() == '\n') return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return readFile(path);
}

bool alive(pid_t pid) { return ::kill(pid, 0) == 0; }

struct SpawnTest : ::testing::Test {
    TempDir dir;
    std::string bin = dir.file("bin");
    std::vector<std::string> env;
    void SetUp() override {
        fs::create_directory(bin);
        env = {"PATH=" + bin + ":/usr/bin:/bin"};
        // Records each argument on a line of its own.
        writeScript(bin + "/recorder", "for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"$OUT.tmp\"; echo >> \"$OUT.tmp\"; mv \"$OUT.tmp\" \"$OUT\"\n");
    }
};

}  // namespace

TEST_F(SpawnTest, FindsProgramsOnPathOnly) {
    writeFile(bin + "/plain", "not executable");
    EXPECT_EQ(findProgram("recorder", "/nonexistent::" + bin).value(), bin + "/recorder");
    EXPECT_FALSE(findProgram("plain", bin).has_value());
    EXPECT_FALSE(findProgram("missing", bin).has_value());
    EXPECT_EQ(findProgram(bin + "/recorder", "").value(), bin + "/recorder");
    EXPECT_FALSE(findProgram(bin, "").has_value());  // a folder is no program
    EXPECT_EQ(pathOf({"HOME=/h", "PATH=/a:/b"}), "/a:/b");
    EXPECT_EQ(pathOf({}), "/usr/local/bin:/usr/bin:/bin");
}

TEST_F(SpawnTest, DetachedStartPassesArgumentsUntouchedAndReportsFailures) {
    std::string out = dir.file("argv");
    env.push_back("OUT=" + out);
    std::string odd = "it's a \"file\" with $HOME & spaces;.gdb";
    ASSERT_EQ(spawnDetached({"recorder", odd, "", "x"}, env), 0);
    EXPECT_EQ(waitForFile(out), "[" + odd + "][][x]\n");

    EXPECT_EQ(spawnDetached({"no-such-program"}, env), ENOENT);
    EXPECT_NE(spawnDetached({}, env), 0);
    // The file is executable but its interpreter is missing: the exec itself fails.
    writeScript(bin + "/broken", "");
    writeFile(bin + "/broken", "#!/nonexistent/interpreter\n");
    EXPECT_EQ(spawnDetached({"broken"}, env), ENOENT);
}

TEST_F(SpawnTest, CaptureGivesOutputStatusAndEndsHangingPrograms) {
    writeScript(bin + "/answer", "echo \"mapsource.desktop\"\nexit 3\n");
    std::string out;
    EXPECT_EQ(runAndCapture({"answer"}, env, 5000, out), 3);
    EXPECT_EQ(out, "mapsource.desktop\n");
    EXPECT_EQ(runAndCapture({"missing"}, env, 5000, out), -1);

    // A program left to end by itself would exit 0; ended after the timeout it gives -1 and is gone.
    const std::string pidFile = dir.file("hang.pid");
    writeScript(bin + "/hang", "echo $$ > " + pidFile + "\nexec sleep 30\n");
    EXPECT_EQ(runAndCapture({"hang"}, env, 200, out), -1);
    // (On a machine too busy to start it within the timeout it never wrote its number.)
    const std::string pid = readFile(pidFile);
    if (!pid.empty()) {
        EXPECT_FALSE(alive(std::stoi(pid)));
    }
}

TEST_F(SpawnTest, TrackedProcessIsStoppedWithItsHelpers) {
    // The viewer starts a helper of its own and records the helper's pid.
    std::string pidFile = dir.file("helper.pid");
    writeScript(bin + "/viewer", "sleep 60 &\necho $! > " + pidFile + "\nwait\n");
    TrackedProcess p;
    EXPECT_FALSE(p.running());
    p.stop();  // nothing to stop
    ASSERT_EQ(p.start({"viewer"}, env), 0);
    pid_t viewer = p.pid();
    pid_t helper = std::stoi(waitForFile(pidFile));
    EXPECT_TRUE(p.running());
    EXPECT_TRUE(alive(helper));

    p.stop();
    EXPECT_FALSE(p.running());
    EXPECT_FALSE(alive(viewer));  // ended and collected, no zombie left
    for (int i = 0; i < 200 && alive(helper); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(alive(helper));

    // Starting again replaces the first; a failed start leaves nothing tracked.
    ASSERT_EQ(p.start({"viewer"}, env), 0);
    pid_t first = p.pid();
    ASSERT_EQ(p.start({"viewer"}, env), 0);
    EXPECT_FALSE(alive(first));
    EXPECT_EQ(p.start({"missing"}, env), ENOENT);
    EXPECT_FALSE(p.running());
}

TEST_F(SpawnTest, SlowViewerDoesNotHoldUpTheStop) {
    // A viewer that takes long to close after the polite request is ended after a short grace: it
    // is gone when stop returns, and never got to finish its own closing.
    std::string ready = dir.file("ready"), closed = dir.file("closed");
    writeScript(bin + "/slow", "trap 'sleep 30; echo > " + closed + "; exit 0' TERM\necho > " + ready +
                                   "\nwhile :; do sleep 0.05; done\n");
    TrackedProcess p;
    ASSERT_EQ(p.start({"slow"}, env), 0);
    waitForFile(ready);
    pid_t viewer = p.pid();
    p.stop();
    EXPECT_FALSE(alive(viewer));
    EXPECT_FALSE(fs::exists(closed));
}

TEST_F(SpawnTest, TrackedProcessThatEndedByItselfIsNotRunning) {
    writeScript(bin + "/quick", "exit 0\n");
    TrackedProcess p;
    ASSERT_EQ(p.start({"quick"}, env), 0);
    for (int i = 0; i < 500 && p.running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(p.running());
    p.stop();
}

TEST_F(SpawnTest, ProgramClosedByTheUserIsCollected) {
    // The viewer ends by itself (the user closed it) while nobody asks about it: no zombie stays.
    writeScript(bin + "/closed", "exit 0\n");
    TrackedProcess p;
    ASSERT_EQ(p.start({"closed"}, env), 0);
    const pid_t viewer = p.pid();
    ASSERT_TRUE(p.waitEnded(60000));
    EXPECT_EQ(::waitpid(viewer, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_FALSE(p.running());
    p.stop();  // nothing left to signal
    EXPECT_TRUE(p.waitEnded(0));
}

TEST(DesktopEntry, ExecLineOfTheMainGroup) {
    const char* file =
        "[Desktop Action new]\nExec=wrong\n"
        "[Desktop Entry]\nName=Reader\nExec[de]=localised\nExecutable=no\n"
        "Exec = evince --page-label=1 %U\n";
    EXPECT_EQ(desktopExec(file).value(), "evince --page-label=1 %U");
    EXPECT_FALSE(desktopExec("[Desktop Entry]\nName=x\n").has_value());
    EXPECT_EQ(desktopExec("[Desktop Entry]\nExec=a\\sb \\\\\\\\x\n").value(), "a b \\\\x");
}

TEST(DesktopEntry, ExecExpansion) {
    const std::string f = "/home/u/My \"Trips\"/a b.gdb";
    using V = std::vector<std::string>;
    EXPECT_EQ(expandExec("evince %U", f), (V{"evince", f}));
    EXPECT_EQ(expandExec("reader --name %c %i %f --x=%% %k", f), (V{"reader", "--name", f, "--x=%"}));
    EXPECT_EQ(expandExec("okular", f), (V{"okular", f}));  // no field code: the file goes last
    EXPECT_EQ(expandExec("\"/opt/My Reader/run\" \"a \\\"q\\\" \\\\ \\$\" %f", f),
              (V{"/opt/My Reader/run", "a \"q\" \\ $", f}));
    EXPECT_EQ(expandExec("env WINEPREFIX=\"/home/u/.wine\" wine start /ProgIDOpen x %f", f),
              (V{"env", "WINEPREFIX=/home/u/.wine", "wine", "start", "/ProgIDOpen", "x", f}));
    EXPECT_TRUE(expandExec("\"unclosed %f", f).empty());
    EXPECT_TRUE(expandExec("   ", f).empty());
}

TEST_F(SpawnTest, DefaultApplicationFromXdgMimeAndDesktopFile) {
    std::string apps = dir.file("apps"), apps2 = dir.file("apps2");
    fs::create_directories(apps);
    fs::create_directories(apps2 + "/garmin");
    writeScript(bin + "/xdg-mime",
                "[ \"$1 $2\" = \"query default\" ] || exit 2\n"
                "case \"$3\" in application/pdf) echo 'reader.desktop;other.desktop';;"
                " application/x-gdb) echo garmin-mapsource.desktop;; *) exit 4;; esac\n");
    writeFile(apps2 + "/reader.desktop", "[Desktop Entry]\nExec=pdfreader --fullscreen %f\n");
    writeFile(apps2 + "/garmin/mapsource.desktop", "[Desktop Entry]\nExec=wine MapSource.exe\n");
    const std::vector<std::string> dirs = {apps, apps2};

    using V = std::vector<std::string>;
    EXPECT_EQ(defaultApplicationCommand("application/pdf", "/h/T.pdf", env, dirs).value(),
              (V{"pdfreader", "--fullscreen", "/h/T.pdf"}));
    EXPECT_EQ(defaultApplicationCommand("application/x-gdb", "/h/a.gdb", env, dirs).value(),
              (V{"wine", "MapSource.exe", "/h/a.gdb"}));
    EXPECT_FALSE(defaultApplicationCommand("text/plain", "/h/a", env, dirs).has_value());
    // A local entry overrides the system one.
    writeFile(apps + "/reader.desktop", "[Desktop Entry]\nExec=mine %u\n");
    EXPECT_EQ(defaultApplicationCommand("application/pdf", "/h/T.pdf", env, dirs).value(), (V{"mine", "/h/T.pdf"}));
    // Without xdg-mime nothing is registered.
    EXPECT_FALSE(defaultApplicationCommand("application/pdf", "/h/T.pdf", {"PATH=" + dir.file("none")}, dirs));
    EXPECT_FALSE(findDesktopFile("../reader.desktop", dirs).has_value());
}
