// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "core/settings_io.h"
#include "platform/ini_file.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

// An in-memory store that logs every operation in order.
class RecordingStore : public SettingsStore {
public:
    std::map<std::string, int32_t, std::less<>> values;
    std::vector<std::string> log;
    bool failWrites = false;

    int32_t readInt(std::string_view name, int32_t fallback) override {
        log.push_back("read " + std::string(name));
        auto it = values.find(name);
        return it == values.end() ? fallback : it->second;
    }
    bool writeInt(std::string_view name, int32_t value) override {
        log.push_back("write " + std::string(name));
        if (failWrites) return false;
        values[std::string(name)] = value;
        return true;
    }
    bool deleteValue(std::string_view name) override {
        log.push_back("delete " + std::string(name));
        values.erase(std::string(name));
        return true;
    }
    std::vector<std::string> writes() const {
        std::vector<std::string> w;
        for (const auto& l : log)
            if (l.starts_with("write ")) w.push_back(l.substr(6));
        return w;
    }
};

// An environment without Wine settings and with a metric locale.
Environment metricEnv(const test::TempDir& dir) {
    Environment env;
    env.vars["HOME"] = dir.path().string();
    env.vars["LANG"] = "de_DE.UTF-8";
    return env;
}

TEST(SettingsLoad, FirstStartGivesTheDefaultsOfEachMode) {
    test::TempDir dir;
    RecordingStore store;
    Settings s;
    loadSettings(s, store, true);
    EXPECT_EQ(s.Filter_CBR, 200);
    EXPECT_EQ(s.Filter_CBT, 500);
    EXPECT_EQ(s.Filtersize_p, 50);
    EXPECT_EQ(s.Filtersize_c, 30);
    EXPECT_EQ(s.Splitlen_r, 50);
    EXPECT_EQ(s.Splitlen_t, 50);
    EXPECT_EQ(s.Splitsize_r, 200);
    EXPECT_EQ(s.Mode, 1);
    EXPECT_EQ(s.Prefix, 58);
    EXPECT_EQ(store.log.front(), "read Language");  // no deletions in portable mode
    EXPECT_EQ(store.log.back(), "read Top Clipboard Menu");
    EXPECT_EQ(store.log.size(), settingTable().size());

    RecordingStore native;
    loadSettings(s, native, false);
    EXPECT_EQ(s.Filter_CBR, 0);
    EXPECT_EQ(s.Filter_CBT, 0);
    EXPECT_EQ(s.Filtersize_p, 0);
    EXPECT_EQ(s.Filtersize_c, 0);
    EXPECT_EQ(s.Splitlen_r, 500);
    EXPECT_EQ(s.Splitlen_t, 500);
    EXPECT_EQ(s.Splitsize_r, 500);
    const std::vector<std::string> firstSteps(native.log.begin(), native.log.begin() + 6);
    EXPECT_EQ(firstSteps, (std::vector<std::string>{"delete Check-track", "delete MapSource", "delete Original Route",
                                                    "delete Original Track", "delete Routesize", "read Language"}));
}

TEST(SettingsLoad, NormalisesOnlyWhatIsDefined) {
    test::TempDir dir;
    for (bool portable : {true, false}) {
        RecordingStore store;
        store.values = {{"CBmode_t", 11},          {"Filtertype", 0},         {"Splittype", 0},
                        {"Left Trakor3 Menu", -32000}, {"Top Trakor3 Menu", -31999}, {"Left Clipboard Menu", -32000},
                        {"Top Clipboard Menu", -32000}, {"Mode", 99},          {"Prefix", -5}};
        Settings s;
        loadSettings(s, store, portable);
        EXPECT_EQ(s.CBmode_t, 22);
        EXPECT_EQ(s.Filtertype, 1);
        EXPECT_EQ(s.Splittype, 1);
        EXPECT_EQ(s.Mode, 99);  // out of range values are kept
        EXPECT_EQ(s.Prefix, -5);
        EXPECT_EQ(s.TopTrakor3Menu, -31999);
        const int32_t minimised = portable ? -32000 : 0;
        EXPECT_EQ(s.LeftTrakor3Menu, minimised);
        EXPECT_EQ(s.LeftClipboardMenu, minimised);
        EXPECT_EQ(s.TopClipboardMenu, minimised);
    }
    RecordingStore store;
    store.values = {{"Filtertype", 7}, {"Splittype", 2}, {"CBmode_t", 23}};
    Settings s;
    loadSettings(s, store, true);
    EXPECT_EQ(s.Filtertype, 7);
    EXPECT_EQ(s.Splittype, 2);
    EXPECT_EQ(s.CBmode_t, 23);
}

