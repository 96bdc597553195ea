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

InstanceLock::~InstanceLock() { release(); }

InstanceLock::Result InstanceLock::acquire() {
    if (fd_ >= 0) return Result::Acquired;
    // Close-on-exec: programs started while the lock is held must not keep it alive.
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Result::Error;
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Error;
    }
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::release() {
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
