// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged copies of the real device and MapSource files through trakor3-cli: cut short, bytes
// flipped, record lengths and sizes set to huge and negative values. Every run must end on its
// own with status 0, 1 or 2 and a message, and write nothing outside its own temporary folder.
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "clipboard/clipboard_conversion.h"
#include "gdb/file_header.h"
#include "gdb/stream.h"
#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

struct Variant {
    std::string label;
    std::string bytes;
};

void putInt32(std::string& b, size_t at, uint32_t v) {
    if (at + 4 > b.size()) return;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

int32_t getInt32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    return static_cast<int32_t>(v);
}

constexpr uint32_t kHugeAndNegative[] = {0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u, 0x00100000u};

// Offsets of the first record length fields of a GDB image: the two header records, then the
// records after the creator name.
std::vector<size_t> gdbLengthFields(const std::string& image, size_t wanted) {
    std::vector<size_t> fields = {6, 13};
    MemoryStream in(reinterpret_cast<const uint8_t*>(image.data()), image.size());
    GdbHeader header;
    if (readFileHeader(in, header) != 0) return fields;
    size_t pos = static_cast<size_t>(header.length);
    while (fields.size() < wanted && pos + 5 <= image.size()) {
        fields.push_back(pos);
        int32_t length = getInt32(image, pos);
        if (length <= 0) break;
        pos += 5 + static_cast<size_t>(length);
    }
    return fields;
}

// Cut at ~20 offsets, ~10 single bytes flipped, and for GDB and FIT the sizes patched.
std::vector<Variant> damagedCopies(const std::string& ext, const std::string& good) {
    std::vector<Variant> v;
    const size_t n = good.size();
    std::set<size_t> cuts = {0, 1, 5, 6, 11, 12, 14, 20, 56, 100};
    for (size_t i = 1; i < 11; ++i) cuts.insert(n * i / 11);
    for (size_t cut : cuts)
        if (cut < n) v.push_back({"cut" + std::to_string(cut), good.substr(0, cut)});
    uint32_t seed = static_cast<uint32_t>(n) * 2654435761u;
    for (int i = 0; i < 10 && n > 0; ++i) {
        seed = seed * 1664525u + 1013904223u;
        // Early bytes (headers, first records) are hit more often than the tail.
        size_t at = (i < 5 ? seed % std::min<size_t>(n, 256) : seed % n);
        std::string b = good;
        b[at] = static_cast<char>(b[at] ^ (i % 2 ? 0xFF : 0x80));
        v.push_back({"flip" + std::to_string(at), b});
    }
    if (ext == "gdb") {
        for (size_t field : gdbLengthFields(good, 6))
            for (uint32_t value : kHugeAndNegative) {
                std::string b = good;
                putInt32(b, field, value);
                v.push_back({"len" + std::to_string(field) + "-" + std::to_string(value), b});
            }
    }
    if (ext == "fit" && n >= 12) {
        for (uint32_t value : kHugeAndNegative) {
            std::string b = good;
            putInt32(b, 4, value);  // data size after the header
            v.push_back({"size" + std::to_string(value), b});
        }
        std::string b = good;
        b[0] = static_cast<char>(0xFF);  // header size
        v.push_back({"header255", b});
    }
    return v;
}

// Names, sizes and modification times of the files below a folder.
std::map<std::string, std::pair<uintmax_t, int64_t>> snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<uintmax_t, int64_t>> s;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return s;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        s[it->path().string()] = {static_cast<uintmax_t>(st.st_size),
                                  static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    return s;
}

// Runs a portable copy of the built program from a temporary folder with HOME and XDG_* there too.
class BadInputTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string program, ini, env;

    void SetUp() override {
        if (sharedFile("corpus").empty() || !fs::is_directory(sharedFile("corpus")))
            GTEST_SKIP() << "shared corpus not present";
        if (!haveProgram("timeout")) GTEST_SKIP() << "timeout(1) not available";
        for (const char* sub : {"bin", "home", "data", "config", "cache", "state", "runtime", "in", "out"})
            fs::create_directory(dir.file(sub));
        fs::permissions(dir.file("runtime"), fs::perms::owner_all);
        program = dir.file("bin/trakor3-cli");
        fs::copy_file(std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli", program);
        ini = dir.file("settings.ini");
        writeFile(ini, "[Info]\n");
        env = "env -u WINEPREFIX HOME=" + quote(dir.file("home")) + " XDG_DATA_HOME=" + quote(dir.file("data")) +
              " XDG_CONFIG_HOME=" + quote(dir.file("config")) + " XDG_CACHE_HOME=" + quote(dir.file("cache")) +
              " XDG_STATE_HOME=" + quote(dir.file("state")) + " XDG_RUNTIME_DIR=" + quote(dir.file("runtime")) +
              " TMPDIR=" + quote(dir.file("home")) + " LC_ALL=C ";
    }

    std::string command(const std::string& args) const {
        return "cd " + quote(dir.path().string()) + " && " + env + "timeout -s KILL 20 " + quote(program) + " --ini " +
               quote(ini) + " --cancel " + args;
    }
};

