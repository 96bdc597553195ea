// SPDX-License-Identifier: GPL-3.0-or-later
// gpsbabel reads the GDB files the import path writes, and finds in them the points it finds in
// the input itself.
#include <algorithm>
#include <regex>

#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/result_check.h"
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
    OracleResult fromGdb = gpsbabelLines("gdb", "-w -t", gdb);
    OracleResult fromGpx = gpsbabelLines("gpx", "-w -r -t", path);
    ASSERT_TRUE(fromGdb.ran);
    ASSERT_TRUE(fromGpx.ran);
    std::erase_if(fromGpx.lines, [](const auto& l) { return l.size() < 2; });
    EXPECT_EQ(fromGdb.lines.size(), fromGpx.lines.size());  // the route became a track
    EXPECT_EQ(fromGdb.waypoints.size(), fromGpx.waypoints.size());
    // Every point comes back where the GPX file put it, to the semicircle.
    expectSamePoints(flatten(fromGdb.lines), flatten(fromGpx.lines), 1e-7);
    expectSamePoints(fromGdb.waypoints, fromGpx.waypoints, 1e-7);
}

TEST_F(ImportInteropTest, WholeDegreesComeBackWholeAndPointsOffTheEarthAreLeftOutAndTold) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    job.baseName = "in";
    writeFile(dir.file("in.gpx"),
              " <gpx><wpt lat=\"50.0\" lon=\"10.0\"><name>W</name></wpt><wpt lat=\"95\" lon=\"1\"></wpt><trk>"
              "<trkpt lat=\"50.0\" lon=\"10.0\"/><trkpt lat=\"nan\" lon=\"1\"/><trkpt lat=\"1\" lon=\"1e9\"/>"
              "<trkpt lat=\"abc\" lon=\"1\"/><trkpt lat=\"0x10\" lon=\"1\"/><trkpt lat=\"-90\" lon=\"-180\"/>"
              "</trk></gpx>");
    OracleResult back = gpsbabelLines("gdb", "-w -t", importAndSave(InputType::Gpx, dir.file("in.gpx")));
    ASSERT_TRUE(back.ran);
    ASSERT_EQ(back.lines.size(), 1u);
    expectSamePoints(back.lines[0], {{50.0, 10.0}, {-90.0, -180.0}}, 1e-7);
    expectSamePoints(back.waypoints, {{50.0, 10.0}}, 1e-7);
    std::vector<std::string> texts;
    for (const auto& e : notifier.entries) texts.push_back(e.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"4 points with impossible coordinates were left out of Track-1",
                                               "1 waypoint with impossible coordinates was left out of in"}));
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
    OracleResult fromGdb = gpsbabelLines("gdb", "-w -r -t", gdb);
    ASSERT_TRUE(fromGdb.ran);
    // 1202 points cut into 1202 / 500 + 1 = 3 routes, each route point a waypoint of its own.
    ASSERT_EQ(fromGdb.lines.size(), 3u);
    size_t routePoints = 0;
    for (const auto& l : fromGdb.lines) routePoints += l.size();
    EXPECT_GE(routePoints, 1202u);
    EXPECT_EQ(fromGdb.waypoints.size(), 1202u);
}

// The <wpt> blocks of gpsbabel's GPX in file order, each without its name and with the texts that
// repeat the name (gpsbabel fills an empty comment with it) marked as such; lines with bytes of
// another code page are left out (versions 1 and 2 keep Windows texts, which the copy carries
// over unchanged).
// With `numbered` the names carry the "-N" of the copies, and the name before it counts as well.
std::vector<std::string> waypointBlocks(const std::string& gpx, bool numbered) {
    std::vector<std::string> blocks;
    static const std::regex wpt(R"re(<wpt [^>]*>[\s\S]*?</wpt>)re");
    static const std::regex name(R"re(<name>([^<]*)</name>)re");
    for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), wpt); it != std::sregex_iterator(); ++it) {
        const std::string block = it->str();
        std::smatch m;
        const std::string n = std::regex_search(block, m, name) ? m[1].str() : std::string();
        std::string kept;
        size_t from = 0;
        while (from < block.size()) {
            size_t to = block.find('\n', from);
            if (to == std::string::npos) to = block.size();
            std::string line = block.substr(from, to - from);
            from = to + 1;
            if (line.find("<name>") != std::string::npos) continue;
            if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
                continue;
            for (const std::string& form : {n, numbered ? n.substr(0, n.rfind('-')) : n}) {
                const size_t at = form.empty() ? std::string::npos : line.find(">" + form + "<");
                if (at != std::string::npos) line.replace(at + 1, form.size(), "(name)");
            }
            kept += line + "\n";
        }
        blocks.push_back(kept);
    }
    return blocks;
}

