#include "convert/convert_texts.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "core/context.h"

namespace trakor {

std::string formatText(const Context& ctx, const texts::Text& text, ...) {
    std::string format = messageText(ctx, text.key, text.english);
    // A translation whose placeholders differ from the English ones is not safe as a format.
    if (formatSignature(format) != formatSignature(text.english)) format = text.english;
    va_list args;
    va_start(args, text);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    std::string out = format;
    if (n >= 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), format.c_str(), args);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

}  // namespace trakor
