// The XML scanner against the parser library on the same bytes: whenever the scanner reads a
// document, the library reads it as well formed and hands the same events, attribute for
// attribute and text for text; whenever it declines, it has handed nothing.
#include <cstdio>
#include <cstdlib>

#include "core/xml_fast.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor::xml;
    EventLog fast, library;
    ParseResult fastResult;
    if (!parseFast(data, size, fast, fastResult)) {
        if (!fast.text.empty()) {
            std::fprintf(stderr, "declined after handing events:\n%s", fast.text.c_str());
            std::abort();
        }
        return 0;
    }
    const ParseResult libraryResult = parseWithLibrary(data, size, library);
    if (!libraryResult.wellFormed || fast.text != library.text || fastResult.rootName != libraryResult.rootName) {
        std::fprintf(stderr, "library well formed: %d\n--- scanner (%s)\n%s--- library (%s)\n%s",
                     libraryResult.wellFormed, fastResult.rootName.c_str(), fast.text.c_str(),
                     libraryResult.rootName.c_str(), library.text.c_str());
        std::abort();
    }
    return 0;
}
