// Temporaries of atomic writes: never left behind by a failed write, cleared when an earlier run
// left them, and never mistaken for another file's or the user's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/atomic_file.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;
using namespace trakor;
using trakor::test::readFile;
using trakor::test::TempDir;
using trakor::test::writeFile;

namespace {

std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFile, NewFileIsCompleteOrAbsentAndNeverReplacesOne) {
    TempDir dir;
    const std::string target = dir.file("a.gdb.bak");
    EXPECT_FALSE(createFileAtomically(target, [](int fd) { return writeAllBytes(fd, "HALF") && false; }));
    EXPECT_TRUE(namesIn(dir).empty());
    EXPECT_TRUE(createFileAtomically(target, [](int fd) { return writeAllBytes(fd, "WHOLE"); }));
    EXPECT_FALSE(createFileAtomically(target, [](int fd) { return writeAllBytes(fd, "OTHER"); }));
    EXPECT_EQ(readFile(target), "WHOLE");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"a.gdb.bak"});
}

TEST(AtomicFile, LeftoversOfTheSameFileAloneAreCleared) {
    TempDir dir;
    const std::string longName = std::string(250, 'x') + ".gdb";
    // The temporary a failed write of the long name leaves cannot carry the whole name.
    LockedTemporary kept;
    ASSERT_TRUE(kept.create(dir.file(longName)));
    const std::string longTemporary = fs::path(kept.path()).filename().string();
    EXPECT_EQ(longTemporary.rfind(".trakor3-", 0), 0u) << longTemporary;
    fs::copy_file(kept.path(), dir.file(longTemporary.substr(0, longTemporary.size() - 6) + "LEFT01"));
    for (const char* name : {"r.gdb.trakor3-a1B2c3", "r.gdb.trakor3-a1B2c", "r.gdb.backup", "r.gdb.trakor3-a1B2c3.x",
                             "s.gdb.trakor3-a1B2c3", "r.gdb"})
        writeFile(dir.file(name), "x");
    EXPECT_EQ(removeStaleTemporaries(dir.file("r.gdb")), 1);
    EXPECT_EQ(removeStaleTemporaries(dir.file(longName)), 1);  // the copy; the held one stays
    EXPECT_EQ(removeStaleTemporaries(dir.file(std::string(250, 'y') + ".gdb")), 0);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{longTemporary, "r.gdb", "r.gdb.backup", "r.gdb.trakor3-a1B2c",
                                                      "r.gdb.trakor3-a1B2c3.x", "s.gdb.trakor3-a1B2c3"}));
}

}  // namespace
