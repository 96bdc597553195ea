// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/instance_lock.h"
#include "platform/process_spawn.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;
using namespace trakor;
using trakor::test::TempDir;

namespace {

// Runs `body` in a child process and returns its exit code (the child's view of the lock).
template <class F>
int inChild(F body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int tryLock(const std::string& folder) {
    InstanceLock lock(folder);
    return static_cast<int>(lock.acquire());
}

constexpr int kAcquired = static_cast<int>(InstanceLock::Result::Acquired);
constexpr int kHeldElsewhere = static_cast<int>(InstanceLock::Result::HeldElsewhere);

}  // namespace

TEST(InstanceLock, OneHolderAcrossProcesses) {
    TempDir dir;
    InstanceLock lock(dir.path().string());
    EXPECT_NE(lock.path().find("QUENBY-Trakor3"), std::string::npos);
    EXPECT_EQ(inChild([&] { return tryLock(dir.path().string()); }), kAcquired);

    ASSERT_EQ(lock.acquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(lock.acquire(), InstanceLock::Result::Acquired);  // already ours
    EXPECT_EQ(inChild([&] { return tryLock(dir.path().string()); }), kHeldElsewhere);
    // A second lock object in the same process is refused as well.
    InstanceLock other(dir.path().string());
    EXPECT_EQ(other.acquire(), InstanceLock::Result::HeldElsewhere);

    lock.release();
    EXPECT_FALSE(lock.held());
    EXPECT_EQ(inChild([&] { return tryLock(dir.path().string()); }), kAcquired);
}

TEST(InstanceLock, VanishesWithACrashedHolder) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = fork();
    if (pid == 0) {
        InstanceLock lock(dir.path().string());
        char ok = lock.acquire() == InstanceLock::Result::Acquired ? 'y' : 'n';
        if (write(ready[1], &ok, 1) != 1) _exit(2);
        pause();  // holds the lock until killed
        _exit(0);
    }
    close(ready[1]);
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    close(ready[0]);
    ASSERT_EQ(ok, 'y');
    InstanceLock lock(dir.path().string());
    EXPECT_EQ(lock.acquire(), InstanceLock::Result::HeldElsewhere);

    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(lock.acquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, ProgramsStartedByTheHolderDoNotKeepIt) {
    TempDir dir;
    EXPECT_EQ(inChild([&] {
                  InstanceLock lock(dir.path().string());
                  if (lock.acquire() != InstanceLock::Result::Acquired) return 1;
                  // A companion program outlives the holder, which then crashes without releasing.
                  _exit(spawnDetached({"sleep", "2"}, {"PATH=/usr/bin:/bin"}) == 0 ? 0 : 2);
                  return 3;
              }),
              0);
    InstanceLock lock(dir.path().string());
    EXPECT_EQ(lock.acquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, ErrorsAndFolderChoice) {
    TempDir dir;
    InstanceLock missing(dir.file("no/such/folder"));
    EXPECT_EQ(missing.acquire(), InstanceLock::Result::Error);
    EXPECT_FALSE(missing.held());

    // A planted symbolic link is not followed.
    InstanceLock planted(dir.path().string());
    fs::create_symlink(dir.file("target"), planted.path());
    EXPECT_EQ(planted.acquire(), InstanceLock::Result::Error);
    EXPECT_FALSE(fs::exists(dir.file("target")));

    Environment env;
    EXPECT_EQ(instanceLockFolder(env), "/tmp");
    env.vars = {{"TMPDIR", "/var/tmp"}};
    EXPECT_EQ(instanceLockFolder(env), "/var/tmp");
    env.vars = {{"TMPDIR", "/var/tmp"}, {"XDG_RUNTIME_DIR", "/run/user/1000"}};
    EXPECT_EQ(instanceLockFolder(env), "/run/user/1000");
    env.vars = {{"XDG_RUNTIME_DIR", ""}};
    EXPECT_EQ(instanceLockFolder(env), "/tmp");
}
