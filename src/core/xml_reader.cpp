// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/xml_reader.h"

#include "core/xml_fast.h"

#include <expat.h>

#include <cstring>
#include <limits>

namespace trakor::xml {

namespace {

constexpr char kSeparator = '\x01';  // between a name's namespace URI, local name and prefix

// Windows-1252's characters 0x80-0x9F; the five it leaves undefined keep their Latin-1 values.
constexpr uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

int XMLCALL unknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
    const std::string_view n = name;
    if (!sameLetters(n, "windows-1252") && !sameLetters(n, "cp1252")) return XML_STATUS_ERROR;
    for (int i = 0; i < 256; ++i) info->map[i] = i;
    for (int i = 0; i < 32; ++i) info->map[0x80 + i] = kCp1252High[i];
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

// Whether the document is to be read as Windows-1252: it has no byte-order mark, its declaration
// names no encoding other than UTF-8, and its bytes are not UTF-8.
bool readAsWindows1252(const uint8_t* bytes, size_t length) {
    if (length >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) return false;
    const std::string_view head(reinterpret_cast<const char*>(bytes), length < 256 ? length : 256);
    if (head.starts_with("<?xml")) {
        const size_t declEnd = head.find("?>");
        const std::string_view decl = head.substr(0, declEnd);
        const size_t at = decl.find("encoding");
        if (at != std::string_view::npos) {
            const size_t quote = decl.find_first_of("\"'", at);
            const size_t close = quote == std::string_view::npos ? quote : decl.find(decl[quote], quote + 1);
            if (close != std::string_view::npos && !sameLetters(decl.substr(quote + 1, close - quote - 1), "utf-8"))
                return false;
        }
    }
    return !validUtf8(bytes, length);
}

// "uri\1local\1prefix", "uri\1local" or "local".
struct Name {
    std::string_view ns, local, prefix;
    explicit Name(std::string_view full) {
        const size_t a = full.find(kSeparator);
        if (a == std::string_view::npos) {
            local = full;
            return;
        }
        ns = full.substr(0, a);
        local = full.substr(a + 1);
        const size_t b = local.find(kSeparator);
        if (b != std::string_view::npos) {
            prefix = local.substr(b + 1);
            local = local.substr(0, b);
        }
    }
};

struct Session {
    XML_Parser parser;
    Handler& handler;
    ParseResult& result;
    std::string text;
    size_t depth = 0;
    size_t skip = 0;  // events the handler already has
};

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto& s = *static_cast<Session*>(data);
    const Name n(name);
    if (s.depth++ == 0) {
        s.result.rootSeen = true;
        s.result.rootName = n.prefix.empty() ? std::string(n.local) : std::string(n.prefix) + ":" + std::string(n.local);
    }
    s.text.clear();
    if (s.skip > 0) --s.skip;
    else s.handler.start(n.ns, n.local, Attributes(atts));
}

void XMLCALL onEnd(void* data, const XML_Char* name) {
    auto& s = *static_cast<Session*>(data);
    const Name n(name);
    if (s.skip > 0) --s.skip;
    else s.handler.end(n.ns, n.local, s.text);
    s.text.clear();
    if (--s.depth == 0) {
        // The root is closed: what follows it is not read.
        s.result.wellFormed = true;
        XML_StopParser(s.parser, XML_FALSE);
    }
}

void XMLCALL onText(void* data, const XML_Char* chars, int length) {
    static_cast<Session*>(data)->text.append(chars, static_cast<size_t>(length));
}

// Faults the parser reports when the input ends before the document does.
bool endOfInputFault(XML_Error e) {
    return e == XML_ERROR_NO_ELEMENTS || e == XML_ERROR_UNCLOSED_TOKEN || e == XML_ERROR_PARTIAL_CHAR ||
           e == XML_ERROR_UNCLOSED_CDATA_SECTION;
}

}  // namespace

const char* Attributes::find(std::string_view name) const {
    for (const char** p = pairs_; p != nullptr && *p != nullptr; p += 2)
        if (name == *p) return p[1];
    return nullptr;
}

std::string_view trim(std::string_view t) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!t.empty() && blank(t.front())) t.remove_prefix(1);
    while (!t.empty() && blank(t.back())) t.remove_suffix(1);
    return t;
}

std::string ParseResult::faultNote() const {
    if (!rootSeen || wellFormed) return {};
    if (atEnd) return "the end of the document (</" + rootName + ">)";
    return "the rest of the document, not well formed at line " + std::to_string(line) + ", column " +
           std::to_string(column);
}

ParseResult parse(const uint8_t* bytes, size_t length, Handler& handler) {
    ParseResult result;
    // The scanner reads ordinary documents; the library goes on where it stops, past the events
    // the handler already has.
    const FastReading fast = parseFast(bytes, length, handler, result);
    if (fast.done) return result;
    return parseWithLibrary(bytes, length, handler, fast.events);
}

ParseResult parseWithLibrary(const uint8_t* bytes, size_t length, Handler& handler, size_t skip) {
    ParseResult result;
    const bool cp1252 = bytes != nullptr && readAsWindows1252(bytes, length);
    XML_Parser parser = XML_ParserCreateNS(cp1252 ? "windows-1252" : nullptr, kSeparator);
    if (parser == nullptr) return result;
    Session session{parser, handler, result, {}, 0, skip};
    XML_SetUserData(parser, &session);
    XML_SetReturnNSTriplet(parser, 1);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetUnknownEncodingHandler(parser, unknownEncoding, nullptr);

    // Fed a piece at a time: the parser copies what it is given into its own buffer, which so
    // stays the size of a piece (and of the token a piece boundary cuts).
    constexpr size_t kPiece = 1 << 20;
    XML_Status status = XML_STATUS_OK;
    size_t at = 0;
    do {
        const size_t n = length - at < kPiece ? length - at : kPiece;
        const bool last = at + n == length;
        status = XML_Parse(parser, reinterpret_cast<const char*>(bytes) + at, static_cast<int>(n), last);
        at += n;
    } while (status == XML_STATUS_OK && at < length);
    if (status == XML_STATUS_OK && length == 0) status = XML_Parse(parser, "", 0, XML_TRUE);
    if (!result.wellFormed) {
        const XML_Error e = XML_GetErrorCode(parser);
        result.line = XML_GetCurrentLineNumber(parser);
        result.column = XML_GetCurrentColumnNumber(parser) + 1;
        result.atEnd = status == XML_STATUS_OK || endOfInputFault(e);
    }
    XML_ParserFree(parser);
    return result;
}

}  // namespace trakor::xml
