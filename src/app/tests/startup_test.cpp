// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "app/startup.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

struct StartupTest : ::testing::Test {
    Environment env;
    void SetUp() override { env.vars["HOME"] = "/home/ann"; }
    Paths decide(const std::string& program, std::vector<std::string> args = {},
                 std::string_view prefix = "/opt/trakor") {
        return decidePaths(program, args, env, prefix);
    }
};

TEST_F(StartupTest, PortableProgramKeepsEverythingInItsFolder) {
    Paths p = decide("/home/ann/tools/Trakor3");
    EXPECT_EQ(p.modeLetter, 'P');
    EXPECT_EQ(p.clipboardFlag, 'N');
    EXPECT_EQ(p.appName, "Trakor3");
    EXPECT_EQ(p.programFolder, "/home/ann/tools");
    EXPECT_EQ(p.workingFolder, "/home/ann/tools");
    EXPECT_EQ(p.dataFolder, "/home/ann/tools");
    EXPECT_EQ(p.iniFile, "/home/ann/tools/Trakor3.ini");
    EXPECT_EQ(p.languageFile, "/home/ann/tools/Trakor3.lng");
    EXPECT_EQ(p.helpFile, "/home/ann/tools/Trakor3en.pdf");
    EXPECT_EQ(p.workGdb, "/home/ann/tools/Trakor3.gdb");
    EXPECT_EQ(p.workTcx, "/home/ann/tools/Trakor3.tcx");
    EXPECT_EQ(p.logFile, "/home/ann/tools/Trakor3.log");
    EXPECT_EQ(p.downGdb, "/home/ann/tools/Trakor3.bcd");
    EXPECT_EQ(p.tempFile, "/home/ann/tools/$$$.$$$");
}

TEST_F(StartupTest, ArgumentsChooseNativeModeAndTheClipboardDialog) {
    Paths p = decide("/home/ann/tools/Trakor3", {"N"});
    EXPECT_EQ(p.modeLetter, 'N');
    EXPECT_EQ(p.workingFolder, "/home/ann/.local/share/Trakor3");
    EXPECT_EQ(p.workGdb, "/home/ann/.local/share/Trakor3/Trakor3.gdb");
    EXPECT_EQ(p.iniFile, "/home/ann/tools/Trakor3.ini");  // data files stay next to the program
    EXPECT_EQ(p.dataFolder, "/home/ann/tools");

    p = decide("/home/ann/tools/Trakor3", {"Cnc"});  // lower-case n does not count
    EXPECT_EQ(p.modeLetter, 'P');
    EXPECT_EQ(p.clipboardFlag, 'C');
    p = decide("/home/ann/tools/Trakor3", {"x", "--NC"});
    EXPECT_EQ(p.modeLetter, 'N');
    EXPECT_EQ(p.clipboardFlag, 'C');
    // The program's own path never sets a flag.
    p = decide("/home/Nina/Cool/Trakor3");
    EXPECT_EQ(p.modeLetter, 'P');
    EXPECT_EQ(p.clipboardFlag, 'N');

    env.vars["XDG_DATA_HOME"] = "/data/ann";
    EXPECT_EQ(decide("/x/Trakor3", {"N"}).workingFolder, "/data/ann/Trakor3");
    env.vars["XDG_DATA_HOME"] = "relative/ignored";
    EXPECT_EQ(decide("/x/Trakor3", {"N"}).workingFolder, "/home/ann/.local/share/Trakor3");
}

TEST_F(StartupTest, InstalledProgramRunsNativeWithSharedDataFiles) {
    for (auto [program, share] : {std::pair{"/usr/bin/Trakor3", "/usr/share/trakor3"},
                                  std::pair{"/usr/local/bin/Trakor3", "/usr/local/share/trakor3"},
                                  std::pair{"/opt/trakor/bin/Trakor3", "/opt/trakor/share/trakor3"},
                                  std::pair{"/usr/bin/trakor3-cli", "/usr/share/trakor3"}}) {
        Paths p = decide(program);
        EXPECT_EQ(p.modeLetter, 'N') << program;
        EXPECT_EQ(p.appName, "Trakor3") << program;
        EXPECT_EQ(p.dataFolder, share) << program;
        EXPECT_EQ(p.languageFile, std::string(share) + "/Trakor3.lng") << program;
        EXPECT_EQ(p.helpFile, std::string(share) + "/Trakor3en.pdf") << program;
        EXPECT_EQ(p.workingFolder, "/home/ann/.local/share/Trakor3") << program;
    }
    // A folder that merely starts with the prefix's letters is not under it.
    EXPECT_EQ(decide("/usr2/bin/Trakor3").modeLetter, 'P');
    EXPECT_EQ(decide("/opt/trakor-dev/Trakor3").modeLetter, 'P');
    // A root or empty prefix does not make every program an installed one.
    EXPECT_EQ(decide("/home/ann/Trakor3", {}, "/").modeLetter, 'P');
    EXPECT_EQ(decide("/home/ann/Trakor3", {}, "").modeLetter, 'P');
    EXPECT_EQ(decide("/opt/trakor/bin/Trakor3", {}, "/opt/trakor/").dataFolder, "/opt/trakor/share/trakor3");
}

