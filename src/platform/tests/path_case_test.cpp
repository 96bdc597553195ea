// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/path_case.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;
using namespace trakor;

// Folders a unit wrote in its own case are found and reused, never made twice in another case.
TEST(PathCase, MatchesEachComponentWithoutRegardToCase) {
    test::TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directories(root + "/GARMIN/NEWFILES");
    fs::create_directories(root + "/Garmin2/x");
    test::writeFile(root + "/GARMIN/GarminDevice.xml", "x");
    const struct {
        const char* relative;
        const char* found;
    } cases[] = {
        {"Garmin/GarminDevice.xml", "/GARMIN/GarminDevice.xml"},
        {"garmin/garmindevice.XML", "/GARMIN/GarminDevice.xml"},
        {"Garmin/NewFiles", "/GARMIN/NEWFILES"},
        {"Garmin/Courses/a.tcx", "/GARMIN/Courses/a.tcx"},  // the rest as given
        {"Garmin2/X", "/Garmin2/x"},
        {"/Garmin//NewFiles/", "/GARMIN/NEWFILES"},
    };
    for (const auto& c : cases) EXPECT_EQ(findPathNoCase(root, c.relative), root + c.found) << c.relative;

    EXPECT_EQ(ensureFolderNoCase(root, "Garmin/NewFiles"), root + "/GARMIN/NEWFILES");
    EXPECT_EQ(ensureFolderNoCase(root, "Garmin/Courses"), root + "/GARMIN/Courses");
    EXPECT_TRUE(fs::is_directory(root + "/GARMIN/Courses"));
    EXPECT_FALSE(fs::exists(root + "/Garmin"));
    // A file where a folder should be cannot become one.
    EXPECT_EQ(ensureFolderNoCase(root, "Garmin/GarminDevice.xml/sub"), "");
}
