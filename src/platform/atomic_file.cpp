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
}  // namespace

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

bool writeAllBytes(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    return writeFileAtomicallyWith(path, [bytes](int fd) { return writeAllBytes(fd, bytes); }, error);
}

}  // namespace trakor
