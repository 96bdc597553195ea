// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mount_watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace trakor {

MountWatcher::MountWatcher(std::string mountTable, std::string gvfs)
    : path_(std::move(mountTable)), gvfs_(std::move(gvfs)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    last_ = readTable();
}

MountWatcher::~MountWatcher() {
    if (fd_ >= 0) ::close(fd_);
}

// Reading the whole table from its start also re-arms the kernel's change notification.
std::string MountWatcher::readTable() {
    if (fd_ < 0) return {};
    std::string text;
    if (::lseek(fd_, 0, SEEK_SET) < 0) return {};
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    std::error_code ec;
    for (std::filesystem::directory_iterator it(gvfs_, ec), end; !gvfs_.empty() && !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.rfind("mtp:host=", 0) == 0) text += "\n" + name;
    }
    return text;
}

bool MountWatcher::changed(int timeoutMs) {
    if (fd_ < 0) return false;
    if (timeoutMs > 0) {
        pollfd p{fd_, POLLPRI, 0};
        ::poll(&p, 1, timeoutMs);
    }
    // A regular file (a test's table) never signals; comparing the contents decides in every case.
    std::string now = readTable();
    if (now == last_) return false;
    last_ = std::move(now);
    return true;
}

}  // namespace trakor
