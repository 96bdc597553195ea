// SPDX-License-Identifier: GPL-3.0-or-later
// Runs in a hostile environment: closed standard descriptors, standard output that fails or goes
// away, signals, file-size limits, special files, and outputs named where inputs are.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_inputs.h"
#include "cli/tests/cli_fixture.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/stream.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

// A GPX file of one track of n points.
std::string gpxTrack(int n) {
    std::ostringstream s;
    s << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\">\n<trk><name>T</name><trkseg>\n";
    char pt[96];
    for (int i = 0; i < n; ++i) {
        std::snprintf(pt, sizeof pt, "<trkpt lat=\"%.6f\" lon=\"%.6f\"></trkpt>\n", 40.0 + i * 1e-4, 5.0 + (i % 2) * 2e-5);
        s << pt;
    }
    return s.str() + "</trkseg></trk>\n</gpx>\n";
}

// A GDB file without its 56-byte header, which holds the time it was written.
std::string gdbBody(const std::string& bytes) { return bytes.size() < 56 ? bytes : bytes.substr(56); }

class EdgesTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        makeFile("t.gpx", gpxTrack(200));
        ASSERT_EQ(cli("t.gpx --option 0 -o ref.gdb"), 0) << err;
        ref = gdbBody(readFile(dir.file("ref.gdb")));
    }
    std::string ref;
};

TEST_F(EdgesTest, ClosedStandardDescriptorsNeverTakeTheResultsPlace) {
    // The input replaced by its result, as a normal run does it.
    const std::string overwrite = "in.gdb --option 0 --overwrite-input --no ";
    fs::copy_file(dir.file("ref.gdb"), dir.file("in.gdb"));
    ASSERT_EQ(cli(overwrite), 0) << err;
    const std::string replaced = gdbBody(readFile(dir.file("in.gdb")));
    for (const char* closed : {">&-", "2>&-", "<&-", "<&- >&- 2>&-"}) {
        fs::remove(dir.file("o.gdb"));
        EXPECT_EQ(runCommand(command("t.gpx --option 0 -o o.gdb ") + closed), 0) << closed;
        EXPECT_TRUE(gdbBody(readFile(dir.file("o.gdb"))) == ref) << closed;
        fs::copy_file(dir.file("ref.gdb"), dir.file("in.gdb"), fs::copy_options::overwrite_existing);
        EXPECT_EQ(runCommand(command(overwrite) + closed), 0) << closed;
        EXPECT_TRUE(gdbBody(readFile(dir.file("in.gdb"))) == replaced) << closed;
    }
    std::string piped;
    EXPECT_EQ(runCommand(command("t.gpx --option 0 -o - 2>&-"), &piped), 0);
    EXPECT_TRUE(gdbBody(piped) == ref);
}

TEST_F(EdgesTest, StandardOutputThatFailsIsAFailureWithItsReason) {
    makeFile("big.gpx", gpxTrack(40000));  // a result far beyond a pipe's buffer
    const struct {
        const char* args;
        const char* to;    // where standard output goes
        const char* then;  // what follows the run in a pipe
        const char* reason;
    } kCases[] = {{"t.gpx", " >/dev/full", "", "No space left on device"},
                  {"big.gpx", "", " | head -c 10 >/dev/null", "Broken pipe"}};
    for (const auto& c : kCases) {
        const std::string status = dir.file("status");
        runCommand("{ " + command(std::string(c.args) + " --option 0 -o -") + c.to + " 2>" + quote(dir.file("err")) +
                   "; echo $? >" + quote(status) + "; }" + c.then);
        const std::string errText = readFile(dir.file("err"));
        EXPECT_EQ(readFile(status), "2\n") << c.args << errText;
        EXPECT_NE(errText.find(c.reason), std::string::npos) << errText;
        EXPECT_EQ(errText.find("completed"), std::string::npos) << errText;
    }
}

