// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "gdb/records.h"
#include "testsupport/gdb_image.h"
#include "testsupport/gpx_oracle.h"
#include "import/batch_log.h"
#include "import/batch_run.h"
#include "platform/whole_file.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

// Everything written to a log through a temporary file.
template <typename F>
std::string logged(F write) {
    FILE* f = std::tmpfile();
    write(f);
    std::rewind(f);
    std::string text;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

TEST(BatchLog, LinesInTheLogFormat) {
    const std::string text = logged([](FILE* f) {
        writeLogHeader(f);
        writeLogFileEntry(f, "/home/ann/rides/monday.fit", kLogNoTracks);
        writeLogFileEntry(f, "short.itn", kLogInvalidFile);
        writeLogFileEntry(f, "/tmp/notes.txt", kLogInvalidFile);
        writeLogFileEntry(f, "/tmp/empty.gpx", kLogNoTracks);
    });
    EXPECT_EQ(text,
              "\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n"
              "\"/home/ann/rides/\",\"monday.fit\",,,\"No tracks found\"\n"
              "\"\",\"short.itn\",,,\"Invalid file name\"\n"
              "\"/tmp/\",\"notes.txt\",,,\"Invalid file name\"\n"
              "\"/tmp/\",\"empty.gpx\",,,\"No tracks found\"\n");
    // Without a log (single-file mode) nothing is written and nothing fails.
    writeLogFileEntry(nullptr, "/tmp/a.fit", kLogNoTracks);
}

// --- The batch loop over real files -----------------------------------------------------------

std::string nmeaFix(int second, double minutes) {
    char line[120];
    const int n = std::snprintf(line, sizeof line, "$GPRMC,1000%02d,A,52%07.4f,N,00507.8910,E,0.1,0.0,010609,,", second,
                                minutes);
    unsigned sum = 0;
    for (int i = 1; i < n; ++i) sum ^= static_cast<uint8_t>(line[i]);
    std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "*%02X\r\n", sum);
    return line;
}

// Records of a GDB image after its header, as (type, name) pairs.
std::vector<std::pair<char, std::string>> recordsOf(const std::vector<uint8_t>& image) {
    std::vector<std::pair<char, std::string>> out;
    size_t pos = kNewHeaderLength;
    RecordView rec;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        std::string name;
        if (rec.type == 'T') {
            GdbTrack t;
            parseTrack(rec.data, rec.length, 'm', t);
            name = t.trkName + "/" + std::to_string(t.points.size());
        } else if (rec.type == 'W') {
            GdbWaypoint w;
            parseWaypoint(rec.data, rec.length, 'm', w);
            name = w.wptName;
        } else if (rec.type == 'R') {
            GdbRoute r;
            parseRoute(rec.data, rec.length, 'm', r);
            name = r.rteName + "/" + std::to_string(r.points.size());
        }
        out.emplace_back(rec.type, name);
    }
    return out;
}

struct BatchRun {
    test::TempDir dir;
    Context ctx;
    MemoryStream output;
    std::vector<std::pair<int, int>> progress;

    BatchRun() {
        ctx.settings.RemovalDistance = 0;
        ctx.settings.Mode = 0;
        ctx.paths.workingFolder = dir.path().string();
        ctx.paths.downGdb = dir.file("down.gdb");
        ctx.progress = [this](int done, int total) { progress.emplace_back(done, total); };
    }
    std::string file(const std::string& name, const std::string& bytes) {
        test::writeFile(dir.file(name), bytes);
        return dir.file(name);
    }
    // Runs the batch and returns the log text.
    std::string run(const std::vector<std::string>& inputs, int* result = nullptr) {
        return logged([&](FILE* f) {
            const int rc = convertBatch(ctx, f, output, inputs);
            if (result) *result = rc;
        });
    }
    std::string line(const std::string& path, const std::string& rest) {
        return "\"" + logPathField(path) + "\",\"" + logFileField(path) + "\"," + rest + "\n";
    }
};

