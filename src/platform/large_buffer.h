// An uninitialised byte buffer for a whole input file, on huge pages where the system offers them
// (far fewer page faults for a file of megabytes).
#pragma once

#include <cstddef>
#include <cstdint>

namespace trakor {

class LargeBuffer {
public:
    LargeBuffer() = default;
    ~LargeBuffer();
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    // Room for `size` bytes; false when the memory cannot be had.
    bool allocate(size_t size);
    uint8_t* data() const { return data_; }

private:
    uint8_t* data_ = nullptr;
    size_t mapped_ = 0;
};

}  // namespace trakor
