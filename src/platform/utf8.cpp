// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/utf8.h"

namespace trakor {

namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

size_t utf8Decode(std::string_view s, size_t i, uint32_t& codePoint) {
    if (i >= s.size()) return 0;
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    if (c < 0x80) {
        codePoint = c;
        return 1;
    }
    size_t n;
    uint32_t min;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) n = 2, min = 0x80, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) n = 3, min = 0x800, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) n = 4, min = 0x10000, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return 0;
    codePoint = cp;
    return n;
}

size_t utf8SequenceLength(std::string_view s, size_t i) {
    uint32_t cp;
    return utf8Decode(s, i, cp);
}

bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        size_t n = utf8SequenceLength(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string_view utf8PrefixBytes(std::string_view s, size_t maxBytes) {
    if (s.size() <= maxBytes) return s;
    size_t end = maxBytes;
    while (end > 0 && isContinuation(s[end])) --end;
    return s.substr(0, end);
}

size_t utf8CharCount(std::string_view s) {
    size_t n = 0;
    for (char c : s)
        if (!isContinuation(c)) ++n;
    return n;
}

std::string_view utf8PrefixChars(std::string_view s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (isContinuation(s[i])) continue;
        if (chars == n) return s.substr(0, i);
        ++chars;
    }
    return s;
}

}  // namespace trakor