TEST(BatchRun, EveryFileIsLoggedAndFailuresDoNotStopTheRun) {
    BatchRun b;
    const std::string drive = b.file("drive.nmea", nmeaFix(0, 10.0) + nmeaFix(1, 10.1) + nmeaFix(2, 10.2));
    const std::string notes = b.file("notes.txt", "hello");
    const std::string missing = b.dir.file("missing.fit");
    const std::string notFit = b.file("plain.fit", std::string(40, 'x'));
    const std::string notGdb = b.file("plain.gdb", "not a GDB file at all");
    const std::string lonely = b.file("lonely.NMEA", nmeaFix(0, 10.0));
    int rc = -1;
    const std::string log = b.run({drive, notes, missing, notFit, notGdb, lonely}, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(log, "\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n" +
                       b.line(drive, "\"Track:\",\"drive-1\",\"OK\"") +
                       b.line(notes, ",,\"Invalid file name\"") + b.line(missing, ",,\"Cannot read the file: No such file or directory\"") +
                       b.line(notFit, ",,\"No tracks found\"") + b.line(notGdb, ",,\"Invalid file name\"") +
                       b.line(lonely, "\"Track:\",\"lonely-2\",\"Invalid track (skipped)\""));
    // One header, the one track, the end record.
    const auto records = recordsOf(b.output.bytes());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (std::pair<char, std::string>{'T', "drive-1/3"}));
    EXPECT_EQ(records[1].first, 'V');
    EXPECT_EQ(b.progress.size(), 7u);
    EXPECT_EQ(b.progress.back(), (std::pair<int, int>{6, 6}));
}

// Quotes inside a file or track name are doubled, as CSV quotes them.
TEST(BatchRun, QuotesInNamesAreDoubled) {
    BatchRun b;
    const std::string say = b.file("Say \"hi\", ok.nmea", nmeaFix(0, 10.0) + nmeaFix(1, 10.1));
    EXPECT_EQ(b.run({say}), "\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n\"" + b.dir.path().string() +
                                "/\",\"Say \"\"hi\"\", ok.nmea\",\"Track:\",\"Say \"\"hi\"\", ok-1\",\"OK\"\n");
}

TEST(BatchRun, NumberingRunsOnAcrossFilesAndLaterGdbVersionsAreDownConverted) {
    BatchRun b;
    test::GdbImage later(0x8A);
    GdbTrack t;
    t.trkName = "Old";
    for (int i = 0; i < 3; ++i) {
        GdbTrackPoint p;
        p.tptLat = 1000 * i;
        p.tptLon = 2000 * i;
        t.points.push_back(p);
    }
    later.track(t).end();
    const std::string gdb = b.file("later.gdb", std::string(later.bytes().begin(), later.bytes().end()));
    const std::string itn = b.file("trip.itn", "512345|5212345|Home|4|\r\n600000|5300000|Work|2|\r\n");
    b.run({gdb, itn});
    const auto records = recordsOf(b.output.bytes());
    ASSERT_GE(records.size(), 3u);
    // ITN points become waypoints under option 0, written before the track.
    std::vector<std::pair<char, std::string>> expected = {
        {'T', "Old-1/3"}, {'W', "Home"}, {'W', "Work"}, {'T', "trip-2/2"}, {'V', ""}};
    EXPECT_EQ(records, expected);
}

TEST(BatchRun, ItnNamesNameTheViaPointsOfRoutes) {
    BatchRun b;
    b.ctx.settings.Mode = 22;
    const std::string itn = b.file("trip.itn", "512345|5212345|Home|4|\r\n-75000|4500000|Stop A|0|\r\n"
                                               "600000|5300000|Work|2|\r\n");
    const std::string kmz = b.file("broken.kmz", "not an archive");
    const std::string log = b.run({itn, kmz});
    EXPECT_NE(log.find(b.line(itn, "\"Route:\",\"trip-1\",\"OK\"")), std::string::npos) << log;
    EXPECT_NE(log.find(b.line(kmz, ",,\"Invalid file name\"")), std::string::npos) << log;
    const std::vector<uint8_t>& image = b.output.bytes();
    size_t pos = kNewHeaderLength;
    RecordView rec;
    std::vector<std::string> waypointNames;
    GdbRoute route;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        if (rec.type == 'W') {
            GdbWaypoint w;
            parseWaypoint(rec.data, rec.length, 'm', w);
            waypointNames.push_back(w.wptName);
        } else if (rec.type == 'R') {
            ASSERT_EQ(parseRoute(rec.data, rec.length, 'm', route), kRecordOk);
        }
    }
    const std::vector<std::string> names = {"Home", "Stop A", "Work"};
    EXPECT_EQ(waypointNames, names);
    EXPECT_EQ(route.rteName, "trip-1");
    ASSERT_EQ(route.points.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(route.points[i].rptName, names[i]);
        EXPECT_EQ(route.points[i].marker(), kMarkerVia);
    }
    EXPECT_TRUE(b.ctx.run.namePool.empty());
}

