// SPDX-License-Identifier: GPL-3.0-or-later
// A file mapped read-only for one pass over its bytes, without copying them. Another program may
// shorten the file while it is mapped; the pages past its new end then read as zeros instead of
// stopping this program with SIGBUS, and shrank() tells the reader that its bytes are not whole.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace trakor {

class GuardedMapping {
public:
    GuardedMapping() = default;
    ~GuardedMapping();
    GuardedMapping(const GuardedMapping&) = delete;
    GuardedMapping& operator=(const GuardedMapping&) = delete;

    // Maps `size` bytes of the open file fd (which may be closed afterwards); false when it
    // cannot be mapped. An empty file maps to no bytes. A handful of mappings are guarded at once;
    // beyond them a mapping is a plain one.
    bool map(int fd, size_t size);
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    // Whether a page past the file's end was read since the mapping was made.
    bool shrank() const { return shrank_.load(std::memory_order_relaxed); }

    // For the signal handler: true when the address lies in a guarded mapping and was replaced
    // by a page of zeros.
    static bool coverFault(const void* address);

private:
    void release();

    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;
    int slot_ = -1;
    std::atomic<bool> shrank_{false};
};

}  // namespace trakor
