// Reading a whole file into memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trakor {

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

}  // namespace trakor
