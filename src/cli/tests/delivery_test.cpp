// SPDX-License-Identifier: GPL-3.0-or-later
// What reaches the user and the files on every path of a command-line run: notes about cut and
// skipped tracks, the OK/Cancel question, exit statuses of file failures, backups and temporaries,
// runs side by side and inputs too large to read.
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "cli/tests/cli_fixture.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "import/import_file.h"
#include "platform/instance_lock.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

// A GPX file of `tracks` tracks named T0, T1, ... of n points each on a zigzag line, each track
// and each file (by `seed`) at a place of its own.
std::string gpxTracks(int tracks, int n, int seed = 0) {
    std::ostringstream s;
    s << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\">\n";
    char pt[96];
    for (int t = 0; t < tracks; ++t) {
        s << "<trk><name>T" << t << "</name><trkseg>\n";
        for (int i = 0; i < n; ++i) {
            std::snprintf(pt, sizeof pt, "<trkpt lat=\"%.6f\" lon=\"%.6f\"></trkpt>\n", 40.0 + seed * 0.5 + i * 1e-4,
                          5.0 + t * 0.01 + (i % 2) * 2e-5);
            s << pt;
        }
        s << "</trkseg></trk>\n";
    }
    return s.str() + "</gpx>\n";
}

struct Record {
    char type;
    std::string name;
    size_t points;
    int32_t firstLat;
};

// The routes and tracks of a GDB file we wrote (version 'm').
std::vector<Record> recordsOf(const std::string& path) {
    const std::string image = readFile(path);
    const auto* bytes = reinterpret_cast<const uint8_t*>(image.data());
    std::vector<Record> found;
    MemoryStream in(bytes, image.size());
    GdbHeader header;
    if (readFileHeader(in, header) != 0) return found;
    size_t pos = static_cast<size_t>(header.length);
    RecordView rec;
    while (nextRecord(bytes, image.size(), pos, rec)) {
        const size_t len = static_cast<size_t>(rec.length);
        if (rec.type == 'T') {
            GdbTrack t;
            if (parseTrack(rec.data, len, 'm', t) == kRecordOk)
                found.push_back({'T', t.trkName, t.points.size(), t.points.empty() ? 0 : t.points[0].tptLat});
        } else if (rec.type == 'R') {
            GdbRoute r;
            if (parseRoute(rec.data, len, 'm', r) == kRecordOk) found.push_back({'R', r.rteName, r.points.size(), 0});
        }
    }
    return found;
}

size_t lineCount(const std::string& s, const std::string& part) {
    size_t n = 0;
    for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) ++n;
    return n;
}

