// SPDX-License-Identifier: GPL-3.0-or-later
// GPX output of every option on the real GDB files, through the driver with the engines of this
// build: schema-valid, read by gpsbabel as it reads our GDB output of the same conversion, read by
// our own readers with the same points, and with via and shaping points kept apart.
#include <algorithm>
#include <regex>
#include <cmath>

#include "app/tests/driver_fixture.h"
#include "export/gpx_writer.h"
#include "testsupport/gpx_check.h"
#include "gdb/records.h"
#include "import/reader.h"
#include "import/tests/reader_capture.h"
#include "platform/text_encoding.h"

namespace trakor::test {
namespace {


// The driver with every engine of this build; the settings of a portable start.
class GpxCorpusTest : public DriverTest {
protected:
    int convert(const std::vector<std::string>& inputs, const std::string& output, int option, int split, int parts) {
        ctx.settings = defaultSettings(true);
        ctx.settings.GpxTrackParts = parts;
        ctx.settings.GpxRoutes = gpxRoutes;
        ctx.settings.Split = split > 0 ? 1 : 0;
        req = ConversionRequest{};
        fileRequest(inputs.front(), output, option);
        req.multipleInput = inputs.size() > 1;
        if (req.multipleInput) req.inputList = inputs;
        req.splitField = static_cast<uint32_t>(split);
        return runConversion(ctx, defaultDriverCalls(), req);
    }

    int32_t gpxRoutes = 0;

    // gpsbabel reads only GDB files whose creator is MapSource: a copy of ours with that name.
    static std::string forGpsbabel(const std::string& gdb) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(readWholeFile(gdb, bytes));
        if (bytes.size() > kNewHeaderLength && std::memcmp(bytes.data() + kNewHeaderLength - 8, "Trakor3", 8) == 0)
            bytes = withCreator(bytes, "MapSource");
        writeFile(gdb + ".ms.gdb", std::string(bytes.begin(), bytes.end()));
        return gdb + ".ms.gdb";
    }
};

// A name with every character beyond ASCII as '?': GDB names in Windows-1252 are UTF-8 in our GPX,
// while gpsbabel gives them from a GDB file as it finds them or as U+FFFD.
std::string ascii(const std::string& name) {
    std::string out;
    for (unsigned char c : name)
        if (c < 0x80 || (c & 0xC0) != 0x80) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// The points gpsbabel reads from our GPX (a) and from our GDB (b).
void expectSamePoints(const std::vector<GpxPoint>& a, const std::vector<GpxPoint>& b, bool names) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i].lat, b[i].lat, 1e-6) << i;
        EXPECT_NEAR(a[i].lon, b[i].lon, 1e-6) << i;
        EXPECT_EQ(a[i].time, b[i].time) << i;
        EXPECT_NEAR(a[i].ele.value_or(-1e9), b[i].ele.value_or(-1e9), 1e-3) << i;
        EXPECT_TRUE(!names || ascii(a[i].name) == ascii(b[i].name)) << a[i].name << " / " << b[i].name;
    }
}

std::vector<GpxPoint> allPoints(const std::vector<GpxPath>& paths, std::vector<std::string>* names = nullptr) {
    std::vector<GpxPoint> all;
    for (const GpxPath& p : paths) {
        all.insert(all.end(), p.points.begin(), p.points.end());
        if (names) names->push_back(p.name);
    }
    return all;
}

// Every route record of a GDB file, parsed, with the file's version letter.
std::vector<GdbRoute> gdbRouteRecords(const std::string& path, char& version) {
    std::vector<uint8_t> b;
    EXPECT_TRUE(readWholeFile(path, b));
    std::vector<GdbRoute> routes;
    size_t pos = 0;
    RecordView rec;
    if (b.size() <= kVersionOffset || !firstDataRecord(b.data(), b.size(), pos)) return routes;
    version = static_cast<char>(b[kVersionOffset]);
    while (nextRecord(b.data(), b.size(), pos, rec) && rec.type != 'V') {
        if (rec.type != 'R') continue;
        routes.emplace_back();
        EXPECT_EQ(parseRoute(rec.data, static_cast<size_t>(rec.length), version, routes.back()), kRecordOk);
    }
    return routes;
}

// Via ('V') and shaping ('S') points of every route of a GDB file, by their markers.
std::vector<std::string> gdbPointKinds(const std::string& path) {
    char version = 0;
    std::vector<std::string> kinds;
    for (const GdbRoute& r : gdbRouteRecords(path, version)) {
        std::string k;
        for (const GdbRoutePoint& p : r.points) k += isInvisibleMarker(p.marker()) ? 'S' : 'V';
        kinds.push_back(k);
    }
    return kinds;
}

