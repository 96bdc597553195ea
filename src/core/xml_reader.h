// SPDX-License-Identifier: GPL-3.0-or-later
// One XML parser for every XML input (GPX, TCX, KML, device descriptions): elements by namespace
// URI and local name, attributes by name, the text of each element, and where a document that
// is not well formed breaks off. The parser library is known only to xml_reader.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trakor::xml {

// The attributes of a start tag, as the parser hands them: name, value, name, value, ..., null.
class Attributes {
public:
    explicit Attributes(const char** pairs) : pairs_(pairs) {}
    // The value of the attribute without a namespace of that name, or nullptr when there is none.
    const char* find(std::string_view name) const;
    const char* const* pairs() const { return pairs_; }

private:
    const char** pairs_;
};

// What a reader does with the document's parts. Names arrive split into their namespace URI
// (empty without one) and local name.
class Handler {
public:
    virtual ~Handler() = default;
    virtual void start(std::string_view ns, std::string_view name, const Attributes& attributes) = 0;
    // `text` is the character data since the last start or end tag (entities, references and
    // CDATA sections decoded): the whole text of a leaf element.
    virtual void end(std::string_view ns, std::string_view name, std::string_view text) = 0;
};

struct ParseResult {
    bool rootSeen = false;  // the root element was opened
    bool wellFormed = false;  // the root element was closed with no fault before it
    // Where the document stops being well formed (line and column from 1, in characters) and
    // whether that is at the end of the input (a cut file).
    uint64_t line = 0, column = 0;
    bool atEnd = false;
    std::string rootName;  // the root element's name as written, prefix included

    // The note for a document that is not well formed ("" when it is, or when it never began):
    // "the end of the document (</gpx>)" for a cut file, else where the fault lies.
    std::string faultNote() const;
};

// Parses the document, handing its elements to the handler; stops at the end of the root
// element (what follows it is not read) or at the first fault. A document in UTF-8 that is not
// valid UTF-8 and names no other encoding is read as Windows-1252, as older programs wrote it.
ParseResult parse(const uint8_t* bytes, size_t length, Handler& handler);

// The text without its leading and trailing blanks.
std::string_view trim(std::string_view text);

}  // namespace trakor::xml