// Beyond `ulimit -f` (KiB) a write fails, and the user is told which file and why.
TEST_F(EdgesTest, FileSizeLimitIsAFailureThatNamesTheFileAndItsReason) {
    makeFile("big.gpx", gpxTrack(40000));
    const struct {
        const char* args;
        int limit;
        const char* file;
    } kCases[] = {{"big.gpx --option 0 -o big.gdb", 64, "/bin/Trakor3.gdb"},  // the work file
                  {"t.gpx --option 0 -o t.gpx.gpx", 8, "/t.gpx.gpx: "}};          // the GPX output
    for (const auto& c : kCases) {
        const std::string errFile = dir.file("err");
        EXPECT_EQ(runCommand("ulimit -f " + std::to_string(c.limit) + "; " + command(c.args) + " >" + quote(errFile) +
                             " 2>&1"),
                  2)
            << c.args;
        const std::string text = readFile(errFile);
        EXPECT_NE(text.find(c.file), std::string::npos) << text;
        EXPECT_NE(text.find("File too large"), std::string::npos) << text;
    }
    EXPECT_FALSE(fs::exists(dir.file("big.gdb")));
    EXPECT_FALSE(fs::exists(dir.file("t.gpx.gpx")));
}

TEST_F(EdgesTest, PrivateFoldersGoOnSignalsAndLeftOnesAtTheNextStart) {
    const std::string tmp = dir.file("tmp");
    fs::create_directory(tmp);
    // Left by an ended run (its lock free), held by a running one, and someone else's pattern.
    for (const char* name : {"trakor3-Left01", "trakor3-Held01", "trakor3-nolock"}) {
        fs::create_directory(tmp + "/" + name);
        writeFile(tmp + "/" + name + "/stdin.gpx", "x");
    }
    writeFile(tmp + "/trakor3-Left01/.lock", "");
    writeFile(tmp + "/trakor3-Held01/.lock", "");
    const int held = ::open((tmp + "/trakor3-Held01/.lock").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(cli::removeStaleTempFolders(tmp), 1);
    EXPECT_FALSE(fs::exists(tmp + "/trakor3-Left01"));
    EXPECT_TRUE(fs::exists(tmp + "/trakor3-Held01/stdin.gpx"));
    EXPECT_TRUE(fs::exists(tmp + "/trakor3-nolock/stdin.gpx"));
    ::close(held);
    fs::remove_all(tmp);
    fs::create_directory(tmp);

    // A run that reads standard input is ended by SIGTERM while it reads: its folder goes too.
    const std::string pidFile = dir.file("pid");
    std::string run = "export TMPDIR=" + quote(tmp) + "; " + command("- --input-type gpx -o o.gdb");
    run.replace(run.find("&& env"), 6, "&& echo $$ >" + quote(pidFile) + " && exec env");
    FILE* in = ::popen(run.c_str(), "w");
    ASSERT_NE(in, nullptr);
    const std::string part = gpxTrack(1000).substr(0, 20000);
    ASSERT_EQ(std::fwrite(part.data(), 1, part.size(), in), part.size());
    std::fflush(in);
    // Wait for the run to start its copy of standard input.
    auto spooled = [&] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(tmp, ec))
            if (fs::exists(e.path() / "stdin.gpx", ec)) return true;
        return false;
    };
    for (int i = 0; i < 100000 && !spooled(); ++i) ::usleep(100);
    ASSERT_TRUE(spooled());
    ASSERT_EQ(::kill(std::stoi(readFile(pidFile)), SIGTERM), 0);
    ::pclose(in);
    EXPECT_TRUE(fs::is_empty(tmp));
}

}  // namespace
}  // namespace trakor::test

