// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unit_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstring>

namespace trakor {

namespace {

constexpr const char* kTempMark = ".trakor3-";
constexpr const char* kTempEnd = ".tmp";

bool fail(std::string* error, const std::string& what, int err) {
    if (error) *error = what + ": " + std::strerror(err);
    errno = err;
    return false;
}

std::string joined(const std::string& folder, const std::string& name) {
    if (name.empty()) return folder;
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// A descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd_, o.fd_);
        return *this;
    }
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

// A folder below the open root: the kernel refuses every resolution that leaves the root, through
// ".." or a symbolic link (EXDEV). Returns -1 with errno ENOSYS where the kernel lacks the call.
int openBeneathKernel(int rootFd, const std::string& relative) {
    struct open_how how {};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, rootFd, relative.c_str(), &how, sizeof how);
    if (fd < 0 && (errno == EPERM || errno == E2BIG)) errno = ENOSYS;  // filtered or too old
    return static_cast<int>(fd);
}

// The same by a walk that follows no symbolic link at all (EXDEV for one).
int openBeneathWalk(int rootFd, const std::string& relative) {
    Fd cur(::dup(rootFd));
    const auto parts = unitPathComponents(relative);
    if (!parts) {
        errno = EXDEV;
        return -1;
    }
    for (const std::string& part : *parts) {
        struct stat st {};
        if (::fstatat(cur.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
            errno = EXDEV;
            return -1;
        }
        Fd next(::openat(cur.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.ok()) return -1;
        cur = std::move(next);
    }
    const int fd = ::dup(cur.get());
    return fd;
}

int openBeneath(int rootFd, const std::string& relative, UnitResolver resolver) {
    if (relative.empty()) return ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    if (resolver == UnitResolver::Kernel) {
        const int fd = openBeneathKernel(rootFd, relative);
        if (fd >= 0 || errno != ENOSYS) return fd;
    }
    return openBeneathWalk(rootFd, relative);
}

// The entry of the open folder named `name` in any case (an exact match first); empty when none.
std::string entryNoCase(int folderFd, const std::string& name) {
    struct stat st {};
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return name;
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {};
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return {};
    }
    std::string found;
    while (const dirent* e = ::readdir(dir)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The unit's folder, opened beneath its root; -1 with errno (EXDEV: it leads out).
int openFolder(const UnitFolder& folder, UnitResolver resolver = UnitResolver::Kernel) {
    Fd root(::open(folder.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.ok()) return -1;
    return openBeneath(root.get(), folder.relative, resolver);
}

bool plainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

// Writes all bytes; false with errno set on failure.
bool writeAll(int fd, std::string_view bytes, ssize_t (*writeFn)(int, const void*, size_t)) {
    while (!bytes.empty()) {
        const ssize_t n = writeFn(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes a new file `name` in the folder with the bytes, closes it and checks its size as the file
// system then reports it (an MTP unit takes the file only when it is closed); the file is removed
// again when any step fails.
bool writeNewFile(int dirFd, const std::string& name, const std::string& shownPath, std::string_view bytes,
                  const DeviceFileCalls& calls, std::string* error) {
    const int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return fail(error, shownPath, errno);
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
    if (ok && (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
               static_cast<size_t>(st.st_size) != bytes.size())) {
        ok = false;
        err = EIO;
    }
    if (!ok) {
        ::unlinkat(dirFd, name.c_str(), 0);
        return fail(error, shownPath, err);
    }
    return true;
}

// The process that a temporary's name ".trakor3-<PID>.tmp" names; 0 when the name is not one.
pid_t temporaryOwner(std::string_view name) {
    const size_t mark = std::strlen(kTempMark), end = std::strlen(kTempEnd);
    if (!name.starts_with(kTempMark) || !name.ends_with(kTempEnd) || name.size() <= mark + end) return 0;
    const std::string_view digits = name.substr(mark, name.size() - mark - end);
    if (digits.size() > 9) return 0;
    pid_t pid = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

std::string temporaryName() { return kTempMark + std::to_string(::getpid()) + kTempEnd; }

}  // namespace

std::optional<std::vector<std::string>> unitPathComponents(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) return std::nullopt;
    if (!path.empty() && (path.front() == '/' || path.front() == '\\')) return std::nullopt;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t sep = path.find_first_of("/\\", start);
        if (sep == std::string_view::npos) sep = path.size();
        const std::string_view part = path.substr(start, sep - start);
        if (part == "..") return std::nullopt;
        // "E:" names another drive on the unit's home system.
        if (parts.empty() && part.size() == 2 && part[1] == ':') return std::nullopt;
        if (!part.empty() && part != ".") parts.emplace_back(part);
        start = sep + 1;
    }
    return parts;
}

std::string UnitFolder::path() const { return joined(root, relative); }

std::string UnitFolder::file(const std::string& name) const { return joined(path(), name); }

UnitLookup findUnitFolder(const std::string& root, std::string_view path, bool create, UnitFolder& folder,
                          std::string* error, UnitResolver resolver) {
    folder = UnitFolder{root, {}};
    const std::string shown = joined(root, std::string(path));
    const auto parts = unitPathComponents(path);
    if (!parts) {
        if (error) *error = shown;
        return UnitLookup::Outside;
    }
    Fd rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFd.ok()) {
        fail(error, root, errno);
        return UnitLookup::Failed;
    }
    Fd here(::fcntl(rootFd.get(), F_DUPFD_CLOEXEC, 0));
    for (const std::string& part : *parts) {
        std::string name = entryNoCase(here.get(), part);
        if (name.empty()) {
            name = part;
            if (!create) {
                fail(error, folder.file(name), ENOENT);
                return UnitLookup::Failed;
            }
            if (::mkdirat(here.get(), name.c_str(), 0755) != 0 && errno != EEXIST) {
                fail(error, folder.file(name), errno);
                return UnitLookup::Failed;
            }
        }
        const std::string next = joined(folder.relative, name);
        // Each step is resolved from the root again, so a link on the way is checked as a whole.
        Fd opened(openBeneath(rootFd.get(), next, resolver));
        if (!opened.ok()) {
            const int err = errno;
            if (err == EXDEV || err == ELOOP) {
                if (error) *error = folder.file(name);
                return UnitLookup::Outside;
            }
            fail(error, folder.file(name), err);
            return UnitLookup::Failed;
        }
        here = std::move(opened);
        folder.relative = next;
    }
    return UnitLookup::Found;
}

std::string unitEntryNoCase(const UnitFolder& folder, const std::string& name) {
    Fd dir(openFolder(folder));
    return dir.ok() && plainName(name) ? entryNoCase(dir.get(), name) : std::string();
}

bool writeFileToUnit(const UnitFolder& folder, const std::string& name, std::string_view bytes, std::string* error,
                     const DeviceFileCalls& calls) {
    const std::string path = folder.file(name);
    if (!plainName(name)) return fail(error, path, EINVAL);
    // Resolved again: the folder was checked when the run began, and may have been replaced since.
    Fd dir(openFolder(folder));
    if (!dir.ok()) return fail(error, folder.path(), errno);
    const std::string tmp = temporaryName();
    ::unlinkat(dir.get(), tmp.c_str(), 0);  // a leftover of a run that had this process number
    if (!writeNewFile(dir.get(), tmp, path, bytes, calls, error)) return false;
    if (calls.renameat(dir.get(), tmp.c_str(), dir.get(), name.c_str()) == 0) return true;
    // gvfs's MTP back end refuses renames: the file is written in place, replacing an old one.
    ::unlinkat(dir.get(), tmp.c_str(), 0);
    if (::unlinkat(dir.get(), name.c_str(), 0) != 0 && errno != ENOENT) return fail(error, path, errno);
    return writeNewFile(dir.get(), name, path, bytes, calls, error);
}

int removeStaleUnitTemporaries(const UnitFolder& folder) {
    Fd dirFd(openFolder(folder));
    if (!dirFd.ok()) return 0;
    const int listFd = ::openat(dirFd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (dir == nullptr) {
        if (listFd >= 0) ::close(listFd);
        return 0;
    }
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        const pid_t pid = temporaryOwner(e->d_name);
        // A process of another user answers EPERM: it runs.
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        struct stat st {};
        if (::fstatat(dirFd.get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid() && ::unlinkat(dirFd.get(), e->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace trakor
