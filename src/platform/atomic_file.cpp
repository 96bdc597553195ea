// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include "platform/output_links.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

namespace trakor {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMark = ".trakor3-";
constexpr size_t kRandomLength = 6;  // random letters and digits that end the name
constexpr size_t kMaxNameBytes = 255;

// Flushes a folder's entries, so that a file renamed into it keeps its name after a crash. Best
// effort: the name is in place already, and some file systems cannot flush a folder.
void syncFolder(int dirFd, const char* path) {
    const int fd = ::openat(dirFd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

bool fail(std::string* error, const std::string& what, int err) {
    if (error) *error = what + ": " + std::strerror(err);
    return false;
}

// The name a temporary of `target` starts with, in the target's folder: "<name>.trakor3-", or for
// a name too long for that, ".trakor3-" and a hash of the name, so it still belongs to one file.
std::string temporaryPrefix(const fs::path& target) {
    const std::string name = target.filename().string();
    if (name.size() + std::strlen(kMark) + kRandomLength <= kMaxNameBytes) return name + kMark;
    uint32_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : name) h = (h ^ c) * 16777619u;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x-", h);
    return std::string(kMark) + hex;
}

fs::path folderOf(const fs::path& target) {
    fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

bool isRandomPart(std::string_view s) {
    if (s.size() != kRandomLength) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
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

}  // namespace

LockedTemporary::~LockedTemporary() {
    if (fd_ >= 0) {
        // Only while the name is still this file's: it may have been moved away meanwhile.
        struct stat held {}, named {};
        if (::fstat(fd_, &held) == 0 && ::fstatat(dirFd_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            ::unlinkat(dirFd_, name_.c_str(), 0);
        ::close(fd_);
    }
    if (dirFd_ >= 0) ::close(dirFd_);
}

bool LockedTemporary::create(const std::string& targetPath, std::string* error) {
    const fs::path target(targetPath);
    const fs::path folder = folderOf(target);
    // The folder is held from here on: the temporary is made and renamed in this one folder,
    // whatever its path comes to name meanwhile.
    if (dirFd_ < 0) dirFd_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dirFd_ < 0) return fail(error, "cannot create a temporary file beside " + targetPath, errno);
    const std::string prefix = temporaryPrefix(target);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string name = prefix;
        for (size_t i = 0; i < kRandomLength; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
        // Created like any new file of the user (the umask applies), and only if the name is free.
        int fd = ::openat(dirFd_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return fail(error, "cannot create a temporary file beside " + targetPath, errno);
        }
        // Locked at once: the clean-up of another run never takes a temporary that is locked.
        // One that the clean-up took in between is gone from the folder; then try another.
        struct stat st {};
        int rc;
        do rc = ::flock(fd, LOCK_EX);
        while (rc != 0 && errno == EINTR);
        if (::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            fd_ = fd;
            name_ = name;
            path_ = (folder / name).string();
            return true;
        }
        ::close(fd);
    }
    return fail(error, "cannot create a temporary file beside " + targetPath, EEXIST);
}

bool LockedTemporary::commit(const std::string& target, bool replace, std::string* error) {
    if (fd_ < 0) return fail(error, "no temporary file for " + target, EBADF);
    if (::fsync(fd_) != 0) return fail(error, "cannot flush " + path_, errno);
    // The target is beside the temporary, in the folder held since it was made.
    const std::string name = fs::path(target).filename().string();
    const bool moved = replace ? ::renameat(dirFd_, name_.c_str(), dirFd_, name.c_str()) == 0 : moveWithoutReplacing(name);
    if (!moved) return fail(error, std::string(replace ? "cannot replace " : "cannot create ") + target, errno);
    syncFolder(dirFd_, ".");
    // The lock ends only now that the temporary has its final name.
    ::close(fd_);
    fd_ = -1;
    return true;
}

bool LockedTemporary::moveWithoutReplacing(const std::string& name) {
    if (::renameat2(dirFd_, name_.c_str(), dirFd_, name.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without that rename: a hard link refuses an existing name as well.
    if (::linkat(dirFd_, name_.c_str(), dirFd_, name.c_str(), 0) == 0) {
        ::unlinkat(dirFd_, name_.c_str(), 0);
        return true;
    }
    if (errno == EEXIST) return false;
    struct stat st {};
    if (::fstatat(dirFd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(dirFd_, name_.c_str(), dirFd_, name.c_str()) == 0;
}

namespace {

// Walks the folder of `path` and counts the entries `removeIfStale` removed; it is handed the
// folder's descriptor, the entry's name and the prefix of the path's temporaries.
template <class RemoveIfStale>
int removeInFolderOf(const std::string& path, RemoveIfStale removeIfStale) {
    if (path.empty()) return 0;
    const fs::path target(path);
    const std::string prefix = temporaryPrefix(target);
    DIR* dir = ::opendir(folderOf(target).c_str());
    if (dir == nullptr) return 0;
    const int dirFd = ::dirfd(dir);
    int removed = 0;
    while (const dirent* e = ::readdir(dir))
        if (removeIfStale(dirFd, std::string_view(e->d_name), prefix)) ++removed;
    ::closedir(dir);
    return removed;
}

}  // namespace

int removeStaleTemporaries(const std::string& path) {
    return removeInFolderOf(path, [](int dirFd, std::string_view name, const std::string& prefix) {
        if (!name.starts_with(prefix) || !isRandomPart(name.substr(prefix.size()))) return false;
        const std::string entry(name);
        const int fd = ::openat(dirFd, entry.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat held {}, now {};
        // A writer holds its lock until the temporary has its final name; an unlocked one is left over.
        const bool gone = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
                          ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                          ::fstatat(dirFd, entry.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                          now.st_dev == held.st_dev && now.st_ino == held.st_ino &&
                          ::unlinkat(dirFd, entry.c_str(), 0) == 0;
        ::close(fd);
        return gone;
    });
}

int removeStaleTemporaryFiles(const std::string& path) {
    return removeInFolderOf(path, [](int dirFd, std::string_view name, const std::string& prefix) {
        const size_t end = prefix.size() + kRandomLength;
        if (!name.starts_with(prefix) || name.size() <= end + 1 || name[end] != '.' ||
            !isRandomPart(name.substr(prefix.size(), kRandomLength)))
            return false;
        // The temporary it is named after: a running writer holds it locked.
        const std::string owner(name.substr(0, end)), entry(name);
        const int held = ::openat(dirFd, owner.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        const bool running = held >= 0 && ::flock(held, LOCK_SH | LOCK_NB) != 0;
        if (held >= 0) ::close(held);
        struct stat st {};
        return !running && ::fstatat(dirFd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
               st.st_uid == ::geteuid() && ::unlinkat(dirFd, entry.c_str(), 0) == 0;
    });
}

namespace {
const char* fileKindName(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return S_ISREG(mode) ? "a regular file" : "a special file";
}
}  // namespace

std::string notRegularFile(const std::string& path, mode_t mode) {
    return path + " is " + fileKindName(mode) + ", not a regular file";
}

bool replacementOf(const std::string& path, std::string& target, mode_t& mode, std::string* error,
                   bool followLinks) {
    // Every link on the way is checked; the name changes only when the file's own name is a link.
    std::string resolved;
    if (followLinks && !resolveOutputName(path, resolved, error)) {
        errno = EACCES;
        return false;
    }
    std::error_code ec;
    target = followLinks && std::filesystem::is_symlink(path, ec) ? resolved : path;

    mode = 0644;
    struct stat st {};
    // A link at an already resolved name is replaced like a missing file.
    const int found = followLinks ? ::stat(target.c_str(), &st) : ::lstat(target.c_str(), &st);
    if (found == 0 && !S_ISLNK(st.st_mode)) {
        if (!S_ISREG(st.st_mode)) {
            if (error) *error = notRegularFile(target, st.st_mode);
            errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        // A read-only file (no owner write permission) stays as it is, even for root.
        if ((st.st_mode & S_IWUSR) == 0) return fail(error, target + " is read-only", EACCES);
        if (::access(target.c_str(), W_OK) != 0) return fail(error, "cannot write " + target, errno);
        // A new file under the name would leave the other names with the old content.
        if (st.st_nlink > 1) {
            if (error)
                *error = target + " has " + std::to_string(st.st_nlink - 1) +
                         " other hard link(s), which would keep the old content; remove them or write to another name";
            errno = EMLINK;
            return false;
        }
        mode = st.st_mode & 07777;
    } else if (found != 0 && errno != ENOENT) {
        return fail(error, "cannot inspect " + target, errno);
    }
    return true;
}

bool writeFileAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill, std::string* error,
                             bool followLinks) {
    std::string target;
    mode_t mode = 0;
    if (!replacementOf(path, target, mode, error, followLinks)) return false;
    removeStaleTemporaries(target);
    LockedTemporary tmp;
    if (!tmp.create(target, error)) {
        // The file alone may be writable: say why that is not enough.
        if (errno == EACCES && error != nullptr && ::access(target.c_str(), W_OK) == 0)
            *error += " (a file is replaced through a new file beside it, and its folder cannot be written)";
        return false;
    }
    if (!fill(tmp.fd())) return fail(error, "cannot write " + tmp.path(), errno);
    // Not through a link that appeared meanwhile: the rename replaces such a link, not its target.
    struct stat old {};
    const std::string name = fs::path(target).filename().string();
    if (::fstatat(tmp.folderFd(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode)) {
        if (!giveAttributesOf(old, target, tmp.fd(), error)) return false;
    } else if (::fchmod(tmp.fd(), mode) != 0) {
        return fail(error, "cannot set the permissions of " + tmp.path(), errno);
    }
    return tmp.commit(target, true, error);
}

bool moveFileOver(const std::string& source, const std::string& path, std::string* error,
                  int (*renameFn)(const char*, const char*), bool followLinks) {
    std::string target;
    mode_t mode = 0;
    if (!replacementOf(path, target, mode, error, followLinks)) return false;
    // What interrupted replacements of the target left goes, as when it is written.
    removeStaleTemporaries(target);
    const int fd = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return fail(error, "cannot open " + source, errno);
    struct stat from {}, folder {};
    bool ok = ::fstat(fd, &from) == 0 && S_ISREG(from.st_mode) && from.st_uid == ::geteuid() &&
              ::stat(folderOf(fs::path(target)).c_str(), &folder) == 0;
    int err = ok ? 0 : EINVAL;
    // A file made in the target's folder gets the folder's group there (set-group-ID folder) and
    // its default access rules: a file moved in keeps its own, so such folders get a copy.
    // An old file of another owner or group, or with extended attributes, keeps them only in a copy.
    struct stat old {};
    const bool oldDiffers = (followLinks ? ::stat(target.c_str(), &old) : ::lstat(target.c_str(), &old)) == 0 &&
                            S_ISREG(old.st_mode) &&
                            (old.st_uid != from.st_uid || old.st_gid != from.st_gid ||
                             ::listxattr(target.c_str(), nullptr, 0) > 0);
    if (ok && (oldDiffers || from.st_dev != folder.st_dev ||
               from.st_gid != ((folder.st_mode & S_ISGID) != 0 ? folder.st_gid : ::getegid()) ||
               ::getxattr(folderOf(fs::path(target)).c_str(), "system.posix_acl_default", nullptr, 0) > 0)) {
        ok = false;
        err = EXDEV;
    }
    // The permission bits the copy would get, the bytes on the disk, then the name; a file
    // that stays gets its own bits back.
    if (ok) {
        if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0 || renameFn(source.c_str(), target.c_str()) != 0) {
            ok = false;
            err = errno;
            ::fchmod(fd, from.st_mode & 07777);
        }
    }
    ::close(fd);
    if (ok) syncFolder(AT_FDCWD, folderOf(fs::path(target)).c_str());
    return ok || fail(error, "cannot move " + source + " to " + target, err);
}

bool giveAttributesOf(const struct stat& original, const std::string& originalPath, int fd, std::string* error) {
    // Owner first: a change of owner clears the set-ID bits the mode then sets again.
    if (::fchown(fd, original.st_uid, original.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), original.st_gid);
    if (::fchmod(fd, original.st_mode & 07777) != 0) return fail(error, "cannot set the permissions", errno);
    // Extended attributes, access rules among them; a file system without them has none to copy.
    const ssize_t listSize = ::listxattr(originalPath.c_str(), nullptr, 0);
    if (listSize <= 0) return true;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::listxattr(originalPath.c_str(), names.data(), names.size());
    for (size_t at = 0; got > 0 && at < static_cast<size_t>(got);) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        const ssize_t valueSize = ::getxattr(originalPath.c_str(), name, nullptr, 0);
        if (valueSize < 0) continue;
        std::vector<char> value(static_cast<size_t>(valueSize));
        const ssize_t read = ::getxattr(originalPath.c_str(), name, value.data(), value.size());
        if (read >= 0) (void)::fsetxattr(fd, name, value.data(), static_cast<size_t>(read), 0);
    }
    return true;
}

bool writeAllBytes(int fd, std::string_view bytes) { return writeAll(fd, bytes, ::write); }

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    return writeFileAtomicallyWith(path, [bytes](int fd) { return writeAllBytes(fd, bytes); }, error);
}

bool createFileAtomically(const std::string& path, const std::function<bool(int fd)>& fill, std::string* error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) return fail(error, path + " exists", EEXIST);
    removeStaleTemporaries(path);
    LockedTemporary tmp;
    if (!tmp.create(path, error)) return false;
    if (!fill(tmp.fd())) return fail(error, "cannot write " + tmp.path(), errno);
    return tmp.commit(path, false, error);
}

}  // namespace trakor
