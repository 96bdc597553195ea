// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unit_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

// Every entry below a folder, links not followed.
size_t entriesBelow(const std::string& folder) {
    size_t n = 0;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) ++n;
    return n;
}

// A folder named by a unit's description is found beneath the unit's mount or refused: "..",
// absolute paths, drive letters and backslashes never lead out, nor does a symbolic link, in
// the kernel's resolution and in the walk that follows no link. Nothing is made outside.
TEST(UnitFolders, ResolveBeneathTheMountOnly) {
    TempDir dir;
    const std::string root = dir.file("unit"), outside = dir.file("outside");
    fs::create_directories(root + "/GARMIN/ACTIVITY");
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, root + "/LINKOUT");                // absolute, leads out
    fs::create_directory_symlink("../../outside", root + "/GARMIN/NEWFILES"); // relative, leads out
    fs::create_directory_symlink("GARMIN", root + "/INSIDE");                 // stays on the unit
    const struct {
        const char* path;
        UnitLookup kernel, walk;
        const char* found;  // relative path of a found folder
    } kCases[] = {
        {"garmin\\Courses", UnitLookup::Found, UnitLookup::Found, "GARMIN/Courses"},
        {"./GARMIN//activity/", UnitLookup::Found, UnitLookup::Found, "GARMIN/ACTIVITY"},
        {"", UnitLookup::Found, UnitLookup::Found, ""},
        {"GARMIN/../../../escaped", UnitLookup::Outside, UnitLookup::Outside, ""},
        {"GARMIN\\..\\..\\..\\escaped", UnitLookup::Outside, UnitLookup::Outside, ""},
        {"/tmp/escaped", UnitLookup::Outside, UnitLookup::Outside, ""},
        {"\\escaped", UnitLookup::Outside, UnitLookup::Outside, ""},
        {"E:\\Garmin", UnitLookup::Outside, UnitLookup::Outside, ""},
        {"GARMIN/NEWFILES", UnitLookup::Outside, UnitLookup::Outside, ""},
        {"LINKOUT/Courses", UnitLookup::Outside, UnitLookup::Outside, ""},
        {"INSIDE/Courses", UnitLookup::Found, UnitLookup::Outside, "INSIDE/Courses"},
    };
    for (UnitResolver resolver : {UnitResolver::Kernel, UnitResolver::Walk}) {
        for (const auto& c : kCases) {
            SCOPED_TRACE(std::string(c.path) + (resolver == UnitResolver::Walk ? " (walk)" : ""));
            UnitFolder folder;
            std::string error;
            const UnitLookup want = resolver == UnitResolver::Kernel ? c.kernel : c.walk;
            EXPECT_EQ(findUnitFolder(root, c.path, true, folder, &error, resolver), want) << error;
            if (want == UnitLookup::Found) EXPECT_EQ(folder.relative, c.found);
            else EXPECT_FALSE(error.empty());
            EXPECT_TRUE(fs::is_empty(outside));
        }
    }
    EXPECT_FALSE(fs::exists(dir.file("escaped")));

    // Without `create` a missing folder is reported, not made.
    UnitFolder folder;
    EXPECT_EQ(findUnitFolder(root, "GARMIN/NewFiles2", false, folder), UnitLookup::Failed);
    EXPECT_FALSE(fs::exists(root + "/GARMIN/NewFiles2"));

    // A folder swapped for a link after it was found is resolved again when written to.
    ASSERT_EQ(findUnitFolder(root, "GARMIN/Courses", false, folder), UnitLookup::Found);
    fs::remove(root + "/GARMIN/Courses");
    fs::create_directory_symlink(outside, root + "/GARMIN/Courses");
    std::string error;
    EXPECT_FALSE(writeFileToUnit(folder, "Ride.fit", "course", &error));
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_FALSE(writeFileToUnit(UnitFolder{root, "GARMIN"}, "../Ride.fit", "course", &error));
    EXPECT_FALSE(fs::exists(root + "/Ride.fit"));
}

// A unit that refuses renames gets the file written directly; one that swallows bytes or is full
// fails with the system's reason; either way no temporary stays and an old file is kept whole.
TEST(UnitFolders, WritesAreWholeOrFailWithTheReason) {
    TempDir dir;
    const UnitFolder folder{dir.path().string(), ""};
    const std::string path = dir.file("Ride.tcx");
    auto names = [&] {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir.path())) found.push_back(e.path().filename().string());
        return found;
    };
    DeviceFileCalls refusing;
    refusing.renameat = [](int, const char*, int, const char*) {
        errno = EPERM;
        return -1;
    };
    for (const DeviceFileCalls& calls : {DeviceFileCalls{}, refusing}) {
        writeFile(path, "an older and longer course file");
        std::string error;
        EXPECT_TRUE(writeFileToUnit(folder, "Ride.tcx", "<course/>", &error, calls)) << error;
        EXPECT_EQ(readFile(path), "<course/>");
        EXPECT_EQ(names(), std::vector<std::string>{"Ride.tcx"});
    }
    DeviceFileCalls lying, full;
    lying.write = [](int fd, const void* p, size_t n) -> ssize_t {
        if (n > 1 && ::write(fd, p, n - 1) < 0) return -1;
        return static_cast<ssize_t>(n);
    };
    full.write = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const struct {
        const DeviceFileCalls& calls;
        const char* reason;
    } kFailures[] = {{lying, "Input/output error"}, {full, "No space left on device"}};
    for (const auto& f : kFailures) {
        std::string error;
        EXPECT_FALSE(writeFileToUnit(folder, "Ride.tcx", "<new course/>", &error, f.calls));
        EXPECT_EQ(error, path + ": " + f.reason);
        EXPECT_EQ(readFile(path), "<course/>");
        EXPECT_EQ(names(), std::vector<std::string>{"Ride.tcx"});
    }
}

// Temporaries of runs that ended are removed; those of a running process, and files that only
// look alike, stay.
TEST(UnitFolders, TemporariesOfEndedRunsGo) {
    TempDir dir;
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ASSERT_GT(ended, 0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string gone = ".trakor3-" + std::to_string(ended) + ".tmp";
    const std::string running = ".trakor3-" + std::to_string(::getppid()) + ".tmp";
    for (const std::string& name : {gone, running, std::string(".trakor3-x1.tmp"), std::string("Ride.fit")})
        writeFile(dir.file(name), "x");
    EXPECT_EQ(removeStaleUnitTemporaries(UnitFolder{dir.path().string(), ""}), 1);
    EXPECT_FALSE(fs::exists(dir.file(gone)));
    EXPECT_EQ(entriesBelow(dir.path().string()), 3u);
}

}  // namespace
}  // namespace trakor::test
