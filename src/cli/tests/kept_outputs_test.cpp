// Conversions of the shared real files must keep writing the same bytes: the sums below were
// taken from the program's outputs before the readers and writers were made faster. (A change
// that is meant to alter an output updates its sum and says why.)
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
    {"basecamp.gpx", "--option 0", "o.gdb", 0x034d538667d19d82ULL},
    {"basecamp.gpx", "--option 24", "o.gdb", 0x034d538667d19d82ULL},
    {"course.tcx", "--option 0", "o.gdb", 0x3f182d723ec4061aULL},
    {"course.tcx", "--option 0", "o.tcx", 0x87036927298d933dULL},
    {"course.tcx", kCoursePoints, "o.tcx", 0x0d21de29ddf693a9ULL},
    {"fitlocations-sample.fit", "--option 0", "o.gdb", 0x7750d09a37dfecc3ULL},
    {"garmin-edge-800.fit", "--option 0", "o.gdb", 0x463ce0e5b7174049ULL},
    {"garmin-edge-800.fit", "--option 0", "o.tcx", 0xa35bdd3abe036cdbULL},
    {"garmin-edge-800.fit", kCoursePoints, "o.tcx", 0x48a144ddc730c70aULL},
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
    {"gdb-sample.gpx", "--option 0", "o.gdb", 0x77108734b090d12cULL},
    {"history.tcx", "--option 0", "o.gdb", 0x2283cb58dafb0d00ULL},
    {"history.tcx", "--option 0", "o.tcx", 0xc497506c4d45656cULL},
    {"history.tcx", kCoursePoints, "o.tcx", 0x9cadabb61e07fddcULL},
    {"kml-points.kml", "--option 0", "o.gdb", 0x7fca8c22e30dd77fULL},
    {"segmented_tracks.kml", "--option 0", "o.gdb", 0xac6d9350e4c8f626ULL},
};

TEST(KeptOutputs, RealFilesConvertToTheSameBytes) {
    if (corpusFile("history.tcx").empty()) GTEST_SKIP() << "shared corpus not present";
    TempDir dir;
    // TRAKOR_CLI_UNDER_TEST runs another build of the program (an emulated arm64 one) on the same table.
    const char* other = std::getenv("TRAKOR_CLI_UNDER_TEST");
    const std::string program = other ? std::string(other) : quote(std::string(TRAKOR_BINARY_DIR) + "/src/cli/trakor3-cli");
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
