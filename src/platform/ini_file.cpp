// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ini_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/text_encoding.h"
#include "platform/utf8.h"

namespace trakor {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::uintmax_t kMaxIniSize = 16u << 20;  // larger files are not settings files

std::string_view trim(std::string_view s) {
    size_t b = s.find_first_not_of(kBlanks);
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The section name of a header line "[Name]", or nullopt for any other line.
std::optional<std::string_view> sectionOf(std::string_view line) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// Name and value of a "name=value" line; comments and lines without '=' have none.
bool splitEntry(std::string_view line, std::string_view& name, std::string_view& value) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') return false;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    name = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

std::string utf8ToUtf16(std::string_view bytes, bool bigEndian) {
    // Lines set from elsewhere are ASCII; text that is not UTF-8 is taken as Windows-1252.
    const std::string text = toUtf8(bytes);
    std::string out;
    out.reserve(text.size() * 2 + 2);
    const auto put = [&](uint32_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    put(0xFEFF);
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = 0xFFFD;
        const size_t n = utf8Decode(text, i, cp);
        i += n == 0 ? 1 : n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

}  // namespace

int32_t profileInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char p = text[i + 1];
        if (p == 'x' || p == 'X') base = 16;
        else if (p == 'o' || p == 'O') base = 8;
        else if (p == 'b' || p == 'B') base = 2;
        if (base != 10) i += 2;
    }
    uint32_t v = 0;  // unsigned, so an overlong number wraps as on Windows
    for (; i < text.size(); ++i) {
        char c = text[i];
        uint32_t d;
        if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
        else break;
        if (d >= base) break;
        v = v * base + d;
    }
    if (negative) v = 0u - v;
    return static_cast<int32_t>(v);
}

bool IniFile::load(const std::string& path) {
    parse({});
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (ec) {
        // A missing file (or folder) is an empty document.
        return ec == std::errc::no_such_file_or_directory;
    }
    if (!std::filesystem::is_regular_file(status)) return false;
    if (std::filesystem::file_size(path, ec) > kMaxIniSize || ec) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    parse(ss.str());
    return true;
}

void IniFile::parse(std::string_view bytes) {
    lines_.clear();
    eol_.assign(1, '\n');
    std::string decoded;
    std::string_view text = bytes;
    encoding_ = Encoding::Bytes;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        encoding_ = Encoding::Utf8Bom;
        text.remove_prefix(3);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        // Saved as "Unicode": read as UTF-8 here, written back as UTF-16 of the same byte order.
        const bool bigEndian = bytes[0] == '\xFE';
        encoding_ = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
        decoded = utf16ToUtf8(bytes.substr(2), bigEndian);
        text = decoded;
    }
    size_t lf = text.find('\n');
    if (lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r') eol_ = "\r\n";
    finalEol_ = text.empty() || text.back() == '\n';
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        pos = end + 1;
    }
}

std::optional<IniFile::Range> IniFile::findSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        auto s = sectionOf(lines_[i]);
        if (!s || !equalsNoCase(*s, section)) continue;
        size_t end = i + 1;
        while (end < lines_.size() && !sectionOf(lines_[end])) ++end;
        return Range{i, i + 1, end};
    }
    return std::nullopt;
}

std::optional<size_t> IniFile::findName(const Range& r, std::string_view name) const {
    for (size_t i = r.first; i < r.end; ++i) {
        std::string_view n, v;
        if (splitEntry(lines_[i], n, v) && equalsNoCase(n, name)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view name) const {
    auto r = findSection(section);
    if (!r) return std::nullopt;
    auto i = findName(*r, name);
    if (!i) return std::nullopt;
    std::string_view n, v;
    splitEntry(lines_[*i], n, v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

int32_t IniFile::intValue(std::string_view section, std::string_view name, int32_t fallback) const {
    auto v = value(section, name);
    if (!v || v->empty()) return fallback;
    return profileInt(*v);
}

void IniFile::set(std::string_view section, std::string_view name, std::string_view value) {
    auto r = findSection(section);
    if (!r) {
        if (!lines_.empty() && !trim(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back(std::string("[").append(section).append("]"));
        lines_.push_back(std::string(name) + "=" + std::string(value));
        finalEol_ = true;
        return;
    }
    if (auto i = findName(*r, name)) {
        // Keep the name as the file spells it.
        std::string_view n, v;
        splitEntry(lines_[*i], n, v);
        lines_[*i] = std::string(n) + "=" + std::string(value);
        return;
    }
    // Append after the section's last non-blank line, so blank separators stay below it.
    size_t at = r->end;
    while (at > r->first && trim(lines_[at - 1]).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(name) + "=" + std::string(value));
    if (at == lines_.size() - 1) finalEol_ = true;
}

bool IniFile::remove(std::string_view section, std::string_view name) {
    auto r = findSection(section);
    if (!r) return false;
    bool removed = false;
    while (auto i = findName(*r, name)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*i));
        --r->end;
        removed = true;
    }
    return removed;
}

std::string IniFile::text() const {
    std::string out = encoding_ == Encoding::Utf8Bom ? "\xEF\xBB\xBF" : "";
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalEol_) out += eol_;
    }
    if (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be)
        return utf8ToUtf16(out, encoding_ == Encoding::Utf16Be);
    return out;
}

bool IniFile::save(const std::string& path, std::string* error) const {
    return writeFileAtomically(path, text(), error);
}

}  // namespace trakor
