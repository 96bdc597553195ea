// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/xml_fast.h"

#include <cstring>
#include <vector>

namespace trakor::xml {

namespace {

constexpr char kSeparator = '\x01';  // as the library joins namespace URI, local name and prefix
constexpr std::string_view kXmlUri = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsUri = "http://www.w3.org/2000/xmlns/";

// Thrown on anything the scanner leaves to the library.
struct Decline {};

enum : uint8_t { kBlank = 1, kNameStart = 2, kNameChar = 4 };
struct Classes {
    uint8_t of[256] = {};
    constexpr Classes() {
        of[static_cast<unsigned char>(' ')] = of[static_cast<unsigned char>('\t')] = of[static_cast<unsigned char>('\n')] = of[static_cast<unsigned char>('\r')] = kBlank;
        for (int c = 'a'; c <= 'z'; ++c) of[c] = of[c - 'a' + 'A'] = kNameStart | kNameChar;
        of[static_cast<unsigned char>('_')] = kNameStart | kNameChar;
        for (int c = '0'; c <= '9'; ++c) of[c] = kNameChar;
        of[static_cast<unsigned char>('.')] = of[static_cast<unsigned char>('-')] = kNameChar;
    }
};
constexpr Classes kClasses;
bool is(char c, uint8_t what) { return (kClasses.of[static_cast<unsigned char>(c)] & what) != 0; }
bool blank(char c) { return is(c, kBlank); }
bool nameStart(char c) { return is(c, kNameStart); }
bool nameChar(char c) { return is(c, kNameChar); }

// Bytes that end a run of plain text: markup, references, line ends, control and non-ASCII bytes.
struct Plain {
    bool text[256] = {}, attribute[256] = {};
    constexpr Plain() {
        for (int c = 0x20; c < 0x80; ++c) text[c] = attribute[c] = true;
        text[static_cast<unsigned char>('<')] = text[static_cast<unsigned char>('&')] = text[static_cast<unsigned char>(']')] = false;
        attribute[static_cast<unsigned char>('<')] = attribute[static_cast<unsigned char>('&')] = attribute[static_cast<unsigned char>('"')] = attribute[static_cast<unsigned char>('\'')] = false;
    }
};
constexpr Plain kPlain;

// The length of the valid UTF-8 character at p that XML allows, or 0.
size_t utf8Char(const unsigned char* p, const unsigned char* end) {
    const unsigned c = p[0];
    const size_t len = c >= 0xC2 && c <= 0xDF ? 2 : (c & 0xF0) == 0xE0 ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (len == 0 || static_cast<size_t>(end - p) < len) return 0;
    for (size_t k = 1; k < len; ++k)
        if ((p[k] & 0xC0) != 0x80) return 0;
    const unsigned d = p[1];
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) || (c == 0xF4 && d > 0x8F))
        return 0;
    if (c == 0xEF && d == 0xBF && p[2] >= 0xBE) return 0;  // U+FFFE, U+FFFF
    return len;
}

