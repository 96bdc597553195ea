// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clipboard.h"

namespace trakor {

bool MemoryClipboard::get(std::string_view format, std::vector<uint8_t>& bytes) const {
    auto it = formats_.find(format);
    if (it == formats_.end()) return false;
    bytes = it->second;
    return true;
}

bool MemoryClipboard::set(std::string_view format, std::vector<uint8_t> bytes) {
    formats_.clear();
    formats_[std::string(format)] = std::move(bytes);
    return true;
}

}  // namespace trakor