// Every route of a GDB file as text lines: its name, then per point its name, kind ('V' via,
// 'S' shaping) and link points. Names in UTF-8 (version 'm' has them so, older ones in Windows-1252).
std::vector<std::string> gdbRoutes(const std::string& path) {
    char version = 0;
    std::vector<std::string> lines;
    for (const GdbRoute& r : gdbRouteRecords(path, version)) {
        auto text = [&](const std::string& s) { return version == kGdbVersion3 ? s : windows1252ToUtf8(s); };
        lines.push_back("route " + text(r.rteName));
        for (const GdbRoutePoint& p : r.points) {
            std::string line = text(p.rptName) + (isInvisibleMarker(p.marker()) ? " S" : " V");
            for (const GdbLinkPoint& l : p.links) line += " " + std::to_string(l.lat) + "," + std::to_string(l.lon);
            lines.push_back(line);
        }
    }
    return lines;
}

// Tracks and routes (as tracks) as one of our readers finds them, in degrees.
// Semicircles of every point our reader finds.
std::vector<std::pair<int32_t, int32_t>> ourPoints(ReaderFn reader, const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readWholeFile(path, bytes));
    ReaderRun r;
    r.ctx.run.importQuestion = 1;
    r.read(reader, bytes);
    std::vector<std::pair<int32_t, int32_t>> all;
    for (const EmittedTrack& t : r.tracks)
        for (size_t i = 0; i < t.lat.size(); ++i) all.push_back({t.lat[i], t.lon[i]});
    return all;
}

TEST_F(GpxCorpusTest, EveryOptionReadsAsItsGdbResult) {
    const bool babel = haveProgram("gpsbabel");
    if (!babel) std::printf("gpsbabel not installed: its comparisons are left out\n");
    struct Case {
        const char* file;
        int option, split, parts;
    };
    std::vector<Case> cases;
    for (const char* file : {"gdb-sample.gdb", "gdb-sample-v3.gdb"})
        for (int option : {0, 1, 2, 3, 4, 11, 12, 13, 14, 15, 21, 22, 23, 24}) cases.push_back({file, option, 0, 1});
    cases.push_back({"gdb-sample-v3.gdb", 24, 5, 0});  // split tracks as the segments of one track
    cases.push_back({"gdb-sample-v3.gdb", 24, 5, 1});  // and as tracks of their own
    cases.push_back({"gdb-sample.gdb", 22, 20, 1});    // split routes

    for (const Case& c : cases) {
        TRAKOR_CORPUS_OR_SKIP(input, c.file);
        SCOPED_TRACE(std::string(c.file) + " option " + std::to_string(c.option) + " split " +
                     std::to_string(c.split) + " parts " + std::to_string(c.parts));
        const std::string gdb = dir.file("out.gdb"), gpx = dir.file("out.gpx");
        std::remove(gdb.c_str());
        std::remove(gpx.c_str());
        const int rcGdb = convert({input}, gdb, c.option, c.split, c.parts);
        const int rcGpx = convert({input}, gpx, c.option, c.split, c.parts);
        ASSERT_EQ(rcGpx, rcGdb);
        if (rcGdb != kDelivered) continue;
        const std::string text = readFile(gpx);
        expectSchemaValid(text);

        // Via points stay via points, shaping points shaping points.
        EXPECT_EQ(parseGpx(text).routeKinds, gdbPointKinds(gdb));

        // Our readers: the GPX reader on the GPX finds the points our GDB reader finds in the GDB.
        // (The segments of one track read as one, their shared boundary points merged.)
        const auto fromGpx = ourPoints(readGpx, gpx);
        auto fromGdb = ourPoints(readGdbForImport, gdb);
        if (c.parts == 0) fromGdb.erase(std::unique(fromGdb.begin(), fromGdb.end()), fromGdb.end());
        // ... to the semicircle.
        ASSERT_EQ(fromGpx, fromGdb);

        if (!babel) continue;
        GpxData a, b;
        std::string error;
        if (!gpsbabelRead(forGpsbabel(gdb), a, &error)) {
            std::printf("gpsbabel cannot read the GDB result (%s): compared with our readers only\n", error.c_str());
            continue;
        }
        ASSERT_TRUE(gpsbabelRead(gpx, b, &error, "gpx")) << error;
        expectSamePoints(b.waypoints, a.waypoints, true);
        std::vector<std::string> routesA, routesB, tracksA, tracksB;
        expectSamePoints(allPoints(b.routes, &routesB), allPoints(a.routes, &routesA), true);
        EXPECT_EQ(routesB, routesA);
        expectSamePoints(allPoints(b.tracks, &tracksB), allPoints(a.tracks, &tracksA), false);
        if (c.parts == 1)
            EXPECT_EQ(tracksB, tracksA);
        else
            EXPECT_LT(tracksB.size(), tracksA.size());  // the corpus has tracks long enough to split
    }
}

