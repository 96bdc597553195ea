// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/write_behind.h"

#include <fcntl.h>

namespace trakor {

void WriteBehind::wrote(int fd, size_t n, int64_t end) {
    if ((pending_ += n) < kStep) return;
    // A hint only: a file system without it writes at the flush as before.
    if (end > started_) ::sync_file_range(fd, started_, end - started_, SYNC_FILE_RANGE_WRITE);
    started_ = end;
    pending_ = 0;
}

}  // namespace trakor