TEST_F(StartupTest, ApplicationNameComesFromTheProgramFile) {
    Paths p = decide("/home/ann/tools/Other");
    EXPECT_EQ(p.appName, "Other");
    EXPECT_EQ(p.iniFile, "/home/ann/tools/Other.ini");
    EXPECT_EQ(p.languageFile, "/home/ann/tools/Other.lng");
    EXPECT_EQ(p.helpFile, "/home/ann/tools/Otheren.pdf");
    EXPECT_EQ(p.workGdb, "/home/ann/tools/Other.gdb");
    EXPECT_EQ(p.downGdb, "/home/ann/tools/Other.bcd");
    EXPECT_EQ(decide("/t/Other-cli").appName, "Other");
    EXPECT_EQ(decide("/t/trakor3-cli").iniFile, "/t/Trakor3.ini");  // the front ends share one INI file
    EXPECT_EQ(decide("/t/-cli").appName, "-cli");

    const std::string longName(40, 'a');
    EXPECT_EQ(applicationName(longName), std::string(31, 'a'));
    // 30 ASCII bytes then a two-byte character: cut before it, never inside.
    EXPECT_EQ(applicationName(std::string(30, 'b') + "\xC3\xA9xyz"), std::string(30, 'b'));
    EXPECT_EQ(applicationName(std::string(29, 'b') + "\xC3\xA9xyz"), std::string(29, 'b') + "\xC3\xA9");
}

TEST(StartUp, RealProcessGetsAnAbsoluteProgramAndAWorkingFolder) {
    const char* argv[] = {"app_tests"};
    Paths p = startUp(1, argv);
    EXPECT_TRUE(std::filesystem::path(p.programPath).is_absolute());
    EXPECT_EQ(p.appName, "app_tests");
    EXPECT_TRUE(std::filesystem::is_directory(p.workingFolder));
}

TEST(MilesMode, MapSourceUnitsWinOverTheLocale) {
    test::TempDir dir;
    Environment env;
    env.vars["HOME"] = dir.path().string();
    env.vars["WINEPREFIX"] = dir.file("prefix");
    std::filesystem::create_directory(dir.file("prefix"));
    auto setUnits = [&](const char* dword) {
        test::writeFile(dir.file("prefix/user.reg"),
                        std::string("WINE REGISTRY Version 2\n\n[Software\\\\Garmin\\\\MapSource\\\\Settings] 1\n"
                                     "\"DistanceUnitsType\"=dword:") +
                            dword + "\n");
    };
    env.vars["LANG"] = "en_US.UTF-8";
    EXPECT_EQ(decideMilesMode(env), 1);  // no user.reg: U.S. locale
    setUnits("00000001");
    EXPECT_EQ(decideMilesMode(env), 0);  // metric in MapSource beats the U.S. locale
    env.vars["LANG"] = "nl_NL.UTF-8";
    setUnits("00000002");
    EXPECT_EQ(decideMilesMode(env), 1);
    setUnits("00000000");
    EXPECT_EQ(decideMilesMode(env), 1);
    setUnits("00000003");
    EXPECT_EQ(decideMilesMode(env), 0);
    std::filesystem::remove(dir.file("prefix/user.reg"));
    EXPECT_EQ(decideMilesMode(env), 0);  // no MapSource key, metric locale
    env.vars["LC_MEASUREMENT"] = "en_US";
    EXPECT_EQ(decideMilesMode(env), 1);  // the measurement category alone decides
    env.vars["LC_ALL"] = "fr_FR.UTF-8";
    EXPECT_EQ(decideMilesMode(env), 0);  // LC_ALL overrides it

    Settings s;
    IniSettingsStore store(dir.file("Trakor3.ini"));
    env.vars.erase("LC_ALL");
    loadSettings(s, store, true, env);
    EXPECT_EQ(s.milesMode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Trakor3.ini")));  // miles mode is never stored
}

}  // namespace
}  // namespace trakor

TEST(StartUp, FileArgumentsSetNoSwitches) {
    trakor::test::TempDir dir;
    const std::string ride = dir.file("Cycling.gdb");
    trakor::test::writeFile(ride, "x");
    const std::string here = "Nice.gpx";  // an existing file in the current folder
    std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    trakor::test::writeFile(here, "x");
    // A missing file named by its type is a file too (refused later as not found), not a switch.
    const char* argv[] = {"Trakor3", ride.c_str(), "C", here.c_str(), "N", "/no/such/Clip.gdb", "Nosuch.GPX"};
    trakor::StartArguments a = trakor::splitStartArguments(7, argv);
    std::filesystem::current_path(old);
    EXPECT_EQ(a.switches, (std::vector<std::string>{"C", "N"}));
    EXPECT_EQ(a.files, (std::vector<std::string>{ride, here, "/no/such/Clip.gdb", "Nosuch.GPX"}));
}