// The texts of MapSource's waypoints (the turn instructions of a calculated route among them)
// are kept: every comment gpsbabel finds in the GDB file stands in the GPX file.
TEST_F(GpxCorpusTest, WaypointTextsAreKept) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    TRAKOR_CORPUS_OR_SKIP(input, "gdb-sample-v3.gdb");
    const std::string gdb = dir.file("out.gdb"), gpx = dir.file("out.gpx");
    ASSERT_EQ(convert({input}, gdb, 1, 0, 1), kDelivered);
    ASSERT_EQ(convert({input}, gpx, 1, 0, 1), kDelivered);
    std::string theirs;
    ASSERT_EQ(runCommand("gpsbabel -i gdb -f " + quote(forGpsbabel(gdb)) + " -o gpx -F - 2>/dev/null", &theirs), 0);
    const std::string ours = readFile(gpx);
    const std::regex cmt("<cmt>([^<]*)</cmt>");
    int texts = 0, kept = 0;
    for (auto it = std::sregex_iterator(theirs.begin(), theirs.end(), cmt); it != std::sregex_iterator(); ++it) {
        const std::string text = (*it)[1];
        if (text.starts_with("[")) continue;  // gpsbabel's own duration notes
        ++texts;
        if (ours.find(">" + text + "</") != std::string::npos) ++kept;
        else ADD_FAILURE() << text;
    }
    EXPECT_GT(texts, 100);
    std::printf("%d of %d waypoint texts kept\n", kept, texts);
}

// A batch run writes one GPX file for all its inputs.
TEST_F(GpxCorpusTest, BatchRunWritesOneGpxFile) {
    TRAKOR_CORPUS_OR_SKIP(kml, "segmented_tracks.kml");
    TRAKOR_CORPUS_OR_SKIP(fit, "garmin-edge-800.fit");
    const std::string gpx = dir.file("batch.gpx");
    ASSERT_EQ(convert({kml, fit}, gpx, 0, 0, 0), kDelivered);
    expectSchemaValid(readFile(gpx));
    // Each line string of the KML file's multi-geometries is a track of its own.
    EXPECT_EQ(parseGpx(readFile(gpx)).trackNames,
              (std::vector<std::string>{"Path-1", "Path-2", "Path-3", "Path-4", "Path-5", "Path-6", "Path-7", "Path-8",
                                        "Path-9", "Path-10", "A-garmin-edge-800-11"}));
}

// With GPX Routes on, GPX routes come back as GDB routes: every route of the real GDB files,
// written as GPX and converted back, has its name, its points' names and kinds and their link
// points as before, without the question about routes; gpsbabel reads the same routes (and the
// same visible points, via=1) from both files.
TEST_F(GpxCorpusTest, GpxRoutesComeBackAsRoutes) {
    const bool babel = haveProgram("gpsbabel");
    if (!babel) std::printf("gpsbabel not installed: its comparisons are left out\n");
    for (const char* file : {"gdb-sample.gdb", "gdb-sample-v3.gdb"}) {
        TRAKOR_CORPUS_OR_SKIP(input, file);
        SCOPED_TRACE(file);
        const std::string gpx = dir.file("routes.gpx"), gdb = dir.file("routes.gdb");
        std::remove(gdb.c_str());
        ASSERT_EQ(writeGpxFile(input, gpx), kGpxWritten);
        gpxRoutes = 1;
        notes.entries.clear();
        ASSERT_EQ(convert({gpx}, gdb, 0, 0, 0), kDelivered);
        const std::vector<std::string> keys = notes.keys();
        EXPECT_EQ(std::count(keys.begin(), keys.end(), "$MSG59"), 0);
        const std::vector<std::string> before = gdbRoutes(input);
        EXPECT_GT(before.size(), 100u);
        const std::vector<std::string> after = gdbRoutes(gdb);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]);

        if (!babel) continue;
        for (const char* format : {"gdb", "gdb,via=1"}) {
            GpxData a, b;
            std::string error;
            ASSERT_TRUE(gpsbabelRead(input, a, &error, format)) << error;
            ASSERT_TRUE(gpsbabelRead(forGpsbabel(gdb), b, &error, format)) << error;
            ASSERT_EQ(b.routes.size(), a.routes.size()) << format;
            std::vector<std::string> namesA, namesB;
            const std::vector<GpxPoint> pa = allPoints(a.routes, &namesA), pb = allPoints(b.routes, &namesB);
            EXPECT_EQ(namesB, namesA);
            ASSERT_EQ(pb.size(), pa.size()) << format;
            for (size_t i = 0; i < pa.size(); ++i) {
                EXPECT_NEAR(pb[i].lat, pa[i].lat, 1e-7) << i;
                EXPECT_NEAR(pb[i].lon, pa[i].lon, 1e-7) << i;
                EXPECT_EQ(pb[i].name, pa[i].name) << i;
            }
        }
    }
}

}  // namespace
}  // namespace trakor::test
