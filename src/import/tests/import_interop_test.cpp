// gpsbabel reads the GDB files the import path writes, and finds in them the points it finds in
// the input itself.
#include "gdb/file_header.h"
#include "import/import_file.h"
#include "import/tests/gpsbabel_oracle.h"

namespace trakor::test {
namespace {

class ImportInteropTest : public ImportFixture {
protected:
    ImportInteropTest() {
        job.onEmit = nullptr;
        job.onWaypoint = nullptr;
        notifier.answers = {Answer::Ok};
    }
    // Imports the file and saves the result as gpsbabel accepts it: with MapSource as creator.
    std::string importAndSave(InputType type, const std::string& path) {
        ctx.run.inputType = type;
        FileStream in;
        EXPECT_TRUE(in.open(path, "rb"));
        EXPECT_EQ(importFile(ctx, job, in), 0);
        std::string bytes(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(out.size()));
        EXPECT_EQ(bytes.substr(kNewHeaderLength - 8, 8), std::string("Trakor3\0", 8));
        bytes.replace(kNewHeaderLength - 8, 8, std::string("MapSource\0", 10));
        std::string file = dir.file("out.gdb");
        writeFile(file, bytes);
        return file;
    }
    TempDir dir;
};

TEST_F(ImportInteropTest, GpxTracksSurviveTheTripThroughGdb) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    TRAKOR_CORPUS_OR_SKIP(path, "gdb-sample.gpx");
    ctx.settings.Mode = 0;
    job.option = 0;
    std::string gdb = importAndSave(InputType::Gpx, path);
    OracleResult fromGdb = gpsbabelRead("gdb", "-w -t", gdb);
    OracleResult fromGpx = gpsbabelRead("gpx", "-w -r -t", path);
    ASSERT_TRUE(fromGdb.ran);
    ASSERT_TRUE(fromGpx.ran);
    std::erase_if(fromGpx.lines, [](const auto& l) { return l.size() < 2; });
    EXPECT_EQ(fromGdb.lines.size(), fromGpx.lines.size());  // the route became a track
    EXPECT_EQ(fromGdb.waypoints.size(), fromGpx.waypoints.size());
    // gpsbabel turns our semicircles into degrees with its own factor.
    std::vector<OraclePoint> ours = flatten(fromGdb.lines);
    for (auto& p : ours) p = {p.lat * kGpsbabelFactor / kOurFactor, p.lon * kGpsbabelFactor / kOurFactor};
    expectSamePoints(ours, flatten(fromGpx.lines));
}

TEST_F(ImportInteropTest, RoutesWithWaypointsAreReadable) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    TRAKOR_CORPUS_OR_SKIP(path, "course.tcx");
    ctx.settings.Mode = 22;
    job.option = 22;
    ctx.settings.Split = 1;
    ctx.settings.Splittype = 2;
    ctx.run.splitValue = 500;
    std::string gdb = importAndSave(InputType::Tcx, path);
    OracleResult fromGdb = gpsbabelRead("gdb", "-w -r -t", gdb);
    ASSERT_TRUE(fromGdb.ran);
    // 1202 points cut into 1202 / 500 + 1 = 3 routes, each route point a waypoint of its own.
    ASSERT_EQ(fromGdb.lines.size(), 3u);
    size_t routePoints = 0;
    for (const auto& l : fromGdb.lines) routePoints += l.size();
    EXPECT_GE(routePoints, 1202u);
    EXPECT_EQ(fromGdb.waypoints.size(), 1202u);
}

}  // namespace
}  // namespace trakor::test