// Version 1 and 2 files through option 0: every record of the result has the layout of version
// 3, so gpsbabel reads all of it and finds the input's user waypoints, with their texts and
// times, and its tracks.
TEST_F(ImportInteropTest, OlderGdbVersionsGiveWholeVersion3Files) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    TRAKOR_CORPUS_OR_SKIP(version2, "gdb-sample.gdb");
    const std::string version1 = dir.file("v1.gdb");
    ASSERT_EQ(runCommand("gpsbabel -i gdb -f '" + version2 + "' -o gdb,ver=1 -F '" + version1 + "'"), 0);
    for (const std::string& input : {version2, version1}) {
        SCOPED_TRACE(input);
        ctx.resetRun();
        out = MemoryStream();
        ctx.settings.Mode = 0;
        job.option = 0;
        notifier.answers = {Answer::Ok};
        const std::string gdb = importAndSave(InputType::Gdb, input);
        const ResultCheck check = checkGdbFile(gdb);
        EXPECT_TRUE(check.ok) << "record " << check.record << ": " << check.reason;

        std::string before, after;
        ASSERT_EQ(runCommand("gpsbabel -w -i gdb -f '" + input + "' -o gpx -F - 2>&1", &before), 0);
        ASSERT_EQ(runCommand("gpsbabel -w -i gdb -f '" + gdb + "' -o gpx -F - 2>&1", &after), 0) << after;
        // The copied waypoints are the input's user waypoints (class 0), in file order.
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(readWholeFile(input, bytes));
        std::vector<size_t> users;
        MemoryStream view(bytes.data(), bytes.size());
        GdbHeader header;
        ASSERT_EQ(readFileHeader(view, header), 0);
        size_t pos = static_cast<size_t>(header.length), index = 0;
        RecordView rec;
        while (nextRecord(bytes.data(), bytes.size(), pos, rec)) {
            ClassBlockPos block;
            if (rec.type != 'W' || !locateClassBlock(rec.data, static_cast<size_t>(rec.length), block)) continue;
            if (rec.data[block.classByte] == 0) users.push_back(index);
            ++index;
        }
        const auto was = waypointBlocks(before, false);
        const auto now = waypointBlocks(after, true);
        ASSERT_GT(users.size(), 0u);
        ASSERT_EQ(was.size(), index);
        ASSERT_EQ(now.size(), users.size());
        for (size_t k = 0; k < users.size(); ++k) EXPECT_EQ(now[k], was[users[k]]) << k;

        OracleResult tracksIn = gpsbabelLines("gdb", "-t", input);
        OracleResult tracksOut = gpsbabelLines("gdb", "-t", gdb);
        ASSERT_TRUE(tracksOut.ran);
        std::erase_if(tracksIn.lines, [](const auto& l) { return l.size() < 2; });
        // The file's route comes first, in the result as a track of its link points.
        ASSERT_EQ(tracksOut.lines.size(), tracksIn.lines.size());
        tracksIn.lines.erase(tracksIn.lines.begin());
        tracksOut.lines.erase(tracksOut.lines.begin());
        expectSamePoints(flatten(tracksOut.lines), flatten(tracksIn.lines));
    }
}

}  // namespace
}  // namespace trakor::test
