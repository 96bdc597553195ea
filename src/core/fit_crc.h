// SPDX-License-Identifier: GPL-3.0-or-later
// The CRC-16 of the FIT protocol, over the header and over the whole file: written by the FIT
// course writer, checked by the FIT reader.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trakor {

// CRC-16 of the FIT protocol over `size` bytes, continuing from `crc`.
uint16_t fitCrc(const uint8_t* bytes, size_t size, uint16_t crc = 0);

}  // namespace trakor
