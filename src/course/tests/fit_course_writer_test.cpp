// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <filesystem>

#include "core/fit_crc.h"
#include "course/course_walk.h"
#include "course/fit_course_writer.h"
#include "course/tests/course_fixture.h"

namespace trakor::test {
namespace {

using FitCourseWriter = CourseTest;
namespace fs = std::filesystem;

uint32_t le32(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

// The FIT files chained in `bytes`, each checked: header of 14 bytes with its CRC, the data size
// it states, and a file CRC that makes the CRC over the whole file 0. -1 when one is not whole.
int wholeFitFiles(const std::string& bytes) {
    int files = 0;
    for (size_t at = 0; at < bytes.size(); ++files) {
        if (bytes.size() - at < 16 || bytes[at] != 14 || bytes.compare(at + 8, 4, ".FIT") != 0) return -1;
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
        if (fitCrc(p, 12) != (p[12] | p[13] << 8)) return -1;
        const size_t length = 14 + size_t{le32(bytes, at + 4)} + 2;
        if (length > bytes.size() - at || fitCrc(p, length) != 0) return -1;
        at += length;
    }
    return files;
}

}  // namespace

TEST(FitCrc, CheckValueOfTheProtocolCrc) {
    // CRC-16 with the polynomial 0x8005 reflected, from 0: the standard check value.
    const std::string digits = "123456789";
    EXPECT_EQ(fitCrc(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0xBB3D);
}

// Each course a whole FIT file of its own: "out.fit", "out-2.fit" named in a message, and one
// file each on the device; without a track the output is left as it was.
TEST_F(FitCourseWriter, OutputAndDeviceFilesAreWhole) {
    const std::string output = dir.file("out.fit"), folder = dir.file("NEWFILES");
    fs::create_directories(folder);
    writeWorkGdb({track("Lake loop", line(40, 80, 1700000000, 20)), track("Hill", line(3)), track("!Hill", line(3))});
    UnitCourses unit{{folder, ""}, "", {}, 0, false};
    ASSERT_EQ(writeFitCourses(ctx, output, &unit, 1700000000), 0);
    EXPECT_EQ(wholeFitFiles(readFile(output)), 1);
    EXPECT_EQ(wholeFitFiles(readFile(dir.file("out-2.fit"))), 1);
    EXPECT_FALSE(fs::exists(dir.file("out-3.fit")));
    ASSERT_FALSE(notes.entries.empty());
    EXPECT_EQ(notes.entries.back().text, "2 courses written, one a file:\n" + output + "\n" + dir.file("out-2.fit"));
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) {
        files.push_back(e.path().filename().string());
        EXPECT_EQ(wholeFitFiles(readFile(e.path().string())), 1) << files.back();
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Hill.fit", "Lake loop.fit"}));

    writeFile(output, "kept");
    writeWorkGdb({track("!Only a copy", line(3))});
    EXPECT_EQ(writeFitCourses(ctx, output, nullptr, 1700000000), 1);
    EXPECT_EQ(readFile(output), "kept");
    EXPECT_EQ(notes.keys().back(), "$MSG51");
}

// A course file that cannot be written whole (a full disk; here the file size limit) is told
// with the file and the system's reason, and the old file stays.
TEST_F(FitCourseWriter, FailedOutputIsToldWithItsReason) {
    const std::string output = dir.file("out.fit");
    writeFile(output, "kept");
    writeWorkGdb({track("Lake loop", line(600))});
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int rc = writeFitCourses(ctx, output, nullptr, 1700000000);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(readFile(output), "kept");
    ASSERT_FALSE(notes.entries.empty());
    const std::string& told = notes.entries.back().text;
    EXPECT_EQ(told.rfind("write error\n" + output + "\n", 0), 0u) << told;
    EXPECT_NE(told.find("File too large"), std::string::npos) << told;
}


// Times FIT cannot hold: a course of 1985 is told and timed from the average speed from `now`; a
// course of 60 days keeps the longest lap time the field holds. Read by Garmin's FIT SDK.
TEST_F(FitCourseWriter, TimesAtTheEdgesOfTheFormat) {
    struct Case {
        const char* what;
        int32_t t0, dt;
        int64_t firstTime;       // of the first record, as the SDK reads it
        std::string lapTime;     // the lap's totalElapsedTime
        bool told;
    };
    const Case cases[] = {
        {"1985", 473385600, 20, 1700000000, "totalElapsedTime=", true},
        {"60 days", 1700000000, 60 * 86400 / 4, 1700000000, "totalElapsedTime=4294967.294", false},
    };
    ctx.settings.UseFileTimes = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        notes.entries.clear();
        const std::string output = dir.file(std::string(c.what) + ".fit");
        writeWorkGdb({track("Edge", line(5, 80, c.t0, c.dt))});
        ASSERT_EQ(writeFitCourses(ctx, output, nullptr, 1700000000), 0);
        EXPECT_EQ(!notes.keys().empty() && notes.keys().front() == "$RUN37", c.told);
        TRAKOR_FIT_SDK_OR_SKIP(decoded, output);
        EXPECT_EQ(decoded.rfind("integrity true\n", 0), 0u) << decoded;
        const size_t record = decoded.find("\nrecord timestamp=");
        ASSERT_NE(record, std::string::npos) << decoded;
        EXPECT_EQ(decoded.substr(record + 18, 10), std::to_string(c.firstTime)) << decoded;
        EXPECT_NE(decoded.find(c.lapTime), std::string::npos) << decoded;
        EXPECT_EQ(decoded.find("totalElapsedTime=0 "), std::string::npos) << decoded;
    }
}

}  // namespace trakor::test
