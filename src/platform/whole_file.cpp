// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace trakor {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, int64_t maxBytes, bool* tooLarge,
                   bool* shortened) {
    if (tooLarge) *tooLarge = false;
    if (shortened) *shortened = false;
    bytes.clear();
    // Four system calls a file: a batch reads thousands of small ones.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool good = ::fstat(fd, &st) == 0;
    if (good && maxBytes >= 0 && st.st_size > maxBytes) {
        if (tooLarge) *tooLarge = true;
        good = false;
    }
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
    ::close(fd);
    errno = saved;
    return good;
}

}  // namespace trakor
