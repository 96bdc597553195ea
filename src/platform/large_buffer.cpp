#include "platform/large_buffer.h"

#include <sys/mman.h>

namespace trakor {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}

LargeBuffer::~LargeBuffer() {
    if (data_) ::munmap(data_, mapped_);
}

bool LargeBuffer::allocate(size_t size) {
    if (data_) ::munmap(data_, mapped_);
    data_ = nullptr;
    // A whole number of huge pages, with one more for aligning the start to a huge page.
    size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    if (rounded < size) return false;
    if (rounded == 0) rounded = kHugePage;
    const size_t length = rounded + kHugePage;
    if (length < rounded) return false;
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return false;
    // Only the huge-page aligned part is kept; the head before it and the tail after it go back.
    const uintptr_t start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    const size_t head = aligned - start, tail = length - head - rounded;
    if (head > 0) ::munmap(p, head);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + rounded), tail);
    data_ = reinterpret_cast<uint8_t*>(aligned);
    mapped_ = rounded;
    ::madvise(data_, mapped_, MADV_HUGEPAGE);  // advice only: ordinary pages serve as well
    return true;
}

}  // namespace trakor
