// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a whole file into memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trakor {

// Reads a whole file; false when it cannot be opened or read (errno tells why). A file of more
// than maxBytes (when not negative) is not read: false with `tooLarge` set. A file that shrank
// while it was read is read as far as it goes, with `shortened` set. `changed` is set when the
// file was written to while it was read (its size, modification or change time differ after the
// read) or its name now leads to another file: the bytes may mix old and new content.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, int64_t maxBytes = -1,
                   bool* tooLarge = nullptr, bool* shortened = nullptr, bool* changed = nullptr);

// For tests: called with the path once a file is open and measured, before its bytes are read.
void setReadWholeFileHook(void (*hook)(const std::string& path));

}  // namespace trakor
