// SPDX-License-Identifier: GPL-3.0-or-later
// Output names through their links: a link another user planted in a shared sticky folder is
// never followed, and two names that end at the same file are known as one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/output_links.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;
using namespace trakor;
using trakor::test::readFile;
using trakor::test::TempDir;
using trakor::test::writeFile;

namespace {

TEST(OutputLinks, LinksInSharedStickyFoldersAreFollowedOnlyForTheirOwners) {
    const struct {
        LinkOwners owners;
        bool follow;
    } kCases[] = {
        // link owner, folder owner, follower, sticky, writable by all
        {{1001, 0, 0, true, true}, false},      // another user's link in /tmp-like folder
        {{1001, 0, 1002, true, true}, false},   // the same for an ordinary user
        {{0, 0, 0, true, true}, true},          // the follower's own link
        {{1001, 1001, 0, true, true}, true},    // the folder owner's link
        {{1001, 0, 0, false, true}, true},      // not sticky: the folder's own rules apply
        {{1001, 0, 0, true, false}, true},      // sticky but not writable by all
    };
    for (const auto& c : kCases)
        EXPECT_EQ(mayFollowLink(c.owners), c.follow)
            << c.owners.linkOwner << " " << c.owners.folderOwner << " " << c.owners.follower;
}

// Links to links, "..", and loops, beyond what the command line's own cases show.
TEST(OutputLinks, NamesThatEndAtOneFileAreTheSameOutput) {
    TempDir dir;
    fs::create_directory(dir.file("sub"));
    fs::create_symlink("out.gdb", dir.file("pic.png"));          // dangling, to a name of the run
    fs::create_symlink("../pic.png", dir.file("sub/chain.png"));  // a link to that link
    fs::create_symlink("loop", dir.file("loop"));
    EXPECT_TRUE(sameOutput(dir.file("sub/chain.png"), dir.file("sub/../out.gdb")));
    EXPECT_FALSE(sameOutput(dir.file("sub/chain.png"), dir.file("sub/out.gdb")));
    EXPECT_FALSE(sameOutput(dir.file("loop"), dir.file("out.gdb")));
}

// The replacement of a name is decided when it is written: a link planted there meanwhile by
// another user in a shared folder is refused, the file it points to untouched.
TEST(OutputLinks, PlantedLinkInASharedFolderIsNeverWrittenThrough) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a link to another user";
    TempDir dir;
    const std::string share = dir.file("share");
    fs::create_directory(share);
    ASSERT_EQ(::chmod(share.c_str(), 01777), 0);
    writeFile(dir.file("secret.txt"), "secret");
    const std::string link = share + "/new.tcx";
    fs::create_symlink(dir.file("secret.txt"), link);
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
    std::string error;
    EXPECT_FALSE(writeFileAtomically(link, "RESULT", &error));
    EXPECT_NE(error.find("not followed"), std::string::npos) << error;
    EXPECT_EQ(readFile(dir.file("secret.txt")), "secret");
    // The same for such a link on the way to the file: a folder of another user's choosing.
    fs::create_directory(dir.file("elsewhere"));
    fs::create_symlink(dir.file("elsewhere"), share + "/sub");
    ASSERT_EQ(::lchown((share + "/sub").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(writeFileAtomically(share + "/sub/new.tcx", "RESULT", &error));
    EXPECT_FALSE(fs::exists(dir.file("elsewhere/new.tcx")));
    std::FILE* log = openOutputStream(link, &error);
    EXPECT_EQ(log, nullptr);
    if (log != nullptr) std::fclose(log);
    EXPECT_EQ(readFile(dir.file("secret.txt")), "secret");
    // The user's own link there is followed, as links elsewhere are.
    ASSERT_EQ(::lchown(link.c_str(), 0, 0), 0);
    EXPECT_TRUE(writeFileAtomically(link, "RESULT", &error)) << error;
    EXPECT_EQ(readFile(dir.file("secret.txt")), "RESULT");
}

}  // namespace
