// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wine_registry.h"

#include <cstdint>
#include <fstream>

#include "platform/utf8.h"

namespace trakor {

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes an escaped name or string starting at `pos` up to the unescaped `terminator`.
// Wine writes characters above 127 as \xHHHH UTF-16 units, control characters as C escapes
// or octal. On success `pos` stands after the terminator.
std::optional<std::string> decodeEscaped(std::string_view s, size_t& pos, char terminator) {
    std::string out;
    uint32_t highSurrogate = 0;
    auto emit = [&](uint32_t unit) {
        if (unit >= 0xD800 && unit < 0xDC00) {
            if (highSurrogate) appendUtf8(out, 0xFFFD);
            highSurrogate = unit;
            return;
        }
        if (unit >= 0xDC00 && unit < 0xE000 && highSurrogate) {
            appendUtf8(out, 0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
            highSurrogate = 0;
            return;
        }
        if (highSurrogate) appendUtf8(out, 0xFFFD);
        highSurrogate = 0;
        if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;
        appendUtf8(out, unit);
    };
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == terminator) {
            if (highSurrogate) appendUtf8(out, 0xFFFD);
            return out;
        }
        if (c != '\\' || pos >= s.size()) {
            if (highSurrogate) {
                appendUtf8(out, 0xFFFD);
                highSurrogate = 0;
            }
            out += c;
            continue;
        }
        char e = s[pos++];
        switch (e) {
            case 'n': emit('\n'); break;
            case 'r': emit('\r'); break;
            case 't': emit('\t'); break;
            case 'a': emit('\a'); break;
            case 'b': emit('\b'); break;
            case 'e': emit(0x1B); break;
            case 'f': emit('\f'); break;
            case 'v': emit('\v'); break;
            case 'x': {
                uint32_t v = 0;
                int n = 0;
                while (n < 4 && pos < s.size() && hexDigit(s[pos]) >= 0) v = v * 16 + hexDigit(s[pos++]), ++n;
                if (n == 0) {
                    emit('x');
                } else {
                    emit(v);
                }
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t v = e - '0';
                    int n = 1;
                    while (n < 3 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7') v = v * 8 + (s[pos++] - '0'), ++n;
                    emit(v);
                } else {
                    emit(static_cast<unsigned char>(e));  // \\ and \" and anything unknown: the character itself
                }
        }
    }
    return std::nullopt;  // no terminator on this line
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// Key path with single separators and no separator at either end.
std::string normaliseKeyPath(std::string_view path) {
    std::string out;
    for (char c : path) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

std::optional<uint64_t> parseHexNumber(std::string_view s, size_t maxDigits) {
    uint64_t v = 0;
    size_t n = 0;
    while (n < s.size() && hexDigit(s[n]) >= 0) {
        if (n == maxDigits) return std::nullopt;
        v = v * 16 + static_cast<uint64_t>(hexDigit(s[n]));
        ++n;
    }
    if (n == 0) return std::nullopt;
    return v;
}

// The text of a value's data: strings decoded, numbers as decimal, other types nullopt.
std::optional<std::string> decodeData(std::string_view data) {
    size_t pos = 0;
    if (data.starts_with("\"")) {
        pos = 1;
        return decodeEscaped(data, pos, '"');
    }
    if (data.starts_with("str(")) {
        size_t colon = data.find("):\"");
        if (colon == std::string_view::npos) return std::nullopt;
        pos = colon + 3;
        return decodeEscaped(data, pos, '"');
    }
    if (data.starts_with("dword:")) {
        auto v = parseHexNumber(data.substr(6), 8);
        if (!v) return std::nullopt;
        return std::to_string(*v);
    }
    if (data.starts_with("hex(b):")) {  // qword: eight little-endian bytes
        std::string_view bytes = data.substr(7);
        uint64_t v = 0;
        int n = 0;
        for (size_t i = 0; i < bytes.size() && n < 8;) {
            auto b = parseHexNumber(bytes.substr(i, 2), 2);
            if (!b) return std::nullopt;
            v |= *b << (8 * n++);
            i += 2;
            if (i < bytes.size() && bytes[i] == ',') ++i;
        }
        if (n != 8) return std::nullopt;
        return std::to_string(v);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> readWineRegistryValue(const std::string& regFile, std::string_view keyPath,
                                                 std::string_view valueName) {
    std::ifstream in(regFile, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string wantedKey = normaliseKeyPath(keyPath);
    const std::string_view wantedValue = (valueName == "@") ? std::string_view() : valueName;

    bool inKey = false;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view l(line);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
        if (l.empty()) continue;
        if (l.front() == '[') {
            size_t pos = 1;
            auto name = decodeEscaped(l, pos, ']');
            inKey = name && equalsNoCase(normaliseKeyPath(*name), wantedKey);
            continue;
        }
        if (!inKey) continue;
        std::string name;
        size_t pos = 0;
        if (l.front() == '@') {
            pos = 1;
        } else if (l.front() == '"') {
            pos = 1;
            auto n = decodeEscaped(l, pos, '"');
            if (!n) continue;
            name = std::move(*n);
        } else {
            continue;  // comments, #time lines, continuation lines of hex data
        }
        if (pos >= l.size() || l[pos] != '=') continue;
        if (!equalsNoCase(name, wantedValue)) continue;
        return decodeData(l.substr(pos + 1));
    }
    return std::nullopt;
}

std::string winePrefix(const Environment& env) {
    if (auto p = env.nonEmpty("WINEPREFIX")) return *p;
    return env.get("HOME").value_or("") + "/.wine";
}

std::string winePrefix() { return winePrefix(Environment::fromProcess()); }

}  // namespace trakor
