// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace trakor {

namespace {

// Close-on-exec: programs started while the lock is held must not keep it alive.
int openLockFile(const std::string& path, unsigned mode) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, static_cast<mode_t>(mode));
}

int lockFd(int fd, int how) {
    int rc;
    do rc = ::flock(fd, how);
    while (rc != 0 && errno == EINTR);
    return rc;
}

}  // namespace

// The temporary folder is shared by all users: the user id keeps one user from blocking another.
InstanceLock::InstanceLock(std::string folder, std::string name)
    : FileLock(std::move(folder) + "/" + name + "-" + std::to_string(::getuid()) + ".lock", 0600) {}

FileLock::~FileLock() { release(); }

FileLock::Result FileLock::acquire() {
    if (fd_ >= 0) return Result::Acquired;
    int fd = openLockFile(path_, mode_);
    if (fd < 0) return Result::Error;
    if (lockFd(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Error;
    }
    fd_ = fd;
    return Result::Acquired;
}

bool FileLock::acquireWaiting(const std::function<void()>& onWait) {
    Result first = acquire();
    if (first != Result::HeldElsewhere) return first == Result::Acquired;
    if (onWait) onWait();
    int fd = openLockFile(path_, mode_);
    if (fd < 0) return false;
    if (lockFd(fd, LOCK_EX) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FileLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

std::string instanceLockFolder(const Environment& env) {
    if (auto dir = env.nonEmpty("XDG_RUNTIME_DIR")) return *dir;
    if (auto dir = env.nonEmpty("TMPDIR")) return *dir;
    return "/tmp";
}

}  // namespace trakor