TEST_F(CliTest, LongAndSkippedTracksAreToldOnEveryImportPath) {
    makeFile("big.gpx", gpxTracks(1, 100500));
    makeFile("full.gpx", gpxTracks(1, 100000));
    makeFile("two.gpx", gpxTracks(2, 60000, 1));

    // Single input: the points beyond the 100000 a track holds go on in a next track.
    EXPECT_EQ(cli("big.gpx --option 0 -o big.gdb"), 0) << err;
    EXPECT_EQ(err, "Info: 1 track of more than 100000 points goes on in T0-1 (2)\n");
    EXPECT_EQ(out, "Trakor3 ($MSG20): File conversion completed!\n");
    auto records = recordsOf(dir.file("big.gdb"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].points, 100000u);
    EXPECT_EQ(records[1].name, "T0-1 (2)");
    EXPECT_EQ(records[1].points, 500u);

    // Options 21-23: the track beyond the 99999 point numbers is skipped with its name.
    for (int option : {21, 23}) {
        EXPECT_EQ(cli("two.gpx --no-split --no-filter --option " + std::to_string(option) + " -o two.gdb"), 0) << err;
        EXPECT_EQ(err, "Info: 1 track left out: T1-2 (point numbers beyond 99999)\n") << option;
        records = recordsOf(dir.file("two.gdb"));
        ASSERT_EQ(records.size(), 1u) << option;
        EXPECT_EQ(records[0].points, 60000u);
    }
    // Nothing converted at all is no success.
    EXPECT_EQ(cli("full.gpx --no-split --no-filter --option 22 -o none.gdb"), 2);
    EXPECT_NE(out.find("($MSG18)"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(dir.file("none.gdb")));

    // Batch runs: the log's status column.
    EXPECT_EQ(cli("big.gpx two.gpx --option 0 -o all.gdb"), 0) << err;
    std::string log = readFile(binFile("Trakor3.log"));
    EXPECT_EQ(lineCount(log, "\"big.gpx\",\"Track:\",\"T0-1 (2)\",\"OK\"\n"), 1u) << log;
    EXPECT_EQ(lineCount(log, "\"two.gpx\",\"Track:\",\"T0-2\",\"OK\"\n"), 1u) << log;
    EXPECT_EQ(lineCount(log, ",\"OK\"\n"), 4u) << log;
    // A file none of whose tracks was converted makes the batch a partial success; a skipped
    // track leaves its point numbers to the later ones that fit.
    EXPECT_EQ(cli("two.gpx full.gpx big.gpx --no-split --no-filter --option 21 -o all.gdb"), 3) << err;
    log = readFile(binFile("Trakor3.log"));
    EXPECT_EQ(lineCount(log, "\"two.gpx\",\"Route:\",\"T0-1\",\"OK\"\n"), 1u) << log;
    EXPECT_EQ(lineCount(log, "\"big.gpx\",\"Route:\",\"T0-4 (2)\",\"OK\"\n"), 1u) << log;
    for (const char* skipped : {"\"two.gpx\",\"Track:\",\"T1-2\"", "\"full.gpx\",\"Track:\",\"T0-3\"",
                                "\"big.gpx\",\"Track:\",\"T0-4\""})
        EXPECT_EQ(lineCount(log, std::string(skipped) + ",\"Cannot convert more than 99999 trackpoints, track \"\"" +
                                     std::string(skipped).substr(std::string(skipped).size() - 5, 4) +
                                     "\"\" skipped.\"\n"),
                  1u)
            << skipped << "\n"
            << log;
}

TEST_F(CliTest, TracksLeftOutAreNamedInOneMessage) {
    // Three tracks of one point, one without points and one whole track.
    const std::string one = "<trk><name>ACTIVE LOG</name><trkseg><trkpt lat=\"46.0\" lon=\"7.0\"/></trkseg></trk>";
    makeFile("log.gpx", "<gpx>" + one + one + "<trk><name>Ride</name><trkseg><trkpt lat=\"46.0\" lon=\"7.0\"/>"
                        "<trkpt lat=\"46.1\" lon=\"7.1\"/></trkseg></trk><trk><name>Empty</name></trk>" + one + "</gpx>");
    EXPECT_EQ(cli("log.gpx --option 0 -o log.gdb"), 0) << err;
    EXPECT_EQ(err, "Info: 3 tracks left out: ACTIVE LOG-1, 2, 5 (only one point)\n"
                   "1 track left out: Empty-4 (no points)\n");
    EXPECT_EQ(out, "Trakor3 ($MSG20): File conversion completed!\n");
    ASSERT_EQ(recordsOf(dir.file("log.gdb")).size(), 1u);

    // In the run's language.
    writeFile(binFile("Trakor3.lng"), readFile(std::string(TRAKOR_SOURCE_DIR) + "/data/Trakor3.lng"));
    EXPECT_EQ(cli("log.gpx --option 0 -o log.gdb --set Language=3"), 0) << err;
    EXPECT_EQ(err, "Info: 3 Tracks ausgelassen: ACTIVE LOG-1, 2, 5 (nur ein Punkt)\n"
                   "1 Track ausgelassen: Empty-4 (keine Punkte)\n");
}

TEST_F(CliTest, OkCancelQuestionIsAnsweredAndShown) {
    makeFile("mixed.gpx",
             "<gpx><rte><name>R</name><rtept lat=\"47.0\" lon=\"8.0\"/><rtept lat=\"47.1\" lon=\"8.1\"/></rte>"
             "<trk><name>T</name><trkseg><trkpt lat=\"46.0\" lon=\"7.0\"/><trkpt lat=\"46.1\" lon=\"7.1\"/>"
             "</trkseg></trk></gpx>");
    const std::string kAsk = "Trakor3 ($MSG59): Routes in .gdb and .gpx files will be treated as tracks.\n"
                             "  (--set 'GPX Routes=1' keeps the routes of GPX inputs as routes in a GDB output)\n";
    const struct {
        const char* flag;
        const char* answer;
        size_t tracks;
    } kCases[] = {{"", "OK", 2}, {"--yes", "OK", 2}, {"--no", "Cancel", 1}, {"--cancel", "Cancel", 1}};
    for (const auto& c : kCases) {
        EXPECT_EQ(cli(std::string(c.flag) + " mixed.gpx --option 0 -o m.gdb"), 0) << c.flag << err;
        EXPECT_EQ(err, kAsk + "  -> " + c.answer + "\n") << c.flag;
        EXPECT_EQ(recordsOf(dir.file("m.gdb")).size(), c.tracks) << c.flag;
    }
}

TEST_F(CliTest, EveryFileFailureOfTheOverwritePathFailsTheRun) {
    makeFile("t.gpx", gpxTracks(1, 50));
    ASSERT_EQ(cli("t.gpx --option 0 -o src.gdb"), 0) << err;
    const std::string input = readFile(dir.file("src.gdb"));

    // Read-only input.
    makeFile("ro.gdb", input);
    fs::permissions(dir.file("ro.gdb"), fs::perms::owner_read);
    EXPECT_EQ(cli("--option 24 --no-split --no-filter --overwrite-input ro.gdb"), 2);
    EXPECT_NE(err.find("($MSG23)"), std::string::npos) << err;
    // A backup that cannot be written: its name is longer than a file name may be.
    const std::string longName = std::string(251, 'n') + ".gdb";
    makeFile(longName, input);
    EXPECT_EQ(cli("--option 24 --no-split --no-filter --overwrite-input " + longName), 2);
    EXPECT_NE(err.find("($MSG83)"), std::string::npos) << err;
    EXPECT_EQ(readFile(dir.file(longName)), input);
    // The user's Cancel stops the run with 1.
    EXPECT_EQ(cli("--option 24 --no-split --no-filter --cancel --overwrite-input " + longName), 1);
    // An input with another hard link is refused before a backup is offered or made.
    makeFile("linked.gdb", input);
    fs::create_hard_link(dir.file("linked.gdb"), dir.file("other.gdb"));
    EXPECT_EQ(cli("--option 24 --no-split --no-filter --yes --overwrite-input linked.gdb"), 2);
    EXPECT_NE(err.find("hard link"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.file("linked.gdb.bak"))) << err;
    EXPECT_EQ(readFile(dir.file("linked.gdb")), input);
}

TEST_F(CliTest, BackupsAndReplacementsLeaveNoTemporariesAndClearEarlierOnes) {
    makeFile("t.gpx", gpxTracks(1, 50));
    ASSERT_EQ(cli("t.gpx --option 0 -o in.gdb"), 0) << err;
    const std::string input = readFile(dir.file("in.gdb"));
    // What interrupted runs left: a backup copy and a replacement, both under temporary names;
    // beside them a file of the user's and a temporary that a running copy still holds.
    makeFile("in.gdb.bak.trakor3-aB3dE9", input.substr(0, 40));
    makeFile("in.gdb.trakor3-Zq81Kx", input.substr(0, 20));
    makeFile("in.gdb.backup", "MINE");
    const std::string held = makeFile("in.gdb.trakor3-HELD01", "busy");
    FILE* holder = std::fopen(held.c_str(), "r");
    ASSERT_NE(holder, nullptr);
    ASSERT_EQ(::flock(::fileno(holder), LOCK_EX), 0);

    EXPECT_EQ(cli("--option 24 --no-split --no-filter --overwrite-input in.gdb"), 0) << err;
    // The interrupted backup never became a backup: this one takes the first name.
    EXPECT_EQ(readFile(dir.file("in.gdb.bak")), input);
    std::fclose(holder);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"bin", "in.gdb", "in.gdb.backup", "in.gdb.bak",
                                               "in.gdb.trakor3-HELD01", "run", "stderr.txt", "t.gpx"}));
    EXPECT_EQ(readFile(dir.file("in.gdb.backup")), "MINE");
}

