// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "course/garmin_device.h"
#include "testsupport/testsupport.h"

using namespace trakor;

namespace {

struct Expected {
    const char* file;
    const char* model;
    const char* partNumber;
    const char* unitId;
    const char* takes;
    const char* fitPath;  // nullptr: takes no FIT courses
    const char* tcxPath;
    const char* gpxPath;
    size_t recordings;
};

}  // namespace

// The description files of two real units: what each takes, where, and what it offers.
TEST(GarminDevice, RealDescriptions) {
    const Expected cases[] = {
        {"devices/edge-705/Garmin/GarminDevice.xml", "EDGE705", "006-B0625-00", "3756631612", "TCX courses, GPX",
         nullptr, "Garmin/Courses", "Garmin/GPX", 2},
        {"devices/forerunner-935/GARMIN/GarminDevice.xml", "Forerunner 935", "006-B2691-00", "3950640004",
         "FIT courses, GPX", "GARMIN/NEWFILES", nullptr, "GARMIN/NEWFILES", 1},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = test::sharedFile(c.file);
        if (path.empty()) GTEST_SKIP() << "shared device folders not present";
        auto d = parseGarminDevice(test::readFile(path));
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->schemaVersion, 2);
        EXPECT_EQ(d->model, c.model);
        EXPECT_EQ(d->partNumber, c.partNumber);
        EXPECT_EQ(d->unitId, c.unitId);
        EXPECT_EQ(d->takes(), c.takes);
        EXPECT_EQ(d->fitCourses() ? d->fitCourses()->path : "", c.fitPath ? c.fitPath : "");
        EXPECT_EQ(d->tcxCourses() ? d->tcxCourses()->path : "", c.tcxPath ? c.tcxPath : "");
        EXPECT_EQ(d->gpxData() ? d->gpxData()->path : "", c.gpxPath);
        EXPECT_EQ(d->recordings().size(), c.recordings);
    }
}

// Version 3 with a namespace prefix, entities, comments; an update file's path is no data path;
// a text without a Device element is no description.
TEST(GarminDevice, PrefixedVersion3AndNonDescriptions) {
    auto d = parseGarminDevice(
        "<?xml version=\"1.0\"?><!-- <Device> in a comment --><g:Device "
        "xmlns:g=\"http://www.garmin.com/xmlschemas/GarminDevice/v3\"><g:Model><g:Description>Edge &amp; more"
        "</g:Description></g:Model><g:MassStorageMode><g:DataType><g:Name>FitnessCourses</g:Name><g:File>"
        "<g:Location><g:Path>Garmin/Courses</g:Path><g:FileExtension>TCX</g:FileExtension></g:Location>"
        "<g:TransferDirection>OutputFromUnit</g:TransferDirection></g:File></g:DataType>"
        "<g:UpdateFile><g:Path>Garmin/RemoteSW</g:Path></g:UpdateFile></g:MassStorageMode></g:Device>");
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->schemaVersion, 3);
    EXPECT_EQ(d->model, "Edge & more");
    ASSERT_EQ(d->files.size(), 1u);
    // Courses the unit only gives out are no courses it takes.
    EXPECT_EQ(d->tcxCourses(), nullptr);
    EXPECT_EQ(d->takes(), "no courses");

    EXPECT_FALSE(parseGarminDevice("<gpx><Description>x</Description></gpx>").has_value());
    EXPECT_FALSE(parseGarminDevice("").has_value());
    auto old = parseGarminDevice("<Device><Model><Description>EDGE 800</Description></Model></Device>");
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->takes(), "");
    EXPECT_FALSE(old->listsFiles());
}
