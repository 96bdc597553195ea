// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trakor {

bool MappedFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    const bool good = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && map_.map(fd, static_cast<size_t>(st.st_size));
    ::close(fd);
    return good;
}

}  // namespace trakor
