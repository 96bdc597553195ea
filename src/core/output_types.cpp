// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/output_types.h"

#include <iterator>

#include "core/file_names.h"

namespace trakor {

const OutputType* outputTypeOf(std::string_view path) {
    const std::string lower = lowerAscii(std::string(path));
    for (const OutputType& t : kOutputTypes)
        if (endsWith(lower, std::string(".") + t.extension)) return &t;
    return nullptr;
}

std::string outputTypeList(const char* OutputType::*field, std::string_view separator, std::string_view last) {
    std::string list;
    const size_t n = std::size(kOutputTypes);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) list += i + 1 == n ? last : separator;
        list += kOutputTypes[i].*field;
    }
    return list;
}

}  // namespace trakor
