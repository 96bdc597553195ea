// SPDX-License-Identifier: GPL-3.0-or-later
// The course writer as the driver reaches it through the default call table, with the import
// engine replaced by one that writes prepared tracks.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/driver.h"
#include "course/tests/course_fixture.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

class CourseDelivery : public CourseTest {
public:
    DriverCalls calls = defaultDriverCalls();
    ConversionRequest req;

    void SetUp() override {
        CourseTest::SetUp();
        ctx.paths.logFile = dir.file("Trakor3.log");
        ctx.paths.downGdb = dir.file("Trakor3.bcd");
        const double d = 100 * kDegPerMetre;
        std::vector<GdbTrack> tracks = {
            track("River & hills", {{50, 6}, {50 + d, 6}, {50 + d, 6 + 1.5 * d}, {50 + 2 * d, 6 + 1.5 * d}}),
            track("Back home", line(6))};
        calls.importFile = [tracks](Context& c, const std::string&, ByteStream&, ByteStream& out) {
            writeNewHeader(out, 1796651109);
            for (const GdbTrack& t : tracks) writeTrackRecord(out, t, 'm');
            writeEndRecord(out);
            c.run.trackCounter = static_cast<int32_t>(tracks.size());
            return 0;
        };
        req.inputPath = dir.file("ride.gpx");
        writeFile(req.inputPath, "<gpx/>");
        req.option = 0;
        ctx.settings.CoursePoints = 1;
    }
};

TEST_F(CourseDelivery, TcxOutputFile) {
    TRAKOR_XMLLINT_OR_SKIP();
    req.outputTarget = OutputTarget::File;
    req.outputPath = dir.file("out.tcx");
    ASSERT_EQ(runConversion(ctx, calls, req), kDelivered);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG52", "$MSG20"}));
    EXPECT_EQ(schemaErrors(req.outputPath), "");
    EXPECT_EQ(countOf(readFile(req.outputPath), "<Course>"), 2);
}

TEST_F(CourseDelivery, GpsDeviceFolders) {
    TRAKOR_XMLLINT_OR_SKIP();
    const std::string root = dir.file("GARMIN");
    fs::create_directories(root);
    req.outputTarget = OutputTarget::Gps;
    req.device.root = root;
    req.device.connected = true;
    req.device.deviceList = {root + "/EDGE 800"};
    req.targetRoot = root;
    ASSERT_EQ(runConversion(ctx, calls, req), kDelivered);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG52", "$MSG22"}));
    // An EDGE 800 takes its courses in the NewFiles folder, named after the input and the course;
    // the message names them.
    for (const char* f : {"ride-River & hills.tcx", "ride-Back home.tcx"}) {
        const std::string path = root + "/Garmin/NewFiles/" + f;
        ASSERT_TRUE(fs::exists(path)) << f;
        EXPECT_EQ(schemaErrors(path), "") << f;
        EXPECT_NE(notes.entries.back().text.find("\n" + path), std::string::npos) << notes.entries.back().text;
    }
    EXPECT_TRUE(fs::is_empty(root + "/Garmin/Courses"));
}

}  // namespace
}  // namespace trakor::test