TEST(BatchRun, GpsbabelReadsTheBatchOutput) {
    const std::string fit = test::corpusFile("garmin-edge-800.fit");
    const std::string nmea = test::corpusFile("nmeadate.nmea");
    if (fit.empty() || nmea.empty()) GTEST_SKIP() << "shared corpus not present";
    if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    BatchRun b;
    const std::string log = b.run({fit, nmea});
    EXPECT_NE(log.find("\"Track:\",\"A-garmin-edge-800-1\",\"OK\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"Track:\",\"nmeadate-2\",\"OK\""), std::string::npos) << log;
    // gpsbabel takes GDB files from MapSource only: hand it a copy with that creator name.
    std::string bytes(b.output.bytes().begin(), b.output.bytes().end());
    bytes.replace(kNewHeaderLength - 8, 8, std::string("MapSource\0", 10));
    test::writeFile(b.dir.file("out.gdb"), bytes);
    test::GpxData data;
    std::string error;
    ASSERT_TRUE(test::gpsbabelRead(b.dir.file("out.gdb"), data, &error)) << error;
    const auto records = recordsOf(b.output.bytes());
    std::vector<std::string> ours, theirs;
    for (const auto& [type, name] : records)
        if (type == 'T') ours.push_back(name);
    for (const auto& t : data.tracks) theirs.push_back(t.name + "/" + std::to_string(t.points.size()));
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(ours.size(), 2u);
}

TEST(BatchRun, WaypointOnlyFileLogsNoTracksButKeepsItsWaypoints) {
    BatchRun b;
    const std::string gpx = b.file("marks.GPX", "<?xml version=\"1.0\"?>\n<gpx>\n<wpt lat=\"52.5\" lon=\"5.25\">"
                                                 "<name>Mark</name></wpt>\n</gpx>\n");
    const std::string log = b.run({gpx});
    EXPECT_EQ(log, "\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n" + b.line(gpx, ",,\"No tracks found\""));
    const auto records = recordsOf(b.output.bytes());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (std::pair<char, std::string>{'W', "Mark-1"}));
    EXPECT_EQ(records[1].first, 'V');
}

// What another program does to "changing.nmea" while a batch reads it, once: zeros written over
// its middle (same size), or another file renamed over its name.
std::string changingPath;
bool renameOver = false;
void changeWhileRead(const std::string& path) {
    if (path != changingPath) return;
    changingPath.clear();
    if (renameOver) {
        test::writeFile(path + ".new", nmeaFix(0, 11.0) + nmeaFix(1, 11.1));
        std::rename((path + ".new").c_str(), path.c_str());
        return;
    }
    FILE* f = std::fopen(path.c_str(), "r+b");
    std::fseek(f, 20, SEEK_SET);
    std::fwrite(std::string(30, '\0').data(), 1, 30, f);
    std::fclose(f);
}

TEST(BatchRun, FileChangedWhileReadIsLoggedAndCountedAsFailed) {
    for (const bool rename : {false, true}) {
        SCOPED_TRACE(rename ? "renamed over" : "rewritten in place");
        BatchRun b;
        const std::string fix3 = nmeaFix(0, 10.0) + nmeaFix(1, 10.1) + nmeaFix(2, 10.2);
        const std::string changing = b.file("changing.nmea", fix3);
        const std::string kept = b.file("kept.nmea", fix3);
        // Written long ago, so that a write now gives it another modification time.
        std::filesystem::last_write_time(changing, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        changingPath = changing;
        renameOver = rename;
        setReadWholeFileHook(changeWhileRead);
        const std::string log = b.run({changing, kept});
        setReadWholeFileHook(nullptr);
        EXPECT_EQ(log, "\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n" +
                           b.line(changing, std::string(",,\"") + kLogChangedWhileRead + "\"") +
                           b.line(kept, "\"Track:\",\"kept-1\",\"OK\""));
        EXPECT_EQ(b.ctx.run.cutInputs, 1);
        const auto records = recordsOf(b.output.bytes());
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0], (std::pair<char, std::string>{'T', "kept-1/3"}));
    }
}

}  // namespace
}  // namespace trakor
