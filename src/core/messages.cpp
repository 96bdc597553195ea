// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/messages.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "core/context.h"

namespace trakor {

std::string captionFor(std::string_view appName, std::string_view key) {
    if (key.empty() || key.front() != '$') return std::string(key);
    return std::string(appName) + " (" + std::string(key) + ")";
}

std::string messageText(const Context& ctx, const char* key, const char* english, size_t limit) {
    if (ctx.settings.Language == 0 || ctx.texts == nullptr) return english;
    // An empty translation is a valid text; a missing one comes back as the key itself.
    return ctx.texts->lookup(key, limit);
}

std::string formatSignature(std::string_view f) {
    std::string sig;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') continue;
        ++i;
        while (i < f.size() && std::string_view("-+ #0123456789.lhzjt").find(f[i]) != std::string_view::npos) ++i;
        if (i < f.size()) sig += f[i];
    }
    return sig;
}

namespace {
std::string vformat(const std::string& format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    if (n < 0) return format;
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), format.c_str(), args);
    return std::string(buf.data(), static_cast<size_t>(n));
}
}  // namespace

std::string vformatMessage(const Context& ctx, const char* key, const char* english, size_t limit, va_list args) {
    std::string format = messageText(ctx, key, english, limit);
    if (formatSignature(format) != formatSignature(english)) format = english;
    return formatSignature(english).empty() ? format : vformat(format, args);
}

std::string formatMessage(const Context& ctx, const char* key, const char* english, size_t limit, ...) {
    va_list args;
    va_start(args, limit);
    std::string text = vformatMessage(ctx, key, english, limit, args);
    va_end(args);
    return text;
}

Answer tell(Context& ctx, const char* key, const char* english, MsgStyle style, ...) {
    va_list args;
    va_start(args, style);
    std::string text = vformatMessage(ctx, key, english, 256, args);
    va_end(args);
    if (ctx.notifier == nullptr) return style == MsgStyle::QuestionCancel ? Answer::Cancel : Answer::No;
    return ctx.notifier->notify(key, text, style);
}

Answer tellLiteral(Context& ctx, const char* caption, const std::string& text, MsgStyle style) {
    if (ctx.notifier == nullptr) return Answer::Ok;
    return ctx.notifier->notify(caption, text, style);
}

}  // namespace trakor
