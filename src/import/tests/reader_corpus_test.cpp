// SPDX-License-Identifier: GPL-3.0-or-later
// Our readers against gpsbabel's reading of the same real files.
#include <regex>

#include "import/tests/gpsbabel_oracle.h"

namespace trakor::test {
namespace {

class ReaderCorpusTest : public ImportFixture {
protected:
    // Reads the file with our reader; false when it cannot be read.
    bool readCorpus(ReaderFn reader, const std::string& path) {
        std::vector<uint8_t> bytes;
        if (!readWholeFile(path, bytes)) return false;
        reader(ctx, job, bytes.data(), bytes.size());
        return true;
    }
    std::vector<OraclePoint> ourWaypoints() const {
        std::vector<OraclePoint> w;
        for (const auto& p : waypoints) w.push_back({semicirclesToDegrees(p.at.lat), semicirclesToDegrees(p.at.lon)});
        return w;
    }
};

#define NEED_GPSBABEL() \
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed"

TEST_F(ReaderCorpusTest, GpxFilesMatchGpsbabel) {
    NEED_GPSBABEL();
    for (const char* name : {"gdb-sample.gpx", "basecamp.gpx"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        SCOPED_TRACE(name);
        tracks.clear();
        waypoints.clear();
        ctx.resetRun();
        notifier.answers = {Answer::Ok};  // routes read as tracks
        ASSERT_TRUE(readCorpus(readGpx, path));
        OracleResult babel = gpsbabelLines("gpx", "-w -r -t", path);
        ASSERT_TRUE(babel.ran);
        ASSERT_FALSE(babel.lines.empty());
        // Tracks of a single point are reported, not written.
        size_t shortOnes = std::erase_if(babel.lines, [](const auto& l) { return l.size() < 2; });
        EXPECT_EQ(ctx.run.trackFailures, static_cast<int32_t>(shortOnes));
        EXPECT_EQ(tracks.size(), babel.lines.size());
        expectSamePoints(flatten(tracks), flatten(babel.lines));
        expectSamePoints(ourWaypoints(), babel.waypoints);
    }
}

TEST_F(ReaderCorpusTest, GpxColoursAndSymbolsOfBaseCamp) {
    TRAKOR_CORPUS_OR_SKIP(path, "basecamp.gpx");
    notifier.answers = {Answer::Ok};
    ASSERT_TRUE(readCorpus(readGpx, path));
    ASSERT_EQ(waypoints.size(), 2u);
    EXPECT_EQ(waypoints[0].name, "Hwy 119-1");
    EXPECT_EQ(waypoints[0].symbol, 141);  // "Flag, Blue"
    ASSERT_EQ(tracks.size(), 2u);
    for (const auto& t : tracks) EXPECT_GE(t.color, 1) << t.name;
}

TEST_F(ReaderCorpusTest, TcxFilesMatchGpsbabel) {
    NEED_GPSBABEL();
    for (const char* name : {"course.tcx", "history.tcx"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        SCOPED_TRACE(name);
        tracks.clear();
        ctx.resetRun();
        ASSERT_TRUE(readCorpus(readTcx, path));
        OracleResult babel = gpsbabelLines("gtrnctr", "-t", path);
        ASSERT_TRUE(babel.ran);
        ASSERT_EQ(tracks.size(), 1u);
        expectSamePoints(flatten(tracks), flatten(babel.lines));
    }
}

TEST_F(ReaderCorpusTest, TcxTimesMatchGpsbabel) {
    NEED_GPSBABEL();
    TRAKOR_CORPUS_OR_SKIP(path, "history.tcx");
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    ASSERT_TRUE(readCorpus(readTcx, path));
    ASSERT_EQ(tracks.size(), 1u);
    std::string csv;
    ASSERT_EQ(runCommand("gpsbabel -t -i gtrnctr -f '" + path + "' -o unicsv,utc=0 -F - 2>/dev/null", &csv), 0);
    // "No,Latitude,Longitude,Altitude,Heartrate,Date,Time": the first point's UTC date and time.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(csv, m, std::regex(R"(\n1,[^\n]*,(\d{4})/(\d\d)/(\d\d),(\d\d):(\d\d):(\d\d))")));
    std::tm utc{};
    utc.tm_year = std::stoi(m[1]) - 1900, utc.tm_mon = std::stoi(m[2]) - 1, utc.tm_mday = std::stoi(m[3]);
    utc.tm_hour = std::stoi(m[4]), utc.tm_min = std::stoi(m[5]), utc.tm_sec = std::stoi(m[6]);
    EXPECT_EQ(tracks[0].points[0].time, static_cast<int32_t>(timegm(&utc)));
    // The lap is named after its start in local time (summer time, two hours ahead).
    EXPECT_EQ(tracks[0].name, "Lap 21-8-2008 15:08:52-1");
}

TEST_F(ReaderCorpusTest, KmlFilesMatchGpsbabel) {
    NEED_GPSBABEL();
    for (const char* name : {"segmented_tracks.kml", "kml-points.kml"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        SCOPED_TRACE(name);
        tracks.clear();
        waypoints.clear();
        ctx.resetRun();
        ASSERT_TRUE(readCorpus(readKml, path));
        OracleResult babel = gpsbabelLines("kml", "-w -t", path);
        ASSERT_TRUE(babel.ran);
        expectSamePoints(flatten(tracks), flatten(babel.lines));
        expectSamePoints(ourWaypoints(), babel.waypoints);
    }
}

}  // namespace
}  // namespace trakor::test
