// SPDX-License-Identifier: GPL-3.0-or-later
// The generated Symbols.gdb: every waypoint symbol once, named after it, on a regular grid, read
// back by our record readers and by gpsbabel, and found where the programs look for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "app/startup.h"
#include "gdb/records.h"
#include "testsupport/gpx_oracle.h"
#include "core/gpx_names.h"

#ifndef TRAKOR_SYMBOL_TABLE
#error "the build defines TRAKOR_SYMBOL_TABLE for this test"
#endif

namespace trakor {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kColumns = 16;
constexpr int32_t kSpacing = 32768;  // semicircles, about 305 m

Bytes symbolTable() {
    Bytes bytes;
    EXPECT_TRUE(readWholeFile(TRAKOR_SYMBOL_TABLE, bytes)) << TRAKOR_SYMBOL_TABLE;
    return bytes;
}

int namedSymbols() {
    int n = 0;
    for (int code = 0; code < kWaypointSymbolSlots; ++code) n += !waypointSymbolName(code).empty();
    return n;
}

TEST(SymbolsFile, EveryCodeOnceOnItsGridPlace) {
    const Bytes image = symbolTable();
    MemoryStream in(image.data(), image.size());
    GdbHeader header;
    ASSERT_EQ(readFileHeader(in, header), 0);
    EXPECT_EQ(header.version, kGdbVersion3);
    EXPECT_EQ(header.creatorName, "Trakor3");

    std::map<int, GdbWaypoint> byCode;
    size_t pos = static_cast<size_t>(header.length);
    RecordView rec;
    bool sawEnd = false;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        if (rec.type == 'V') {
            sawEnd = true;
            break;
        }
        ASSERT_EQ(rec.type, 'W') << "at offset " << rec.offset;
        GdbWaypoint w;
        ASSERT_EQ(parseWaypoint(rec.data, static_cast<size_t>(rec.length), kGdbVersion3, w), kRecordOk);
        const int code = w.wptSymbol & 0xFFFF;
        EXPECT_TRUE(byCode.emplace(code, w).second) << "code " << code << " twice";
    }
    EXPECT_TRUE(sawEnd);
    EXPECT_EQ(pos, image.size());

    ASSERT_EQ(static_cast<int>(byCode.size()), namedSymbols());
    std::set<std::string> names;
    for (const auto& [code, w] : byCode) {
        EXPECT_EQ(w.wptName, waypointSymbolName(code));
        EXPECT_EQ(w.wptComment, std::to_string(code));
        EXPECT_EQ(w.wptMarker(), kMarkerNormal) << w.wptName;
        EXPECT_EQ(w.wptLat, -(code / kColumns) * kSpacing) << w.wptName;
        EXPECT_EQ(w.wptLon, (code % kColumns) * kSpacing) << w.wptName;
        names.insert(w.wptName);
    }
    EXPECT_EQ(names.size(), byCode.size()) << "waypoint names must be unique for MapSource";
    EXPECT_TRUE(byCode.contains(18) && byCode.at(18).wptName == "Waypoint");
    EXPECT_TRUE(byCode.contains(199) && byCode.at(199).wptName == "Number 3, Blue");
    EXPECT_TRUE(byCode.contains(248) && byCode.at(248).wptName == "Water Source");
}

TEST(SymbolsFile, GpsbabelReadsTheSameWaypoints) {
    if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    const Bytes image = symbolTable();
    ASSERT_GT(image.size(), static_cast<size_t>(kNewHeaderLength));
    test::TempDir dir;
    const std::string path = dir.file("symbols.gdb");
    const Bytes copy = test::withCreator(image, "MapSource");
    test::writeFile(path, std::string(copy.begin(), copy.end()));

    test::GpxData gpx;
    std::string error;
    ASSERT_TRUE(test::gpsbabelRead(path, gpx, &error)) << error;
    ASSERT_EQ(static_cast<int>(gpx.waypoints.size()), namedSymbols());
    for (const auto& p : gpx.waypoints) {
        const int code = waypointSymbolCode(p.name);
        ASSERT_GE(code, 0) << "unknown name " << p.name;
        // gpsbabel names the symbol of each code itself: it must be the waypoint's name.
        EXPECT_EQ(p.sym, p.name) << "code " << code;
        EXPECT_NEAR(test::gpxSemicircles(p.lat), -(code / kColumns) * kSpacing, 1) << p.name;
        EXPECT_NEAR(test::gpxSemicircles(p.lon), (code % kColumns) * kSpacing, 1) << p.name;
    }
}

// Each built program, run as a portable copy, opens the file from its data folder; an installed
// one looks in the folder the install rule fills.
TEST(SymbolsFile, LiesWhereTheProgramsLookForIt) {
    const Bytes image = symbolTable();
    std::stringstream programs(TRAKOR_PORTABLE_PROGRAMS);
    int checked = 0;
    for (std::string program; std::getline(programs, program, '|');) {
        Paths paths = decidePaths(program, {}, Environment{}, "/nonexistent-prefix");
        ASSERT_TRUE(paths.portable()) << program;
        Bytes copy;
        EXPECT_TRUE(readWholeFile(paths.dataFolder + "/Symbols.gdb", copy)) << program;
        EXPECT_EQ(copy, image) << program;
        ++checked;
    }
    EXPECT_GT(checked, 0) << "no built program to check";

    Paths installed = decidePaths("/opt/trakor/bin/Trakor3", {}, Environment{}, "/opt/trakor");
    EXPECT_EQ(installed.dataFolder, "/opt/trakor/" TRAKOR_INSTALL_DATADIR "/trakor3");
}

}  // namespace
}  // namespace trakor