TEST_F(CliTest, RunsSideBySideNeverMixTheirResults) {
    constexpr int kRuns = 8;
    for (int i = 0; i < kRuns; ++i) makeFile("in" + std::to_string(i) + ".gpx", gpxTracks(1, 200 + 300 * i, i));
    for (int round = 0; round < 3; ++round) {
        std::string script;
        for (int i = 0; i < kRuns; ++i) {
            const std::string n = std::to_string(i);
            script += '(';
            script += command("--option 0 in" + n + ".gpx -o out" + n + ".gdb") + " >o" + n + " 2>&1; echo $? >rc" + n + ") &\n";
        }
        writeFile(dir.file("runs.sh"), script + "wait\n");
        ASSERT_EQ(runCommand("sh " + quote(dir.file("runs.sh"))), 0);
        for (int i = 0; i < kRuns; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_EQ(readFile(dir.file("rc" + n)), "0\n") << readFile(dir.file("o" + n));
            const auto records = recordsOf(dir.file("out" + n + ".gdb"));
            ASSERT_EQ(records.size(), 1u) << "round " << round << " run " << i;
            EXPECT_EQ(records[0].points, static_cast<size_t>(200 + 300 * i));
            EXPECT_EQ(records[0].firstLat, degreesToSemicircles(40.0 + i * 0.5));
            fs::remove(dir.file("out" + n + ".gdb"));
        }
    }
    // Nothing is left beside the fixed work files.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("bin")), fs::directory_iterator()), 1);
}

