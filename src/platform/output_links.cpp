// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/output_links.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/atomic_file.h"

namespace trakor {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinks = 40;  // as the kernel's path walk

bool fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// The owners of the link at `link` (already known to be one) and of its folder.
bool ownersOf(const std::string& link, const struct stat& linkStat, LinkOwners& owners) {
    fs::path folder = fs::path(link).parent_path();
    if (folder.empty()) folder = ".";
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return false;
    owners.linkOwner = linkStat.st_uid;
    owners.folderOwner = st.st_uid;
    owners.follower = ::geteuid();
    owners.folderSticky = (st.st_mode & S_ISVTX) != 0;
    owners.folderWritableByAll = (st.st_mode & S_IWOTH) != 0;
    return true;
}

}  // namespace

bool mayFollowLink(const LinkOwners& o) {
    if (!o.folderSticky || !o.folderWritableByAll) return true;
    return o.linkOwner == o.follower || o.linkOwner == o.folderOwner;
}

bool resolveOutputName(const std::string& path, std::string& target, std::string* error) {
    fs::path start(path);
    std::error_code ec;
    if (start.is_relative()) start = fs::current_path(ec) / start;
    // The components still to walk, the next one last; a link puts its own in front of the rest.
    std::vector<std::string> todo;
    const auto walkNext = [&todo](const fs::path& p) {
        const size_t at = todo.size();
        for (const fs::path& c : p.relative_path()) todo.push_back(c.string());
        std::reverse(todo.begin() + static_cast<std::ptrdiff_t>(at), todo.end());
    };
    walkNext(start);
    fs::path at("/");
    for (int links = 0; !todo.empty();) {
        const std::string name = std::move(todo.back());
        todo.pop_back();
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            at = at.parent_path();
            continue;
        }
        const fs::path next = at / name;
        struct stat st {};
        if (::lstat(next.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            at = next;
            continue;
        }
        if (++links > kMaxLinks) return fail(error, path + ": " + std::strerror(ELOOP));
        LinkOwners owners;
        if (!ownersOf(next.string(), st, owners)) return fail(error, "cannot inspect the folder of " + next.string());
        if (!mayFollowLink(owners))
            return fail(error, next.string() +
                                   " is a symbolic link of another user in a folder everyone may write to "
                                   "(sticky): it is not followed");
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(next.c_str(), buf, sizeof buf - 1);
        if (n < 0) return fail(error, "cannot read the link " + next.string() + ": " + std::strerror(errno));
        const fs::path link(std::string(buf, static_cast<size_t>(n)));
        if (link.is_absolute()) at = "/";
        walkNext(link);
    }
    target = at.string();
    return true;
}

bool sameOutput(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::string ta, tb;
    if (!resolveOutputName(a, ta) || !resolveOutputName(b, tb)) return false;
    struct stat sa {}, sb {};
    const bool ea = ::stat(ta.c_str(), &sa) == 0, eb = ::stat(tb.c_str(), &sb) == 0;
    if (ea || eb) return ea && eb && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    // Neither exists yet: the same name once every link is followed.
    return ta == tb;
}

bool existsButNotRegular(const std::string& path, std::string* error) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
    if (error) *error = notRegularFile(path, st.st_mode);
    return true;
}

std::FILE* openOutputStream(const std::string& path, std::string* error) {
    std::string target;
    if (!resolveOutputName(path, target, error)) return nullptr;
    // Not blocking on a FIFO, and never through a link that appeared since the name was resolved.
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    std::FILE* f = nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = notRegularFile(target, st.st_mode);
    } else if (::fcntl(fd, F_SETFL, 0) != 0 || ::ftruncate(fd, 0) != 0 || (f = ::fdopen(fd, "w")) == nullptr) {
        if (error) *error = std::strerror(errno);
    }
    if (f == nullptr) ::close(fd);
    return f;
}

}  // namespace trakor
