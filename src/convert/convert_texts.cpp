// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/convert_texts.h"

#include <cstdarg>

#include "core/context.h"

namespace trakor {

std::string formatText(const Context& ctx, texts::Text text, ...) {
    va_list args;
    va_start(args, text);
    std::string out = vformatMessage(ctx, text.key, text.english, 256, args);
    va_end(args);
    return out;
}

}  // namespace trakor
