#include "platform/whole_file.h"

#include <sys/types.h>

#include <cstdio>

namespace trakor {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    bool good = true;
    if (fseeko(f, 0, SEEK_END) == 0) {
        off_t n = ftello(f);
        if (n > 0) {
            fseeko(f, 0, SEEK_SET);
            bytes.resize(static_cast<size_t>(n));
            good = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
        }
    } else {
        good = false;
    }
    std::fclose(f);
    return good;
}

}  // namespace trakor
