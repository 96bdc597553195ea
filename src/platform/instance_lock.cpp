#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace trakor {

InstanceLock::InstanceLock(std::string folder, std::string name) {
    // The temporary folder is shared by all users: the user id keeps one user from blocking another.
    path_ = std::move(folder) + "/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

namespace {

// Opens (creating) a lock file; close-on-exec, so programs started while it is held do not keep it.
int openLockFile(const std::string& path, mode_t mode) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
}

int lockFd(int fd, int how) {
    int rc;
    do rc = ::flock(fd, how);
    while (rc != 0 && errno == EINTR);
    return rc;
}

void unlockAndClose(int& fd) {
    if (fd < 0) return;
    ::flock(fd, LOCK_UN);
    ::close(fd);
    fd = -1;
}

}  // namespace

InstanceLock::~InstanceLock() { release(); }

InstanceLock::Result InstanceLock::acquire() {
    if (fd_ >= 0) return Result::Acquired;
    int fd = openLockFile(path_, 0600);
    if (fd < 0) return Result::Error;
    if (lockFd(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Error;
    }
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::release() { unlockAndClose(fd_); }

FileLock::~FileLock() { release(); }

bool FileLock::acquireWaiting(const std::function<void()>& onWait) {
    if (fd_ >= 0) return true;
    // Users who share a portable folder share its work files, and so this lock.
    int fd = openLockFile(path_, 0666);
    if (fd < 0) return false;
    if (lockFd(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            ::close(fd);
            return false;
        }
        if (onWait) onWait();
        if (lockFd(fd, LOCK_EX) != 0) {
            ::close(fd);
            return false;
        }
    }
    fd_ = fd;
    return true;
}

void FileLock::release() { unlockAndClose(fd_); }

std::string instanceLockFolder(const Environment& env) {
    if (auto dir = env.nonEmpty("XDG_RUNTIME_DIR")) return *dir;
    if (auto dir = env.nonEmpty("TMPDIR")) return *dir;
    return "/tmp";
}

}  // namespace trakor
