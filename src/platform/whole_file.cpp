// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace trakor {

namespace {

void (*readHook)(const std::string&) = nullptr;

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether the open file `fd`, measured as `before`, was written to since or `path` now names
// another file.
bool changedSince(int fd, const std::string& path, const struct stat& before) {
    struct stat held {}, named {};
    if (::fstat(fd, &held) != 0 || held.st_size != before.st_size || !sameTime(held.st_mtim, before.st_mtim) ||
        !sameTime(held.st_ctim, before.st_ctim))
        return true;
    return ::stat(path.c_str(), &named) == 0 && (named.st_dev != held.st_dev || named.st_ino != held.st_ino);
}

}  // namespace

void setReadWholeFileHook(void (*hook)(const std::string& path)) { readHook = hook; }

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, int64_t maxBytes, bool* tooLarge,
                   bool* shortened, bool* changed) {
    if (tooLarge) *tooLarge = false;
    if (shortened) *shortened = false;
    if (changed) *changed = false;
    bytes.clear();
    // Few system calls a file: a batch reads thousands of small ones.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool good = ::fstat(fd, &st) == 0;
    if (good && maxBytes >= 0 && st.st_size > maxBytes) {
        if (tooLarge) *tooLarge = true;
        good = false;
    }
    if (good && readHook) readHook(path);
    if (good && st.st_size > 0) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                // A file that shrank while being read is read as far as it goes.
                if (n < 0) good = false;
                if (n == 0 && shortened) *shortened = true;
                bytes.resize(done);
                break;
            }
            done += static_cast<size_t>(n);
        }
    }
    const int saved = errno;
    if (good && changed) *changed = changedSince(fd, path, st);
    ::close(fd);
    errno = saved;
    return good;
}

}  // namespace trakor
