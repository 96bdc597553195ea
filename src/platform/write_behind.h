// SPDX-License-Identifier: GPL-3.0-or-later
// For a file written from start to end and flushed to disk before it is delivered: the disk is
// asked to start writing every few megabytes, without waiting, so the final flush waits less.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trakor {

class WriteBehind {
public:
    static constexpr size_t kStep = size_t{4} << 20;
    // After `n` more bytes reached the file (in the system, not in a buffer of ours) up to `end`.
    void wrote(int fd, size_t n, int64_t end);
    void reset() { started_ = 0, pending_ = 0; }

private:
    int64_t started_ = 0;  // bytes handed to the disk so far
    size_t pending_ = 0;
};

}  // namespace trakor