TEST_F(BadInputTest, WorkingFilesStayInTheTemporaryFolder) {
    std::string out;
    ASSERT_EQ(runCommand(command("--show-setup"), &out), 0);
    const std::string root = dir.path().string() + "/";
    int paths = 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        size_t colon = line.find(": /");
        if (colon == std::string::npos || line.rfind("  ", 0) == 0) continue;
        ++paths;
        EXPECT_EQ(line.compare(colon + 2, root.size(), root), 0) << line;
    }
    EXPECT_GE(paths, 2) << out;
    EXPECT_NE(out.find("Working folder: " + root), std::string::npos) << out;
}

TEST_F(BadInputTest, DamagedFilesEndWithAStatusAndAMessageAndTouchNothingOutside) {
    const fs::path corpus = sharedFile("corpus");
    const fs::path cliFolder = fs::path(TRAKOR_PROGRAM_DIR);
    const char* realHome = std::getenv("HOME");
    const auto corpusBefore = snapshot(corpus);
    const auto cliBefore = snapshot(cliFolder);
    const auto homeConfigBefore = realHome ? snapshot(fs::path(realHome) / ".config/Trakor3") : decltype(corpusBefore){};

    // One shell script runs every case: a process per case is cheap, a shell per case is not.
    std::ostringstream script;
    std::vector<std::string> labels;
    const std::map<std::string, std::vector<int>> kOptions = {
        {"gdb", {1, 2, 3, 4, 11, 21, 24}}, {"fit", {11, 21, 24, 0}}, {"gpx", {11, 22, 23, 0}},
        {"tcx", {11, 21, 24}},             {"kml", {12, 21, 0}},     {"nmea", {11, 23}}};
    int index = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        std::string ext = entry.path().extension().string();
        if (ext.empty() || !entry.is_regular_file()) continue;
        ext = ext.substr(1);
        const std::string good = readFile(entry.path().string());
        auto found = kOptions.find(ext);
        const std::vector<int> options = found != kOptions.end() ? found->second : std::vector<int>{11};
        for (const Variant& v : damagedCopies(ext, good)) {
            const std::string name = std::to_string(index) + "-" + v.label + "." + ext;
            const std::string in = dir.file("in/" + name);
            writeFile(in, v.bytes);
            const int option = options[index % options.size()];
            labels.push_back(entry.path().filename().string() + " " + v.label + " option " + std::to_string(option));
            script << command("--option " + std::to_string(option) + " -o " + quote(dir.file("out/out.gdb")) + " " +
                              quote(in))
                   << " >o 2>e; echo \"" << index << " $? $(cat o e | wc -c)\"; rm -f o e out/out.gdb\n";
            ++index;
            if (ext == "gdb") {
                // The image in a block of its own length, and in one that claims far more.
                const std::vector<uint8_t> image(v.bytes.begin(), v.bytes.end());
                const std::vector<uint8_t> block = makeBlock(image);
                std::string claims(block.begin(), block.end());
                if (index % 2) putInt32(claims, 0, 0x7FFFFFF0u);
                const std::string blk = dir.file("in/" + std::to_string(index) + ".blk");
                writeFile(blk, claims);
                labels.push_back(entry.path().filename().string() + " " + v.label + " clipboard block");
                script << command("--clipboard-block " + quote(blk) + " " + quote(dir.file("out/out.blk")))
                       << " >o 2>e; echo \"" << index << " $? $(cat o e | wc -c)\"; rm -f o e out/out.blk\n";
                ++index;
            }
        }
    }
    ASSERT_GT(index, 0) << "no corpus files";
    writeFile(dir.file("cases.sh"), script.str());

    const auto start = std::chrono::steady_clock::now();
    std::string results;
    runCommand("sh " + quote(dir.file("cases.sh")), &results);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::istringstream lines(results);
    int seen = 0;
    std::map<int, int> byStatus;
    for (int i, status, messageBytes; lines >> i >> status >> messageBytes; ++seen) {
        ++byStatus[status];
        ASSERT_GE(i, 0);
        ASSERT_LT(i, index);
        // 137 is the timeout's kill, 128 + n a signal.
        EXPECT_TRUE(status == 0 || status == 1 || status == 2) << labels[i] << ": status " << status;
        EXPECT_GT(messageBytes, 0) << labels[i] << ": no message";
    }
    EXPECT_EQ(seen, index);
    std::cout << index << " damaged runs in " << seconds << " s; by exit status:";
    for (const auto& [status, count] : byStatus) std::cout << " " << status << "=" << count;
    std::cout << "\n";

    EXPECT_EQ(snapshot(corpus), corpusBefore) << "corpus files changed";
    EXPECT_EQ(snapshot(cliFolder), cliBefore) << "the build's program folder changed";
    if (realHome) {
        EXPECT_EQ(snapshot(fs::path(realHome) / ".config/Trakor3"), homeConfigBefore);
    }
}

}  // namespace
}  // namespace trakor::test
