#include "core/fit_crc.h"

namespace trakor {

uint16_t fitCrc(const uint8_t* bytes, size_t size, uint16_t crc) {
    static constexpr uint16_t kTable[16] = {0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00, 0x2800, 0xE401,
                                            0xA001, 0x6C00, 0x7800, 0xB401, 0x5000, 0x9C01, 0x8801, 0x4400};
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = bytes[i];
        uint16_t t = kTable[crc & 0xF];
        crc = static_cast<uint16_t>(((crc >> 4) & 0x0FFF) ^ t ^ kTable[b & 0xF]);
        t = kTable[crc & 0xF];
        crc = static_cast<uint16_t>(((crc >> 4) & 0x0FFF) ^ t ^ kTable[(b >> 4) & 0xF]);
    }
    return crc;
}

}  // namespace trakor
