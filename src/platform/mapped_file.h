// SPDX-License-Identifier: GPL-3.0-or-later
// A file's bytes mapped read-only into memory for one pass over them, without copying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/guarded_map.h"

namespace trakor {

class MappedFile {
public:
    // false when the file cannot be opened or mapped; an empty file maps to no bytes.
    bool open(const std::string& path);
    const uint8_t* data() const { return map_.data(); }
    size_t size() const { return map_.size(); }
    // Whether another program shortened the file while it was read (the lost bytes read as zeros).
    bool shrank() const { return map_.shrank(); }

private:
    GuardedMapping map_;
};

}  // namespace trakor
