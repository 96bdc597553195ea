#include "course/xml_check.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/mapped_file.h"

namespace trakor {

namespace {

// Offset of the first byte that is not part of a valid UTF-8 sequence, or size.
size_t invalidUtf8(const uint8_t* d, size_t n) {
    size_t i = 0;
    while (i < n) {
        // ASCII 32 bytes at a time.
        if (n - i >= 32) {
            uint64_t b[4];
            std::memcpy(b, d + i, 32);
            if (((b[0] | b[1] | b[2] | b[3]) & 0x8080808080808080ULL) == 0) {
                i += 32;
                continue;
            }
        }
        const uint8_t c = d[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = 0;
        uint32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, min = 0x10000;
        } else {
            return i;
        }
        if (n - i < len) return i;
        uint32_t cp = c & (0xFF >> (len + 1));
        for (size_t k = 1; k < len; ++k) {
            if ((d[i + k] & 0xC0) != 0x80) return i;
            cp = cp << 6 | (d[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
        i += len;
    }
    return n;
}

// Character classes by byte: 1 space, 2 may start a name, 4 may continue a name.
struct CharClasses {
    uint8_t of[256] = {};
    constexpr CharClasses() {
        for (int c : {' ', '\t', '\n', '\r'}) of[c] = 1;
        for (int c = 0; c < 256; ++c) {
            const bool start = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
            if (start) of[c] |= 2 | 4;
            if ((c >= '0' && c <= '9') || c == '-' || c == '.') of[c] |= 4;
        }
    }
};
constexpr CharClasses kClasses;

bool isSpace(uint8_t c) { return (kClasses.of[c] & 1) != 0; }
bool isNameStart(uint8_t c) { return (kClasses.of[c] & 2) != 0; }
bool isNameChar(uint8_t c) { return (kClasses.of[c] & 4) != 0; }

// The first '<' or '&' from p on, or end: character data runs up to there.
const uint8_t* textEnd(const uint8_t* p, const uint8_t* const end) {
    if (p >= end) return end;
    // memchr is many bytes a step; most text runs are short and hold no '&'.
    const void* lt = std::memchr(p, '<', static_cast<size_t>(end - p));
    const uint8_t* stop = lt ? static_cast<const uint8_t*>(lt) : end;
    const void* amp = std::memchr(p, '&', static_cast<size_t>(stop - p));
    return amp ? static_cast<const uint8_t*>(amp) : stop;
}

class Scanner {
public:
    Scanner(const uint8_t* d, size_t n) : d_(d), n_(n) {}

    XmlCheck run() {
        const size_t bad = invalidUtf8(d_, n_);
        if (bad < n_) return fail(bad, "byte that is not UTF-8");
        if (n_ >= 3 && d_[0] == 0xEF && d_[1] == 0xBB && d_[2] == 0xBF) i_ = 3;
        while (i_ < n_) {
            const uint8_t c = d_[i_];
            if (c == '<') {
                if (!markup()) return fault_;
            } else if (c == '&') {
                if (stack_.empty()) return fail(i_, "text outside the root element");
                if (!reference()) return fault_;
            } else if (stack_.empty()) {
                if (!isSpace(c)) return fail(i_, "text outside the root element");
                ++i_;
            } else {
                i_ = static_cast<size_t>(textEnd(d_ + i_, d_ + n_) - d_);
            }
        }
        if (!stack_.empty()) return fail(n_, "element <" + std::string(stack_.back()) + "> not closed");
        if (!rootSeen_) return fail(n_, "no root element");
        return {};
    }

private:
    bool startsWith(const char* s) const {
        const size_t k = std::strlen(s);
        return n_ - i_ >= k && std::memcmp(d_ + i_, s, k) == 0;
    }
    // Moves past the next occurrence of `end`; false when there is none.
    bool skipPast(const char* end, const char* what) {
        const std::string_view hay(reinterpret_cast<const char*>(d_), n_);
        const size_t at = hay.find(end, i_);
        if (at == std::string_view::npos) return failB(i_, what);
        i_ = at + std::strlen(end);
        return true;
    }
    std::string_view name() {
        const size_t start = i_;
        if (i_ >= n_ || !isNameStart(d_[i_])) return {};
        const uint8_t* p = d_ + i_ + 1;
        const uint8_t* const end = d_ + n_;
        while (p < end && isNameChar(*p)) ++p;
        i_ = static_cast<size_t>(p - d_);
        return {reinterpret_cast<const char*>(d_ + start), i_ - start};
    }
    void spaces() {
        while (i_ < n_ && isSpace(d_[i_])) ++i_;
    }

    bool markup() {
        const uint8_t next = i_ + 1 < n_ ? d_[i_ + 1] : 0;
        if (next == '?') return skipPast("?>", "processing instruction not closed");
        if (next == '!') {
            if (startsWith("<!--")) return skipPast("-->", "comment not closed");
            if (startsWith("<![CDATA[")) {
                if (stack_.empty()) return failB(i_, "text outside the root element");
                return skipPast("]]>", "CDATA section not closed");
            }
            if (startsWith("<!DOCTYPE")) {
                if (rootSeen_) return failB(i_, "document type after the root element");
                return skipPast(">", "document type not closed");
            }
            return failB(i_, "tag name missing");
        }
        if (next == '/') {
            const size_t at = i_;
            // The usual case: the name of the open element, then '>'.
            if (!stack_.empty()) {
                const std::string_view top = stack_.back();
                const size_t close = i_ + 2 + top.size();
                if (close < n_ && d_[close] == '>' && std::memcmp(d_ + i_ + 2, top.data(), top.size()) == 0) {
                    stack_.pop_back();
                    i_ = close + 1;
                    return true;
                }
            }
            i_ += 2;
            const std::string_view n = name();
            spaces();
            if (n.empty() || i_ >= n_ || d_[i_] != '>') return failB(at, "end tag damaged");
            if (stack_.empty() || stack_.back() != n) return failB(at, "end tag </" + std::string(n) + "> does not match");
            stack_.pop_back();
            ++i_;
            return true;
        }
        const size_t at = i_;
        ++i_;
        const std::string_view n = name();
        if (n.empty()) return failB(at, "tag name missing");
        if (stack_.empty()) {
            if (rootSeen_) return failB(at, "second root element");
            rootSeen_ = true;
        }
        attributes_.clear();
        while (true) {
            const size_t before = i_;
            spaces();
            if (i_ >= n_) return failB(at, "tag not closed");
            if (d_[i_] == '>') {
                stack_.push_back(n);
                ++i_;
                return true;
            }
            if (d_[i_] == '/') {
                if (i_ + 1 >= n_ || d_[i_ + 1] != '>') return failB(i_, "tag damaged");
                i_ += 2;
                return true;
            }
            if (i_ == before) return failB(i_, "attribute without space before it");
            if (!attribute()) return false;
        }
    }

    bool attribute() {
        const size_t at = i_;
        const std::string_view n = name();
        if (n.empty()) return failB(at, "attribute name missing");
        if (std::find(attributes_.begin(), attributes_.end(), n) != attributes_.end())
            return failB(at, "attribute " + std::string(n) + " given twice");
        attributes_.push_back(n);
        spaces();
        if (i_ >= n_ || d_[i_] != '=') return failB(at, "attribute without value");
        ++i_;
        spaces();
        if (i_ >= n_ || (d_[i_] != '"' && d_[i_] != '\'')) return failB(at, "attribute value not quoted");
        const uint8_t quote = d_[i_++];
        while (i_ < n_ && d_[i_] != quote) {
            if (d_[i_] == '<') return failB(i_, "'<' in an attribute value");
            if (d_[i_] == '&') {
                if (!reference()) return false;
            } else {
                ++i_;
            }
        }
        if (i_ >= n_) return failB(at, "attribute value not closed");
        ++i_;
        return true;
    }

    // An entity or character reference at '&'.
    bool reference() {
        const size_t at = i_;
        const size_t semi = std::string_view(reinterpret_cast<const char*>(d_), n_).find(';', i_);
        if (semi == std::string_view::npos || semi - i_ > 12) return failB(at, "'&' that starts no reference");
        const std::string_view ref(reinterpret_cast<const char*>(d_ + i_ + 1), semi - i_ - 1);
        bool good = ref == "lt" || ref == "gt" || ref == "amp" || ref == "apos" || ref == "quot";
        if (!good && ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            good = !digits.empty() && std::all_of(digits.begin(), digits.end(), [hex](char ch) {
                return (ch >= '0' && ch <= '9') || (hex && ((ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F')));
            });
        }
        if (!good) return failB(at, "unknown reference");
        i_ = semi + 1;
        return true;
    }

    XmlCheck fail(size_t at, std::string reason) {
        const auto line = std::count(d_, d_ + std::min(at, n_), '\n') + 1;
        return {false, static_cast<int32_t>(line), std::move(reason)};
    }
    bool failB(size_t at, std::string reason) {
        fault_ = fail(at, std::move(reason));
        return false;
    }

    const uint8_t* d_;
    size_t n_;
    size_t i_ = 0;
    bool rootSeen_ = false;
    std::vector<std::string_view> stack_;
    std::vector<std::string_view> attributes_;
    XmlCheck fault_;
};

}  // namespace

XmlCheck checkXmlText(const uint8_t* data, size_t size) { return Scanner(data, size).run(); }

XmlCheck checkXmlFile(const std::string& path) {
    MappedFile file;
    if (!file.open(path)) return {false, 0, "file cannot be read"};
    return checkXmlText(file.data(), file.size());
}

}  // namespace trakor