TEST_F(CliTest, RunOnTheFixedWorkFilesWaitsForTheOneHoldingThemAndSaysSo) {
    makeFile("a.gpx", gpxTracks(1, 20));
    makeFile("b.gpx", gpxTracks(1, 20, 1));
    FileLock held(binFile("Trakor3.lock"));
    ASSERT_TRUE(held.acquireWaiting(nullptr));
    // A batch writes the fixed log, so it needs the work files.
    std::string background = "(";
    background += command("a.gpx b.gpx --option 0 -o ab.gdb") + " >o 2>e; echo $? >rc) >/dev/null 2>&1 &";
    runCommand(background);
    // Waits for the whole line; the program then blocks on the lock until it is released.
    for (int i = 0; i < 500 && readFile(dir.file("e")).find(")...\n") == std::string::npos; ++i) ::usleep(20000);
    EXPECT_EQ(readFile(dir.file("e")), "Trakor3: waiting for another conversion that uses the work files (" +
                                           binFile("Trakor3.lock") + ")...\n");
    EXPECT_FALSE(fs::exists(dir.file("ab.gdb")));
    EXPECT_FALSE(fs::exists(dir.file("rc")));
    held.release();
    for (int i = 0; i < 250 && readFile(dir.file("rc")).empty(); ++i) ::usleep(20000);
    EXPECT_EQ(readFile(dir.file("rc")), "0\n") << readFile(dir.file("e"));
    EXPECT_EQ(recordsOf(dir.file("ab.gdb")).size(), 2u);
}

TEST_F(CliTest, InputBeyondTheSizeLimitIsCalledTooLarge) {
    // A sparse file: one byte beyond the limit costs no disk space.
    const std::string big = makeFile("huge.gpx", "");
    fs::resize_file(big, static_cast<uintmax_t>(kMaxImportBytes) + 1);
    EXPECT_EQ(cli("huge.gpx --option 0 -o h.gdb"), 2);
    EXPECT_EQ(err, "Trakor3 ($MSG97): Input file is too large:\n" + big + "\nFiles of more than 1024 MiB cannot be read.\n");
    EXPECT_EQ(out.find("memory error"), std::string::npos);
    makeFile("t.gpx", gpxTracks(1, 20));
    EXPECT_EQ(cli("huge.gpx t.gpx --option 0 -o h.gdb"), 3) << err;
    EXPECT_NE(readFile(binFile("Trakor3.log")).find("\"huge.gpx\",,,\"File too large (more than 1024 MiB)\"\n"),
              std::string::npos);
}

}  // namespace
}  // namespace trakor::test