TEST(SettingsSave, EachSetWritesItsValuesInItsOrder) {
    Settings s;
    RecordingStore store;
    EXPECT_TRUE(saveExitSettings(s, store));
    EXPECT_EQ(store.writes(),
              (std::vector<std::string>{"Output Option", "Mode", "CBmode_r", "CBmode_t", "Save Route", "Save Track",
                                        "Filter", "Filter_CBR", "Filter_CBT", "Filtersize_r", "Filtersize_t",
                                        "Filtersize_p", "Filtersize_c", "Split", "Splitlen_r", "Splitlen_t",
                                        "Splitsize_r", "Splitsize_t", "Left Trakor3 Menu", "Top Trakor3 Menu",
                                        "Left Clipboard Menu", "Top Clipboard Menu"}));
    store.log.clear();
    EXPECT_TRUE(savePreferences(s, store));
    EXPECT_EQ(store.writes(),
              (std::vector<std::string>{"Filtertype", "Splittype", "Waypoint Symbol", "Prefix", "Removal Glitches",
                                        "Removal Distance", "Extra Distance", "Maximum Points", "Waypoint Priority",
                                        "Use File Times", "Course Points", "Course Turn", "Turn Warnings",
                                        "Average Speed"}));
    store.log.clear();
    s.Language = 3;
    s.EdgeSupport = 1;
    EXPECT_TRUE(saveLanguage(s, store));
    EXPECT_TRUE(saveEdgeSupport(s, store));
    EXPECT_EQ(store.writes(), (std::vector<std::string>{"Language", "Edge Support"}));
    EXPECT_EQ(store.values["Language"], 3);
    EXPECT_EQ(store.values["Edge Support"], 1);
    store.failWrites = true;
    EXPECT_FALSE(saveLanguage(s, store));
    EXPECT_FALSE(saveExitSettings(s, store));
}

TEST(SettingsSave, RoundTripThroughAnIniFileKeepsForeignContent) {
    test::TempDir dir;
    const std::string path = dir.file("Trakor3.ini");
    test::writeFile(path, "[Window]\r\nx=1\r\n\r\n[Info]\r\nMode=12junk\r\nLanguage=2\r\n");
    IniSettingsStore store(path);
    Settings s;
    loadSettings(s, store, true);
    EXPECT_EQ(s.Mode, 12);
    EXPECT_EQ(s.Language, 2);
    s.Mode = 24;
    s.LeftClipboardMenu = -120;
    s.Filtersize_t = 1234;
    s.Prefix = 35;
    ASSERT_TRUE(saveExitSettings(s, store));
    ASSERT_TRUE(savePreferences(s, store));
    Settings back;
    loadSettings(back, store, true);
    EXPECT_EQ(back.Mode, 24);
    EXPECT_EQ(back.LeftClipboardMenu, -120);
    EXPECT_EQ(back.Filtersize_t, 1234);
    EXPECT_EQ(back.Prefix, 35);
    const std::string text = test::readFile(path);
    EXPECT_TRUE(text.starts_with("[Window]\r\nx=1\r\n\r\n[Info]\r\nMode=24\r\nLanguage=2\r\nOutput Option=1\r\n"))
        << text;
    // Exit settings come before the preferences, each set in its order.
    EXPECT_LT(text.find("Top Clipboard Menu=0"), text.find("Filtertype=1"));
    EXPECT_LT(text.find("Filtertype=1"), text.find("Average Speed=15"));

    // A read-only settings file is reported, not pretended written.
    test::TempDir ro;
    const std::string roPath = ro.file("Trakor3.ini");
    test::writeFile(roPath, "[Info]\nMode=3\n");
    ASSERT_EQ(::chmod(roPath.c_str(), 0444), 0);
    IniSettingsStore roStore(roPath);
    EXPECT_FALSE(saveExitSettings(s, roStore));
    EXPECT_EQ(test::readFile(roPath), "[Info]\nMode=3\n");
}

TEST(SettingsStore, NativeFileDropsObsoleteValuesAndIsCreatedOnFirstWrite) {
    test::TempDir dir;
    Environment env = metricEnv(dir);
    env.vars["XDG_CONFIG_HOME"] = dir.file("cfg");
    Paths paths;
    paths.modeLetter = 'N';
    paths.appName = "Other";
    auto store = openSettingsStore(paths, env);
    const std::string file = dir.file("cfg/Quenby Software/Other.conf");
    Settings s;
    loadSettings(s, *store, false);
    EXPECT_FALSE(std::filesystem::exists(file));  // nothing to delete, nothing written
    ASSERT_TRUE(saveEdgeSupport(s, *store));
    ASSERT_TRUE(std::filesystem::exists(file));
    test::writeFile(file, "[Info]\nRoutesize=4\nMode=13\nMapSource=1\n[Keep]\nRoutesize=4\n");
    loadSettings(s, *store, false);
    EXPECT_EQ(s.Mode, 13);
    EXPECT_EQ(test::readFile(file), "[Info]\nMode=13\n[Keep]\nRoutesize=4\n");
}

// The last input and output go into the same file as the settings, paths kept byte for byte
// (blanks at the ends, quotes, UTF-8); a path with a line break is not stored, an empty one removed.
TEST(SettingsStore, RecentFilesRoundTripThroughTheIniFile) {
    test::TempDir dir;
    const std::string path = dir.file("Trakor3.ini");
    test::writeFile(path, "[Info]\nMode=24\n");
    IniSettingsStore store(path);
    EXPECT_EQ(loadRecentFiles(store).input, "");
    const RecentFiles files{" /home/u/Fahrt \"Süd\".gpx ", "/home/u/out put.gdb"};
    ASSERT_TRUE(saveRecentFiles(files, store));
    EXPECT_EQ(loadRecentFiles(store).input, files.input);
    EXPECT_EQ(loadRecentFiles(store).output, files.output);
    EXPECT_NE(test::readFile(path).find("Mode=24\n"), std::string::npos);

    EXPECT_FALSE(saveRecentFiles({"/tmp/a\nb.gpx", ""}, store));
    EXPECT_EQ(loadRecentFiles(store).input, files.input);  // the earlier one stays
    EXPECT_EQ(test::readFile(path).find("Last Output"), std::string::npos);
    Settings s;
    loadSettings(s, store, true);
    EXPECT_EQ(s.Mode, 24);
}

}  // namespace
}  // namespace trakor
