// The two ways xml::parse reads a document: a hand-written scanner for ordinary UTF-8 documents,
// several times faster than the parser library, and the library for everything else. They are
// declared apart so the tests and the differential fuzz target can hold one against the other.
#pragma once

#include <string>

#include "core/xml_reader.h"

namespace trakor::xml {

// Reads a well-formed document in UTF-8 without a document type declaration and hands its events
// to the handler exactly as the library would. Returns false, having handed nothing, for any
// document it leaves to the library: another encoding, a DOCTYPE, non-ASCII names, any fault.
bool parseFast(const uint8_t* bytes, size_t length, Handler& handler, ParseResult& result);

// Whether the bytes are UTF-8 (surrogates, overlong forms and values past U+10FFFF are not).
bool validUtf8(const uint8_t* bytes, size_t length);

// The parser library alone.
ParseResult parseWithLibrary(const uint8_t* bytes, size_t length, Handler& handler);

// A handler that writes each event as a line of text, to compare two readings of a document.
class EventLog : public Handler {
public:
    std::string text;
    void start(std::string_view ns, std::string_view name, const Attributes& attributes) override;
    void end(std::string_view ns, std::string_view name, std::string_view chars) override;
};

}  // namespace trakor::xml
