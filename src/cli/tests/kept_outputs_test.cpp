// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions of the shared real files must keep writing the same bytes: the sums below were
// taken from the program's outputs before the readers and writers were made faster. (A change
// that is meant to alter an output updates its sum and says why.) The GPX, TCX, KML and course
// sums changed when degrees became semicircles by Garmin's exact factor, rounded (points moved by
// up to 0.7 m, only positions and bounds differ), and when course times were summed in exact
// seconds instead of whole metres per second. The FIT locations' sum changed when their altitude
// was kept, and again when their times and descriptions were kept in the waypoint records.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

uint64_t fnv1a(const std::string& bytes, size_t from) {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (size_t i = from; i < bytes.size(); ++i) h = (h ^ static_cast<uint8_t>(bytes[i])) * 0x100000001b3ULL;
    return h;
}

struct Kept {
    const char* input;
    const char* args;    // option and settings
    const char* output;  // its ending decides GDB or TCX
    uint64_t sum;        // of a GDB file after its 56-byte header (which holds the date), of a TCX file whole
};

constexpr const char* kCoursePoints = "--set 'Course Points=1' --set 'Turn Warnings=1' --option 0";

const Kept kKept[] = {
    // Waypoints of GPX and KML inputs carry their comment, description and time into the GDB file.
    {"basecamp.gpx", "--option 0", "o.gdb", 0x1568b70feb8e14daULL},
    {"basecamp.gpx", "--option 24", "o.gdb", 0x1568b70feb8e14daULL},
    {"course.tcx", "--option 0", "o.gdb", 0x3378b1dd55f43734ULL},
    {"course.tcx", "--option 0", "o.tcx", 0x4afc73825fe76619ULL},
    {"course.tcx", kCoursePoints, "o.tcx", 0xfeb015fdec97824cULL},
    {"fitlocations-sample.fit", "--option 0", "o.gdb", 0xb2625a96cc282519ULL},
    {"garmin-edge-800.fit", "--option 0", "o.gdb", 0x463ce0e5b7174049ULL},
    {"garmin-edge-800.fit", "--option 0", "o.tcx", 0x58a2eb4d85ecac2cULL},
    {"garmin-edge-800.fit", kCoursePoints, "o.tcx", 0x546934882d034f5aULL},
    {"gdb-sample-v3.gdb", "--option 1", "o.gdb", 0x03495c19694061a7ULL},
    {"gdb-sample-v3.gdb", "--option 3", "o.gdb", 0x44ac3a90f92464c6ULL},
    {"gdb-sample-v3.gdb", "--option 11", "o.gdb", 0x71d16e4dc98910fdULL},
    {"gdb-sample-v3.gdb", "--option 13", "o.gdb", 0xa3a6a6d93b8260fbULL},
    {"gdb-sample-v3.gdb", "--option 21", "o.gdb", 0xc3c00888d5a32144ULL},
    {"gdb-sample-v3.gdb", "--option 24", "o.gdb", 0xb912ec4a67ae65d1ULL},
    {"gdb-sample.gdb", "--option 1", "o.gdb", 0x5c86db0cc13010deULL},
    {"gdb-sample.gdb", "--option 3", "o.gdb", 0x01a51bbd5584a335ULL},
    {"gdb-sample.gdb", "--option 11", "o.gdb", 0xaaa6f9e709976086ULL},
    {"gdb-sample.gdb", "--option 13", "o.gdb", 0x9a08eaf475f6922cULL},
    {"gdb-sample.gdb", "--option 21", "o.gdb", 0x0a6fd659d16a9ed9ULL},
    {"gdb-sample.gdb", "--option 24", "o.gdb", 0x9a3dcf24c5c65599ULL},
    {"gdb-sample.gpx", "--option 0", "o.gdb", 0x3ac82bc1939aeffdULL},
    {"history.tcx", "--option 0", "o.gdb", 0x84ee428ba93dc82aULL},
    {"history.tcx", "--option 0", "o.tcx", 0x25f72d1872d7a800ULL},
    {"history.tcx", kCoursePoints, "o.tcx", 0x8182cfe082fd7109ULL},
    {"kml-points.kml", "--option 0", "o.gdb", 0xa96078ff35bc2535ULL},
    // Each line string of its MultiGeometry placemarks is a track of its own (10 tracks, as gpsbabel reads).
    {"segmented_tracks.kml", "--option 0", "o.gdb", 0x11d8e8038d40f1efULL},
};

TEST(KeptOutputs, RealFilesConvertToTheSameBytes) {
    if (corpusFile("history.tcx").empty()) GTEST_SKIP() << "shared corpus not present";
    TempDir dir;
    // TRAKOR_CLI_UNDER_TEST runs another build of the program (an emulated arm64 one) on the same table.
    const char* other = std::getenv("TRAKOR_CLI_UNDER_TEST");
    // A copy of the build's program: run where it was built it finds the language file beside it,
    // works in the build folder (portable) and would meet other tests' runs there.
    std::string program = other ? std::string(other) : quote(dir.file("bin/trakor3-cli"));
    if (!other) {
        std::filesystem::create_directory(dir.file("bin"));
        std::filesystem::copy_file(std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli", dir.file("bin/trakor3-cli"));
    }
    writeFile(dir.file("empty.ini"), "");
    // The questions take their unasked answers: routes of GPX and GDB inputs are read as tracks.
    for (const Kept& k : kKept) {
        const std::string input = corpusFile(k.input), output = dir.file(k.output);
        std::filesystem::remove(output);
        const std::string command = "cd " + quote(dir.path().string()) + " && env -u WINEPREFIX LC_ALL=C TZ=UTC HOME=" +
                                    quote(dir.file("home")) + " XDG_DATA_HOME=" + quote(dir.file("data")) + " " +
                                    program + " --ini empty.ini " + k.args + " " + quote(input) +
                                    " -o " + quote(output) + " >/dev/null 2>&1";
        ASSERT_EQ(runCommand(command), 0) << k.input << " " << k.args << " " << k.output;
        const bool gdb = std::string(k.output).ends_with(".gdb");
        EXPECT_EQ(fnv1a(readFile(output), gdb ? 56 : 0), k.sum) << k.input << " " << k.args << " -> " << k.output;
    }
}

}  // namespace
}  // namespace trakor::test