void appendUtf8(std::string& out, uint32_t v) {
    if (v < 0x80) {
        out += static_cast<char>(v);
    } else if (v < 0x800) {
        out += static_cast<char>(0xC0 | (v >> 6));
        out += static_cast<char>(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        out += static_cast<char>(0xE0 | (v >> 12));
        out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (v & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (v >> 18));
        out += static_cast<char>(0x80 | ((v >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (v & 0x3F));
    }
}

struct Binding {
    std::string_view prefix;  // "" for the default namespace
    std::string uri;
};

struct Open {
    std::string_view qname, local;
    size_t binding;  // index of its namespace's binding, or npos for none
    size_t bindingsBefore;
};

// One reading of the document, handing each event as soon as its tag is read.
class Scanner {
public:
    Scanner(const char* begin, const char* end, Handler& handler) : p_(begin), end_(end), handler_(&handler) {
        bindings_.push_back({"xml", std::string(kXmlUri)});
        open_.reserve(32);
    }

    // Reads up to the end of the root element; throws Decline.
    std::string_view run() {
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
        if (startsWith("<?xml") && p_ + 5 < end_ && blank(p_[5])) declaration();
        for (;;) {
            skipBlanks();
            need(2);
            if (startsWith("<!--")) {
                comment();
            } else if (p_[0] == '<' && p_[1] == '?') {
                instruction();
            } else if (p_[0] == '<' && nameStart(p_[1])) {
                ++p_;
                std::string_view root = startTag();
                if (!open_.empty()) content();
                return root;
            } else {
                throw Decline{};
            }
        }
    }

    size_t events() const { return events_; }

private:
    const char* p_;
    const char* end_;
    Handler* handler_;
    size_t events_ = 0;  // events handed so far
    std::vector<Binding> bindings_;
    std::vector<Open> open_;
    std::string text_;
    std::string values_;  // attribute values, each followed by a NUL
    struct Attr {
        std::string_view qname, prefix, local;
        size_t value;  // offset in values_
        size_t binding = 0;  // its namespace's binding, when prefixed
        size_t name = 0;  // offset in names_ of the name as handed on
    };
    std::vector<Attr> attrs_;
    std::string names_;
    std::vector<const char*> pairs_;

    void need(size_t n) {
        if (static_cast<size_t>(end_ - p_) < n) throw Decline{};
    }
    bool startsWith(std::string_view s) const {
        return static_cast<size_t>(end_ - p_) >= s.size() && std::memcmp(p_, s.data(), s.size()) == 0;
    }
    void expect(std::string_view s) {
        if (!startsWith(s)) throw Decline{};
        p_ += s.size();
    }
    void expect(char c) {
        if (p_ == end_ || *p_ != c) throw Decline{};
        ++p_;
    }
    bool skipBlanks() {
        const char* from = p_;
        while (p_ < end_ && blank(*p_)) ++p_;
        return p_ != from;
    }

    std::string_view name() {
        const char* from = p_;
        if (p_ == end_ || !nameStart(*p_)) throw Decline{};
        while (p_ < end_ && nameChar(*p_)) ++p_;
        return {from, static_cast<size_t>(p_ - from)};
    }
    // prefix:local or local; a second colon, or a non-ASCII name, is left to the library.
    std::string_view qualifiedName(std::string_view& prefix, std::string_view& local) {
        const char* from = p_;
        local = name();
        prefix = {};
        if (p_ < end_ && *p_ == ':') {
            ++p_;
            prefix = local;
            local = name();
        }
        if (p_ < end_ && (*p_ == ':' || static_cast<unsigned char>(*p_) >= 0x80)) throw Decline{};
        return {from, static_cast<size_t>(p_ - from)};
    }

    // A character other than markup: ASCII blanks and printable bytes, or valid UTF-8.
    size_t character() const {
        const auto c = static_cast<unsigned char>(*p_);
        if (c >= 0x20 && c < 0x80) return 1;
        if (c == '\t' || c == '\n' || c == '\r') return 1;
        const size_t n = c >= 0x80 ? utf8Char(reinterpret_cast<const unsigned char*>(p_),
                                              reinterpret_cast<const unsigned char*>(end_))
                                   : 0;
        if (n == 0) throw Decline{};
        return n;
    }
    // Skips characters up to the terminator and past it.
    void skipTo(std::string_view terminator) {
        while (!startsWith(terminator)) {
            need(1);
            p_ += character();
        }
        p_ += terminator.size();
    }

    void declaration() {
        p_ += 5;
        auto pseudo = [this](std::string_view key, bool required) -> std::string_view {
            const char* back = p_;
            if (!skipBlanks() || !startsWith(key)) {
                if (required) throw Decline{};
                p_ = back;
                return {};
            }
            p_ += key.size();
            skipBlanks();
            expect('=');
            skipBlanks();
            need(1);
            const char quote = *p_++;
            if (quote != '"' && quote != '\'') throw Decline{};
            const char* from = p_;
            while (p_ < end_ && *p_ != quote && *p_ != '<' && *p_ != '?') ++p_;
            expect(std::string_view(&quote, 1));
            return {from, static_cast<size_t>(p_ - 1 - from)};
        };
        if (pseudo("version", true) != "1.0") throw Decline{};
        const std::string_view encoding = pseudo("encoding", false);
        if (encoding.data() != nullptr) {
            if (encoding.size() != 5) throw Decline{};
            for (size_t i = 0; i < 5; ++i)
                if ((encoding[i] | (i < 3 ? 0x20 : 0)) != "utf-8"[i]) throw Decline{};
        }
        const std::string_view standalone = pseudo("standalone", false);
        if (standalone.data() != nullptr && standalone != "yes" && standalone != "no") throw Decline{};
        skipBlanks();
        expect("?>");
    }

    void comment() {
        p_ += 4;
        skipTo("--");
        expect('>');
    }

    void instruction() {
        p_ += 2;
        const std::string_view target = name();
        if (p_ < end_ && (*p_ == ':' || static_cast<unsigned char>(*p_) >= 0x80)) throw Decline{};
        if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l')
            throw Decline{};
        if (startsWith("?>")) {
            p_ += 2;
            return;
        }
        if (!skipBlanks()) throw Decline{};
        skipTo("?>");
    }

    // "&...;" at p_, decoded onto out.
    void reference(std::string& out) {
        ++p_;
        const char* semi = static_cast<const char*>(std::memchr(p_, ';', std::min<size_t>(end_ - p_, 12)));
        if (semi == nullptr) throw Decline{};
        const std::string_view r(p_, static_cast<size_t>(semi - p_));
        p_ = semi + 1;
        if (r == "lt") out += '<';
        else if (r == "gt") out += '>';
        else if (r == "amp") out += '&';
        else if (r == "quot") out += '"';
        else if (r == "apos") out += '\'';
        else if (r.size() >= 2 && r[0] == '#') {
            const bool hex = r[1] == 'x';
            const std::string_view digits = r.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8) throw Decline{};
            uint32_t v = 0;
            for (char c : digits) {
                const int d = c >= '0' && c <= '9'                ? c - '0'
                              : hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                              : -1;
                if (d < 0) throw Decline{};
                v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
            }
            const bool ok = v == 0x9 || v == 0xA || v == 0xD || (v >= 0x20 && v <= 0xD7FF) ||
                            (v >= 0xE000 && v <= 0xFFFD) || (v >= 0x10000 && v <= 0x10FFFF);
            if (!ok) throw Decline{};
            appendUtf8(out, v);
        } else {
            throw Decline{};
        }
    }

    // A quoted attribute value at p_, decoded onto values_ with a closing NUL; blanks become spaces.
    void attributeValue() {
        need(1);
        const char quote = *p_++;
        if (quote != '"' && quote != '\'') throw Decline{};
        for (;;) {
            const char* from = p_;
            while (p_ < end_ && kPlain.attribute[static_cast<unsigned char>(*p_)]) ++p_;
            values_.append(from, static_cast<size_t>(p_ - from));
            need(1);
            const char c = *p_;
            if (c == quote) {
                ++p_;
                break;
            }
            if (c == '&') {
                reference(values_);
            } else if (c == '<') {
                throw Decline{};
            } else if (c == '\t' || c == '\n' || c == '\r') {
                values_ += ' ';
                p_ += c == '\r' && p_ + 1 < end_ && p_[1] == '\n' ? 2 : 1;
            } else {
                const size_t n = character();
                values_.append(p_, n);
                p_ += n;
            }
        }
        values_ += '\0';
    }

    size_t lookup(std::string_view prefix) const {
        for (size_t i = bindings_.size(); i-- > 0;)
            if (bindings_[i].prefix.size() == prefix.size() &&
                (prefix.empty() || std::memcmp(bindings_[i].prefix.data(), prefix.data(), prefix.size()) == 0)) return bindings_[i].uri.empty() ? std::string_view::npos : i;
        return std::string_view::npos;
    }

    // The namespace declarations among the attributes, bound for this element.
    void bindDeclarations() {
        for (const Attr& a : attrs_) {
            const bool isDefault = a.prefix.empty() && a.local == "xmlns";
            if (!isDefault && a.prefix != "xmlns") continue;
            const std::string_view uri(values_.data() + a.value);
            if (uri == kXmlUri || uri == kXmlnsUri) throw Decline{};
            if (!isDefault) {
                if (uri.empty()) throw Decline{};
                if (a.local.size() >= 3 && (a.local[0] | 0x20) == 'x' && (a.local[1] | 0x20) == 'm' &&
                    (a.local[2] | 0x20) == 'l')
                    throw Decline{};
            }
            bindings_.push_back({isDefault ? std::string_view() : a.local, std::string(uri)});
        }
    }

    static bool declaration(const Attr& a) { return a.prefix == "xmlns" || (a.prefix.empty() && a.local == "xmlns"); }

    // The attributes as the library hands them: "uri\1local\1prefix" for a prefixed name, else the
    // name; namespace declarations left out. Duplicates, by name or by URI and local name, decline.
    void resolveAttributes() {
        for (size_t i = 0; i < attrs_.size(); ++i) {
            Attr& a = attrs_[i];
            for (size_t j = 0; j < i; ++j)
                if (attrs_[j].qname == a.qname) throw Decline{};
            if (a.prefix.empty() || declaration(a)) continue;
            a.binding = lookup(a.prefix);
            if (a.binding == std::string_view::npos) throw Decline{};
            for (size_t j = 0; j < i; ++j) {
                const Attr& o = attrs_[j];
                if (!o.prefix.empty() && !declaration(o) && o.local == a.local &&
                    bindings_[o.binding].uri == bindings_[a.binding].uri)
                    throw Decline{};
            }
        }
    }

    void handStart(const Open& e) {
        names_.clear();
        for (Attr& a : attrs_) {
            if (declaration(a)) continue;
            a.name = names_.size();
            if (!a.prefix.empty()) {
                names_ += bindings_[a.binding].uri;
                names_ += kSeparator;
                names_ += a.local;
                names_ += kSeparator;
                names_ += a.prefix;
            } else {
                names_ += a.local;
            }
            names_ += '\0';
        }
        pairs_.clear();
        for (const Attr& a : attrs_) {
            if (declaration(a)) continue;
            pairs_.push_back(names_.data() + a.name);
            pairs_.push_back(values_.data() + a.value);
        }
        pairs_.push_back(nullptr);
        text_.clear();
        ++events_;
        handler_->start(uri(e.binding), e.local, Attributes(pairs_.data()));
    }

    // After "<": the name, attributes and ">" or "/>" of a start tag. Returns the name as written.
    std::string_view startTag() {
        Open e;
        std::string_view prefix;
        e.qname = qualifiedName(prefix, e.local);
        attrs_.clear();
        values_.clear();
        for (;;) {
            const bool spaced = skipBlanks();
            need(1);
            if (*p_ == '>' || *p_ == '/') break;
            if (!spaced) throw Decline{};
            Attr a;
            a.qname = qualifiedName(a.prefix, a.local);
            skipBlanks();
            expect('=');
            skipBlanks();
            a.value = values_.size();
            attributeValue();
            attrs_.push_back(a);
        }
        const bool empty = *p_ == '/';
        if (empty) ++p_;
        expect('>');
        e.bindingsBefore = bindings_.size();
        bindDeclarations();
        e.binding = lookup(prefix);
        if (!prefix.empty() && e.binding == std::string_view::npos) throw Decline{};
        resolveAttributes();
        handStart(e);
        open_.push_back(e);
        if (empty) close();
        return e.qname;
    }

    std::string_view uri(size_t binding) const {
        return binding == std::string_view::npos ? std::string_view() : std::string_view(bindings_[binding].uri);
    }

    void close() {
        const Open& e = open_.back();
        ++events_;
        handler_->end(uri(e.binding), e.local, text_);
        text_.clear();
        if (bindings_.size() != e.bindingsBefore) bindings_.resize(e.bindingsBefore);
        open_.pop_back();
    }

    void endTag() {
        p_ += 2;
        // The name as the start tag wrote it, and no more.
        const std::string_view qname = open_.back().qname;
        if (!startsWith(qname)) throw Decline{};
        p_ += qname.size();
        if (p_ < end_ && (nameChar(*p_) || *p_ == ':' || static_cast<unsigned char>(*p_) >= 0x80)) throw Decline{};
        skipBlanks();
        expect('>');
        close();
    }

    void cdata() {
        p_ += 9;
        for (;;) {
            const char* from = p_;
            while (p_ < end_ && kPlain.text[static_cast<unsigned char>(*p_)]) ++p_;
            text_.append(from, static_cast<size_t>(p_ - from));
            if (startsWith("]]>")) {
                p_ += 3;
                return;
            }
            need(1);
            textCharacter();
        }
    }

    // One character that ends a run of plain text, other than markup and references.
    void textCharacter() {
        if (*p_ == '\r') {
            text_ += '\n';
            p_ += p_ + 1 < end_ && p_[1] == '\n' ? 2 : 1;
            return;
        }
        const size_t n = character();
        text_.append(p_, n);
        p_ += n;
    }

    void content() {
        while (!open_.empty()) {
            const char* from = p_;
            while (p_ < end_ && kPlain.text[static_cast<unsigned char>(*p_)]) ++p_;
            text_.append(from, static_cast<size_t>(p_ - from));
            need(2);
            const char c = *p_;
            if (c == '<') {
                const char d = p_[1];
                if (d == '/') endTag();
                else if (nameStart(d)) ++p_, startTag();
                else if (startsWith("<!--")) comment();
                else if (startsWith("<![CDATA[")) cdata();
                else if (d == '?') instruction();
                else throw Decline{};
            } else if (c == '&') {
                reference(text_);
            } else if (c == ']') {
                if (startsWith("]]>")) throw Decline{};
                text_ += ']';
                ++p_;
            } else {
                textCharacter();
            }
        }
    }
};

}  // namespace

bool validUtf8(const uint8_t* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time: nearly every byte of a GPS file.
        if (i + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const uint8_t c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = c >= 0xC2 && c <= 0xDF ? 2 : (c & 0xF0) == 0xE0 ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (len == 0 || i + len > n) return false;
        for (size_t k = 1; k < len; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return false;
        // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
        const uint8_t d = s[i + 1];
        if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) || (c == 0xF4 && d > 0x8F))
            return false;
        i += len;
    }
    return true;
}

FastReading parseFast(const uint8_t* bytes, size_t length, Handler& handler, ParseResult& result) {
    // Bytes that are not UTF-8 make the library read the whole document as Windows-1252.
    if (bytes == nullptr || !validUtf8(bytes, length)) return {false, 0};
    const char* begin = reinterpret_cast<const char*>(bytes);
    Scanner scanner(begin, begin + length, handler);
    try {
        const std::string_view root = scanner.run();
        result = ParseResult{};
        result.rootSeen = true;
        result.wellFormed = true;
        result.rootName = std::string(root);
        return {true, scanner.events()};
    } catch (const Decline&) {
        return {false, scanner.events()};
    }
}

void EventLog::start(std::string_view ns, std::string_view name, const Attributes& attributes) {
    text.append("start ").append(ns).append(" ").append(name);
    for (const char* const* p = attributes.pairs(); p != nullptr && *p != nullptr; p += 2)
        text.append(" [").append(p[0]).append("]=[").append(p[1]).append("]");
    text += '\n';
}

void EventLog::end(std::string_view ns, std::string_view name, std::string_view chars) {
    text.append("end ").append(ns).append(" ").append(name).append(" [").append(chars).append("]\n");
}

}  // namespace trakor::xml
