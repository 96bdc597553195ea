// SPDX-License-Identifier: GPL-3.0-or-later
// The XML scanner against the parser library on the same bytes: the events the scanner hands are
// the first the library hands, and where the scanner stops the library goes on, so that reading
// through xml::parse gives the library's events and outcome (fault and place included) exactly.
#include <cstdio>
#include <cstdlib>

#include "core/xml_fast.h"

namespace {

std::string outcome(const trakor::xml::ParseResult& r) {
    return std::to_string(r.rootSeen) + std::to_string(r.wellFormed) + " " + std::to_string(r.line) + ":" +
           std::to_string(r.column) + " " + std::to_string(r.atEnd) + " " + r.rootName;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor::xml;
    EventLog fast, either, library;
    ParseResult fastResult;
    const FastReading reading = parseFast(data, size, fast, fastResult);
    const ParseResult eitherResult = parse(data, size, either);
    const ParseResult libraryResult = parseWithLibrary(data, size, library);
    const bool prefix = library.text.compare(0, fast.text.size(), fast.text) == 0;
    if (!prefix || (reading.done && fast.text != library.text) || either.text != library.text ||
        outcome(eitherResult) != outcome(libraryResult)) {
        std::fprintf(stderr, "scanner done %d after %zu events\n--- scanner\n%s--- parse (%s)\n%s--- library (%s)\n%s",
                     reading.done, reading.events, fast.text.c_str(), outcome(eitherResult).c_str(),
                     either.text.c_str(), outcome(libraryResult).c_str(), library.text.c_str());
        std::abort();
    }
    return 0;
}
