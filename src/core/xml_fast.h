// SPDX-License-Identifier: GPL-3.0-or-later
// The two ways xml::parse reads a document: a hand-written scanner for ordinary UTF-8 documents,
// several times faster than the parser library, and the library for the rest. They are
// declared apart so the tests and the differential fuzz target can hold one against the other.
#pragma once

#include <string>

#include "core/xml_reader.h"

namespace trakor::xml {

struct FastReading {
    bool done;  // the whole document was read
    size_t events;  // the events handed (starts and ends), when it was not
};

// Reads a document in UTF-8 without a document type declaration, handing its events to the
// handler exactly as the library would. At anything it leaves to the library (another encoding,
// a DOCTYPE, non-ASCII names, any fault) it stops, having handed only events the library hands
// first too, so the library can go on from there.
FastReading parseFast(const uint8_t* bytes, size_t length, Handler& handler, ParseResult& result);

// Whether the bytes are UTF-8 (surrogates, overlong forms and values past U+10FFFF are not).
bool validUtf8(const uint8_t* bytes, size_t length);

// The parser library alone; the first `skip` events are not handed on.
ParseResult parseWithLibrary(const uint8_t* bytes, size_t length, Handler& handler, size_t skip = 0);

// A handler that writes each event as a line of text, to compare two readings of a document.
class EventLog : public Handler {
public:
    std::string text;
    void start(std::string_view ns, std::string_view name, const Attributes& attributes) override;
    void end(std::string_view ns, std::string_view name, std::string_view chars) override;
};

}  // namespace trakor::xml
