// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_delivery.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace trakor {

namespace {

constexpr size_t kMaxNameBytes = 255;

// Writes all bytes of `fdIn` to `fdOut`; false on any read or write error. The kernel copies
// between files itself where it can; otherwise the bytes pass through a buffer.
bool pump(int fdIn, int fdOut) {
    for (bool copied = false;;) {
        const ssize_t n = ::copy_file_range(fdIn, nullptr, fdOut, nullptr, size_t{1} << 30, 0);
        if (n == 0) return true;
        if (n > 0) {
            copied = true;
            continue;
        }
        if (errno == EINTR) continue;
        // Not offered for these files (older kernels, other file systems): the plain way, unless
        // part was already copied (a real failure then).
        if (copied || (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)) return false;
        break;
    }
    std::vector<char> buf(1 << 16);
    for (;;) {
        ssize_t n = ::read(fdIn, buf.data(), buf.size());
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!writeAllBytes(fdOut, std::string_view(buf.data(), static_cast<size_t>(n)))) return false;
    }
}

}  // namespace

bool sameFile(const struct stat& known, const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && st.st_dev == known.st_dev && st.st_ino == known.st_ino;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat st;
    return !a.empty() && ::stat(a.c_str(), &st) == 0 && sameFile(st, b);
}

bool nameTooLong(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        size_t end = slash == std::string::npos ? path.size() : slash;
        if (end - start > kMaxNameBytes) return true;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return false;
}

bool canWriteOutput(const std::string& path) {
    if (path.empty() || nameTooLong(path)) return false;
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        ::close(fd);
        return regular;
    }
    if (errno != ENOENT) return false;
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(path.c_str());
    return true;
}

namespace {

// Opens `source` and has `write` make a file from a filler that pumps its bytes into a descriptor.
template <class Write>
bool copyThrough(const std::string& source, std::string* error, Write write) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        if (error) *error = "cannot open " + source + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = write([in](int out) { return pump(in, out); });
    ::close(in);
    return ok;
}

bool tooLong(const std::string& target, std::string* error) {
    if (!nameTooLong(target)) return false;
    if (error) *error = target + ": " + std::strerror(ENAMETOOLONG);
    return true;
}

}  // namespace

bool replaceFileWith(const std::string& source, const std::string& target, std::string* error, bool followLinks) {
    if (source.empty() || target.empty() || tooLong(target, error)) return false;
    return copyThrough(source, error,
                       [&](const auto& fill) { return writeFileAtomicallyWith(target, fill, error, followLinks); });
}

bool replaceFileByMoving(const std::string& source, const std::string& target, std::string* error,
                         bool followLinks) {
    if (source.empty() || target.empty() || tooLong(target, error)) return false;
    return moveFileOver(source, target, nullptr, ::rename, followLinks) ||
           replaceFileWith(source, target, error, followLinks);
}

bool canReplace(const std::string& path, std::string* error) {
    std::string target;
    mode_t mode = 0;
    return replacementOf(path, target, mode, error);
}

bool copyToNewFile(const std::string& source, const std::string& target, std::string* error) {
    if (tooLong(target, error)) return false;
    // Written under a temporary name: an interrupted copy never looks like a complete one. It
    // gets the original's owner, mode and attributes: a backup is no easier to read than it.
    return copyThrough(source, error, [&](const auto& pumpInto) {
        return createFileAtomically(
            target,
            [&](int out) {
                struct stat original {};
                return pumpInto(out) && ::stat(source.c_str(), &original) == 0 &&
                       giveAttributesOf(original, source, out, error);
            },
            error);
    });
}

bool volumeAnswers(const std::string& root) {
    if (root.empty()) return false;
    struct statvfs vfs;
    struct stat st;
    return ::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::statvfs(root.c_str(), &vfs) == 0;
}

bool ensureFolder(const std::string& path) {
    std::error_code ec;
    fs::create_directory(path, ec);
    return fs::is_directory(path, ec);
}

}  // namespace trakor
