// SPDX-License-Identifier: GPL-3.0-or-later
// The check a GDB result passes before it is delivered: read back with the program's own record
// readers, it must hold a whole header, records whose lengths and layouts fit the file's version
// letter, strings that end inside their record, and an end record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trakor {

struct ResultCheck {
    bool ok = true;
    int32_t record = 0;  // number of the failing data record (1 = the first after the header); 0: the header
    std::string reason;  // what was wrong, in a few English words
};

// Checks a GDB image held in memory.
ResultCheck checkGdbImage(const uint8_t* data, size_t size);
// Checks a GDB file; a file that cannot be read fails at record 0.
ResultCheck checkGdbFile(const std::string& path);

}  // namespace trakor
