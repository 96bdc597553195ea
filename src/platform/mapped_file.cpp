#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trakor {

MappedFile::~MappedFile() {
    if (map_ != nullptr) ::munmap(map_, size_);
}

bool MappedFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool good = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (good && st.st_size > 0) {
        void* m = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (m == MAP_FAILED) {
            good = false;
        } else {
            ::madvise(m, static_cast<size_t>(st.st_size), MADV_SEQUENTIAL);
            map_ = m;
            data_ = static_cast<const uint8_t*>(m);
            size_ = static_cast<size_t>(st.st_size);
        }
    }
    ::close(fd);
    return good;
}

}  // namespace trakor
