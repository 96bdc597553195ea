#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace trakor {

namespace {
bool fail(std::string* error, const std::string& what, int err) {
    if (error) *error = what + ": " + std::strerror(err);
    return false;
}

// Writes all bytes; false with errno set on failure.
bool writeAll(int fd, std::string_view bytes, ssize_t (*writeFn)(int, const void*, size_t)) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = writeFn(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Writes a new file at `path` with the bytes, closes it and checks its size as the file system
// then reports it (an MTP device takes the file only when it is closed); the file is removed again
// when any step fails.
bool writeNewFile(const std::string& path, int flags, std::string_view bytes, const DeviceFileCalls& calls,
                  std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0644);
    if (fd < 0) return fail(error, "cannot create " + path, errno);
    bool ok = writeAll(fd, bytes, calls.write);
    int err = errno;
    // A flush the file system does not offer is no failure; one that fails is.
    if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    struct stat st {};
    if (ok && (::stat(path.c_str(), &st) != 0 || static_cast<size_t>(st.st_size) != bytes.size())) {
        ok = false;
        err = EIO;
    }
    if (!ok) {
        ::unlink(path.c_str());
        return fail(error, "cannot write " + path, err);
    }
    return true;
}
}  // namespace

bool writeFileToDevice(const std::string& path, std::string_view bytes, std::string* error,
                       const DeviceFileCalls& calls) {
    const std::filesystem::path target(path);
    const std::string tmp = (target.parent_path() / (".trakor3-" + std::to_string(::getpid()) + ".tmp")).string();
    ::unlink(tmp.c_str());  // a leftover of an interrupted run
    if (!writeNewFile(tmp, O_EXCL, bytes, calls, error)) return false;
    if (calls.rename(tmp.c_str(), path.c_str()) == 0) return true;
    // gvfs's MTP back end refuses renames: the file is written in place, replacing an old one.
    ::unlink(tmp.c_str());
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return fail(error, "cannot replace " + path, errno);
    return writeNewFile(path, O_EXCL, bytes, calls, error);
}

bool writeFileAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill, std::string* error) {
    std::string target = path;
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        auto resolved = std::filesystem::weakly_canonical(target, ec);
        if (ec) return fail(error, "cannot resolve " + path, ec.value());
        target = resolved.string();
    }

    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return fail(error, target + " is not a regular file", EISDIR);
        // A read-only file (no owner write permission) stays as it is, even for root.
        if ((st.st_mode & S_IWUSR) == 0) return fail(error, target + " is read-only", EACCES);
        if (::access(target.c_str(), W_OK) != 0) return fail(error, "cannot write " + target, errno);
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail(error, "cannot inspect " + target, errno);
    }

    std::string tmpl = target + ".XXXXXX";
    // A name near the length limit gets a short temporary name in the same folder.
    std::filesystem::path targetPath(target);
    if (targetPath.filename().string().size() + 7 > 255)
        tmpl = (targetPath.parent_path() / ".trakor3-XXXXXX").string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return fail(error, "cannot create a temporary file beside " + target, errno);
    auto abandon = [&](const std::string& what) {
        int err = errno;
        ::close(fd);
        ::unlink(name.data());
        return fail(error, what, err);
    };
    if (!fill(fd)) return abandon("cannot write " + std::string(name.data()));
    if (::fchmod(fd, mode) != 0) return abandon("cannot set the permissions of " + std::string(name.data()));
    if (::fsync(fd) != 0) return abandon("cannot flush " + std::string(name.data()));
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        return fail(error, "cannot close " + std::string(name.data()), err);
    }
    if (::rename(name.data(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        return fail(error, "cannot replace " + target, err);
    }
    return true;
}

bool writeAllBytes(int fd, std::string_view bytes) { return writeAll(fd, bytes, ::write); }

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    return writeFileAtomicallyWith(path, [bytes](int fd) { return writeAllBytes(fd, bytes); }, error);
}

}  // namespace trakor
