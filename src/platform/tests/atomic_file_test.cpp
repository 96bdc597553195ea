// SPDX-License-Identifier: GPL-3.0-or-later
// Temporaries of atomic writes: never left behind by a failed write, cleared when an earlier run
// left them, and never mistaken for another file's or the user's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/atomic_file.h"
#include "platform/file_delivery.h"
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

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A finished private work file as the program leaves it: read-only, held by its temporary.
std::unique_ptr<LockedTemporary> workFile(const TempDir& dir, const std::string& bytes) {
    auto tmp = std::make_unique<LockedTemporary>();
    EXPECT_TRUE(tmp->create(dir.file("Trakor3.tcx")));
    EXPECT_TRUE(writeAllBytes(tmp->fd(), bytes));
    ::fchmod(tmp->fd(), 0444);
    return tmp;
}

// Moved into place, a work file gives the very file a copy gives: bytes, permission bits, links
// followed; it is gone from the working folder, and its temporary removes nothing afterwards.
TEST(AtomicFile, MovedWorkFileEndsAsTheCopyWould) {
    TempDir dir;
    const struct {
        const char* name;
        mode_t existing;  // 0: no file yet
        bool link;
    } cases[] = {{"new.tcx", 0, false}, {"old.tcx", 0600, false}, {"linked.tcx", 0640, true}};
    for (const auto& c : cases) {
        std::string results[2];
        for (const bool move : {false, true}) {
            const std::string real = dir.file(std::string(move ? "m-" : "c-") + c.name);
            if (c.existing != 0) {
                writeFile(real, "OLD");
                ::chmod(real.c_str(), c.existing);
            }
            std::string target = real;
            if (c.link) fs::create_symlink(real, target = real + ".lnk");
            auto work = workFile(dir, std::string(70000, 'x') + c.name);
            const std::string source = work->path();
            ASSERT_TRUE(move ? moveFileOver(source, target) : replaceFileWith(source, target)) << c.name;
            EXPECT_EQ(fs::exists(source), !move) << c.name;
            if (move) writeFile(source, "another run's file under the same name");
            work.reset();
            EXPECT_EQ(fs::exists(source), move) << c.name;
            EXPECT_EQ(fs::is_symlink(target), c.link) << c.name;
            results[move] = readFile(real) + " mode " + std::to_string(modeOf(real));
        }
        EXPECT_EQ(results[1], results[0]) << c.name;
    }
}

// A rename refused (or a target that must not be replaced) leaves the work file as it was, and
// delivery to another file system copies.
TEST(AtomicFile, WorkFileThatCannotMoveStaysAndIsCopied) {
    TempDir dir;
    auto work = workFile(dir, "RESULT");
    const std::string source = work->path(), target = dir.file("out.gdb");
    EXPECT_FALSE(moveFileOver(source, target, nullptr, [](const char*, const char*) {
        errno = EXDEV;
        return -1;
    }));
    writeFile(dir.file("locked.gdb"), "KEEP");
    ::chmod(dir.file("locked.gdb").c_str(), 0444);
    EXPECT_FALSE(moveFileOver(source, dir.file("locked.gdb")));
    EXPECT_FALSE(replaceFileByMoving(source, dir.file("locked.gdb")));
    EXPECT_EQ(readFile(dir.file("locked.gdb")), "KEEP");
    EXPECT_EQ(readFile(source), "RESULT");
    EXPECT_EQ(modeOf(source), 0444u);
    EXPECT_FALSE(fs::exists(target));

    struct stat here {}, shm {};
    if (::stat(dir.path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const std::string away = "/dev/shm/trakor3-move-test-" + std::to_string(::getpid());
    ASSERT_TRUE(replaceFileByMoving(source, away));
    EXPECT_EQ(readFile(away), "RESULT");
    EXPECT_EQ(modeOf(away), 0644u);
    EXPECT_TRUE(fs::exists(source));
    fs::remove(away);
}

}  // namespace

namespace {

// A replaced file keeps its owner, group, mode and attributes, by copy and by move alike; a
// backup gets the original's; a file with other hard links is refused and keeps its content.
TEST(AtomicFile, ReplacementsAndBackupsKeepOwnerModeAndAttributes) {
    TempDir dir;
    const std::string source = dir.file("work");
    writeFile(source, "NEW");
    const bool root = ::geteuid() == 0;
    // Owner and group of another user where the test may give files away (root), else its own.
    const uid_t uid = root ? 65534 : ::geteuid();
    const gid_t gid = root ? 65534 : ::getegid();
    for (const bool move : {false, true}) {
        const std::string target = dir.file(move ? "moved.gdb" : "copied.gdb");
        writeFile(target, "OLD");
        ASSERT_EQ(::chown(target.c_str(), uid, gid), 0);
        ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
        const bool xattrs = ::setxattr(target.c_str(), "user.trakor-test", "kept", 4, 0) == 0;
        writeFile(source, "NEW");
        std::string error;
        ASSERT_TRUE(move ? replaceFileByMoving(source, target, &error) : replaceFileWith(source, target, &error)) << error;
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(readFile(target), "NEW");
        EXPECT_EQ(st.st_uid, uid) << move;
        EXPECT_EQ(st.st_gid, gid) << move;
        EXPECT_EQ(st.st_mode & 07777, 0640u) << move;
        char value[8] = {};
        if (xattrs) {
            EXPECT_EQ(::getxattr(target.c_str(), "user.trakor-test", value, sizeof value), 4) << move;
        }
    }

    const std::string input = dir.file("in.gdb");
    writeFile(input, "INPUT");
    ASSERT_EQ(::chmod(input.c_str(), 0600), 0);
    ASSERT_TRUE(copyToNewFile(input, input + ".bak"));
    struct stat backup {};
    ASSERT_EQ(::stat((input + ".bak").c_str(), &backup), 0);
    EXPECT_EQ(backup.st_mode & 07777, 0600u);

    const std::string linked = dir.file("linked.gdb");
    writeFile(linked, "OLD");
    ASSERT_EQ(::link(linked.c_str(), dir.file("other-name.gdb").c_str()), 0);
    std::string error;
    EXPECT_FALSE(replaceFileWith(input, linked, &error));
    EXPECT_NE(error.find("hard link"), std::string::npos) << error;
    EXPECT_EQ(readFile(dir.file("other-name.gdb")), "OLD");
}

}  // namespace