namespace trakor::test {
namespace {

// Outputs named where an input, a read-only file or a special file is: refused before anything
// is written, without blocking, each saying why; the file named stays as it was.
TEST_F(EdgesTest, OutputsNeverReplaceInputsReadOnlyOrSpecialFiles) {
    fs::copy_file(std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli-render", binFile("trakor3-cli-render"));
    makeFile("ro.png", "old picture");
    fs::permissions(dir.file("ro.png"), fs::perms::owner_read);
    fs::create_directory(dir.file("sub"));
    fs::create_symlink(dir.file("t.gpx"), dir.file("link.png"));
    ASSERT_EQ(::mkfifo(dir.file("fifo.gdb").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(dir.file("fifo.png").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(dir.file("fifo.gpx").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(dir.file("fifo.csv").c_str(), 0644), 0);
    // Links to names another output of the run is about to create.
    fs::create_symlink("out.gdb", dir.file("pic.png"));
    fs::create_symlink("all.gdb", dir.file("log.csv"));
    const std::string gpx = readFile(dir.file("t.gpx"));
    const struct {
        const char* args;
        int status;
        const char* says;
    } kCases[] = {
        {"--render t.gpx t.gpx", 64, "ends in .png"},
        {"--render link.png t.gpx", 64, "would overwrite"},
        {"--render sub/../link.png --option 0 t.gpx", 64, "would overwrite"},
        {"--render ro.png t.gpx", 2, "read-only"},
        {"--render fifo.png t.gpx", 2, "FIFO"},
        {"--log t.gpx t.gpx ref.gdb --option 0 -o all.gdb", 64, "would overwrite"},
        {"--log all.gdb t.gpx ref.gdb --option 0 -o all.gdb", 64, "the output"},
        {"t.gpx --option 0 -o fifo.gdb", 2, "FIFO"},
        {"fifo.gpx --option 0 -o o.gdb", 2, "FIFO"},
        {"t.gpx fifo.gpx --option 0 -o o.gdb", 2, "FIFO"},
        {"--render pic.png --option 0 t.gpx -o out.gdb", 64, "the output"},
        {"--log log.csv t.gpx ref.gdb --option 0 -o all.gdb", 64, "the output"},
        {"--log same.png --render same.png t.gpx", 64, "the same file"},
        {"--render p.png --option 0 t.gpx -o -", 64, "standard output"},
        {"--log fifo.csv t.gpx ref.gdb --option 0 -o all.gdb", 2, "FIFO"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(cli(c.args), c.status) << c.args << "\n" << err << out;
        EXPECT_NE((err + out).find(c.says), std::string::npos) << c.args << "\n" << err << out;
        EXPECT_EQ(readFile(dir.file("t.gpx")), gpx) << c.args;
        EXPECT_EQ(readFile(dir.file("ro.png")), "old picture") << c.args;
    }
    EXPECT_FALSE(fs::exists(dir.file("all.gdb")));
    EXPECT_FALSE(fs::exists(dir.file("out.gdb")));
    EXPECT_FALSE(fs::exists(dir.file("p.png")));
    // A picture that can be written is written whole, beside nothing left over.
    EXPECT_EQ(cli("--render new.png t.gpx"), 0) << err;
    EXPECT_EQ(readFile(dir.file("new.png")).substr(1, 3), "PNG");
}

// Another user's link planted in a shared sticky folder (as /tmp is) never decides where a result,
// a picture or a log goes: refused with the reason, the file it points to untouched. The
// user's own link there is followed as links are elsewhere.
TEST_F(EdgesTest, LinksOfOtherUsersInSharedFoldersAreNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a link to another user";
    fs::copy_file(std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli-render", binFile("trakor3-cli-render"));
    fs::create_directory(dir.file("share"));
    ASSERT_EQ(::chmod(dir.file("share").c_str(), 01777), 0);
    makeFile("secret.txt", "secret");
    const char* kCases[] = {"t.gpx --option 0 -o share/new.gdb", "--render share/new.png t.gpx",
                            "--log share/new.csv t.gpx ref.gdb --option 0 -o all.gdb"};
    for (const char* args : kCases) {
        for (const char* name : {"share/new.gdb", "share/new.png", "share/new.csv"}) {
            fs::remove(dir.file(name));
            fs::create_symlink(dir.file("secret.txt"), dir.file(name));
            ASSERT_EQ(::lchown(dir.file(name).c_str(), 65534, 65534), 0);
        }
        EXPECT_EQ(cli(args), 2) << args << "\n" << err << out;
        EXPECT_NE((err + out).find("not followed"), std::string::npos) << args << "\n" << err << out;
        EXPECT_EQ(readFile(dir.file("secret.txt")), "secret") << args;
    }
    ASSERT_EQ(::lchown(dir.file("share/new.gdb").c_str(), 0, 0), 0);
    EXPECT_EQ(cli("t.gpx --option 0 -o share/new.gdb"), 0) << err;
    EXPECT_EQ(gdbBody(readFile(dir.file("secret.txt"))), ref);
}

}  // namespace
}  // namespace trakor::test

namespace trakor::test {
namespace {

// Inputs cut off (a GDB file inside a record, an XML document without its end) are told with
// what they lack; what was read before the cut is delivered only on --yes; a batch logs them.
TEST_F(EdgesTest, CutInputsAreToldAndDeliveredOnlyWhenTheUserSaysSo) {
    // Two tracks, the file cut inside the second.
    const std::string gpx = readFile(dir.file("t.gpx"));
    const size_t trk = gpx.find("<trk>"), trkEnd = gpx.find("</trk>") + 6;
    makeFile("two.gpx", gpx.substr(0, trkEnd) + gpx.substr(trk, trkEnd - trk) + gpx.substr(trkEnd));
    ASSERT_EQ(cli("two.gpx --option 0 -o two.gdb"), 0) << err;
    const std::string whole = readFile(dir.file("two.gdb"));
    makeFile("cut.gdb", whole.substr(0, whole.size() - 500));
    makeFile("cut.gpx", gpx.substr(0, gpx.rfind("</trkseg>")));
    // Bytes that are no XML in the middle of a document whose end is whole.
    const size_t middle = gpx.find("<trkpt", gpx.size() / 2);
    makeFile("damaged.gpx", gpx.substr(0, middle) + std::string(4096, '\0') + gpx.substr(middle));
    // Line-based inputs cut inside their last line.
    auto sentence = [](const std::string& body) {
        unsigned sum = 0;
        for (char c : body) sum ^= static_cast<uint8_t>(c);
        char hex[8];
        std::snprintf(hex, sizeof hex, "*%02X\r\n", sum);
        return "$" + body + hex;
    };
    std::string nmea, itn;
    for (int i = 0; i < 6; ++i) {
        nmea += sentence("GPRMC,1200" + std::to_string(10 + i) + ",A,480" + std::to_string(i) +
                         ".038,N,01131.000,E,022.4,084.4,230394,003.1,W");
        itn += std::to_string(850000 + 1000 * i) + "|4700000|P" + std::to_string(i) + "|" + (i == 0 ? "4" : "0") + "|\r\n";
    }
    makeFile("cut.nmea", nmea + sentence("GPRMC,120020,A,4809.038,N,01131.000,E,022.4,084.4,230394,003.1,W").substr(0, 30));
    makeFile("cut.itn", itn + "860000|47");
    const struct {
        const char* args;
        const char* lacks;
    } kCases[] = {{"cut.gdb --option 0", "the rest of a track record"},
                  {"cut.gdb --option 21 --no-split --no-filter", "the rest of a track record"},
                  {"cut.gpx --option 0", "the end of the document (</gpx>)"},
                  {"damaged.gpx --option 0", "the rest of the document, not well formed at line "},
                  {"cut.nmea --option 0", "the end of its last line"},
                  {"cut.itn --option 0", "the end of its last line"}};
    for (const auto& c : kCases) {
        fs::remove(dir.file("o.gdb"));
        EXPECT_EQ(cli(std::string(c.args) + " -o o.gdb"), 2) << c.args << err;
        EXPECT_NE(err.find("It lacks " + std::string(c.lacks)), std::string::npos) << c.args << err;
        EXPECT_FALSE(fs::exists(dir.file("o.gdb"))) << c.args;
        EXPECT_EQ(cli(std::string(c.args) + " --yes -o o.gdb"), 0) << c.args << err;
        EXPECT_TRUE(fs::exists(dir.file("o.gdb"))) << c.args;
    }
    // A FIT file of a device, cut: its header promises more data.
    if (const std::string fit = corpusFile("garmin-edge-800.fit"); !fit.empty()) {
        makeFile("cut.fit", readFile(fit).substr(0, 20000));
        EXPECT_EQ(cli("cut.fit --option 0 -o o.gdb"), 2) << err;
        EXPECT_NE(err.find("It lacks the last "), std::string::npos) << err;
        // Whole in length, but its messages break off in the middle (no message has local type 15).
        std::string broken = readFile(fit);
        broken.replace(broken.size() / 2, 64, 64, '\x0F');
        makeFile("broken.fit", broken);
        EXPECT_EQ(cli("broken.fit --option 0 -o o.gdb"), 2) << err;
        EXPECT_NE(err.find("It lacks the data after byte "), std::string::npos) << err;
        EXPECT_EQ(cli("broken.fit --option 0 --yes -o o.gdb"), 0) << err;
    }
    // A track beyond the point numbers skipped by the GDB pass is not converted either.
    makeFile("long.gpx", gpxTrack(99999));
    ASSERT_EQ(cli("long.gpx --option 0 -o long.gdb"), 0) << err;
    EXPECT_EQ(cli("long.gdb --option 21 --no-split --no-filter -o o.gdb"), 2) << err;

    // A processing instruction after the root element leaves the document whole.
    makeFile("instruction.gpx", gpx + "<?done?>\n");
    EXPECT_EQ(cli("instruction.gpx --option 0 -o o.gdb"), 0) << err;

    EXPECT_EQ(cli("t.gpx cut.gpx damaged.gpx --option 0 -o all.gdb"), 3) << err;
    const std::string log = readFile(binFile("Trakor3.log"));
    EXPECT_NE(log.find("\"cut.gpx\",,,\"Incomplete file: it lacks the end"), std::string::npos) << log;
    EXPECT_NE(log.find("\"damaged.gpx\",,,\"Incomplete file: it lacks the rest of the document, not well formed"),
              std::string::npos)
        << log;
}

// A GDB file of `failing` tracks of one point each (each told as not converted while the record
// pass reads it) and one good track at the end.
// A name of a letter and a number ("P1").
std::string numbered(char letter, int number) {
    std::string name(1, letter);
    return name += std::to_string(number);
}

// A GDB file of `routes` routes of three via points each: with option 15 and at most two points,
// every route is told about after its record ("more via points ... than the requested maximum").
void writeTellingRoutes(const std::string& path, int routes) {
    FileStream out;
    ASSERT_TRUE(out.open(path, "wb"));
    writeNewHeader(out, 1700000000);
    for (int k = 0; k < 3; ++k) {
        GdbWaypoint w;
        w.wptName = numbered('P', k);
        w.wptLat = degreesToSemicircles(47.0 + k * 0.01);
        w.wptLon = degreesToSemicircles(8.0);
        writeWaypointRecord(out, w, 'm');
    }
    for (int i = 0; i < routes; ++i) {
        GdbRoute route;
        route.rteName = numbered('R', i + 1);
        for (int k = 0; k < 3; ++k) {
            GdbRoutePoint p;
            p.rptName = numbered('P', k);
            // The leg to the next point: its two ends.
            for (int end = k; end <= k + 1 && k < 2; ++end) {
                GdbLinkPoint link;
                link.lat = degreesToSemicircles(47.0 + end * 0.01);
                link.lon = degreesToSemicircles(8.0);
                p.links.push_back(link);
            }
            route.points.push_back(p);
        }
        writeRouteRecord(out, route, 'm');
    }
    writeEndRecord(out);
    ASSERT_TRUE(out.close());
}

// Reads from fd until `text` has come, waiting at most a minute for each piece; false on end or silence.
bool readUntil(int fd, const std::string& text, std::string& got, size_t piece = 64) {
    char buf[4096];
    while (got.find(text) == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 60000) <= 0) return false;
        const ssize_t n = ::read(fd, buf, std::min(piece, sizeof buf));
        if (n <= 0) return false;
        got.append(buf, static_cast<size_t>(n));
    }
    return true;
}

// The program holds the input open while another program cuts it: the run fails with the reason
// and delivers nothing. The program is held in the middle of its record pass by its own standard
// output, a full pipe that is drained only after the cut, so no timing decides where the cut falls.
// A name longer than a byte limit is cut at a character boundary in every output: 128 "é" are
// 256 bytes, one more than an imported name holds.
TEST_F(EdgesTest, LongNamesAreCutAtACharacterBoundary) {
    std::string e127;
    for (int i = 0; i < 127; ++i) e127 += "\xc3\xa9";
    std::string gpx = gpxTrack(20);
    gpx.replace(gpx.find("<name>T</name>"), 14, "<name>" + e127 + "\xc3\xa9</name>");
    makeFile("e.gpx", gpx);
    ASSERT_EQ(cli("e.gpx --option 0 -o out.gpx"), 0) << err;
    EXPECT_NE(readFile(dir.file("out.gpx")).find("<name>" + e127 + "-</name>"), std::string::npos);
    ASSERT_EQ(cli("e.gpx -o out.fit"), 0) << err;
    TRAKOR_FIT_SDK_OR_SKIP(decoded, dir.file("out.fit"));
    EXPECT_NE(decoded.find("name=\"" + e127.substr(0, 26) + " 1\""), std::string::npos) << decoded;
}

// A GDB waypoint beyond the pole has no place in a GPX file: left out, and told.
TEST_F(EdgesTest, GdbPositionsOffTheEarthAreLeftOutOfAGpxAndTold) {
    FileStream out;
    ASSERT_TRUE(out.open(dir.file("north.gdb"), "wb"));
    writeNewHeader(out, 1700000000);
    for (double lat : {100.0, 47.0}) {
        GdbWaypoint w;
        w.wptName = "P" + std::to_string(static_cast<int>(lat));
        w.wptLat = degreesToSemicircles(lat);
        w.wptLon = degreesToSemicircles(8.0);
        writeWaypointRecord(out, w, 'm');
    }
    writeEndRecord(out);
    ASSERT_TRUE(out.close());
    ASSERT_EQ(cli("north.gdb --option 0 -o north.gpx"), 0) << err;
    EXPECT_NE(err.find("1 waypoint with impossible coordinates was left out of north"), std::string::npos) << err;
    const std::string gpx = readFile(dir.file("north.gpx"));
    EXPECT_EQ(gpx.find("P100"), std::string::npos);
    EXPECT_NE(gpx.find("P47"), std::string::npos);
}

TEST_F(CliTest, InputShortenedWhileTheRecordPassReadsItFailsTheRun) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const int pipeSize = ::fcntl(fds[1], F_SETPIPE_SZ, 4096);  // a page: 4 KiB, or more on some machines
    ASSERT_GT(pipeSize, 0);
    // Far more messages than the pipe holds (each some 90 bytes).
    const int routes = std::max(400, pipeSize / 10);
    const std::string input = dir.file("in.gdb");
    writeTellingRoutes(input, routes);
    if (HasFatalFailure()) return;
    const std::string run = "in.gdb --option 15 --set 'Maximum Points=2' ";
    ASSERT_EQ(cli(run + "-o whole.gdb"), 0) << out << err;  // uncut, the run succeeds
    const std::string told = "more via points (3)\nthan the requested maximum number (2).\n";
    size_t tellings = 0;
    for (size_t at = 0; (at = err.find(told, at)) != std::string::npos; at += told.size()) ++tellings;
    ASSERT_EQ(tellings, static_cast<size_t>(routes)) << err.substr(0, 400);

    // Fill the pipe, so that the program's first message (on standard error) waits for the test.
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    const std::string dots(512, '.');
    size_t filled = 0;
    for (ssize_t n; (n = ::write(fds[1], dots.data(), dots.size())) > 0;) filled += static_cast<size_t>(n);
    ::fcntl(fds[1], F_SETFL, 0);
    const std::string cmd = command(run + "-o o.gdb") + " >" + quote(dir.file("out.txt"));
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(fds[1], 2);
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string got;
    // The dots, then the first route's message: the program is in its record pass, and the pipe
    // holds at most pipeSize bytes of the next messages (a tenth of them) until drained.
    const bool inPass = readUntil(fds[0], told, got);
    if (inPass) std::filesystem::resize_file(input, std::filesystem::file_size(input) / 2);
    readUntil(fds[0], "\x01never", got, 4096);  // to the end
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(inPass) << got.substr(std::min(filled, got.size()));
    EXPECT_EQ(filled, static_cast<size_t>(pipeSize));
    const std::string outText = readFile(dir.file("out.txt"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << outText;
    EXPECT_NE((got + outText).find("in.gdb: the file was shortened while it was read"), std::string::npos)
        << got.substr(std::min(filled, got.size())) << outText;
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.gdb")));
}

}  // namespace
}  // namespace trakor::test
