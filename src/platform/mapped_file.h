// A file's bytes mapped read-only into memory for one pass over them, without copying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trakor {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // false when the file cannot be opened or mapped; an empty file maps to no bytes.
    bool open(const std::string& path);
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    void* map_ = nullptr;
};

}  // namespace trakor
