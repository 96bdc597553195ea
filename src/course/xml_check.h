// A single-pass well-formedness check of the XML the program writes (TCX courses): valid UTF-8,
// one root element, tags that nest and match, quoted attributes, known entity forms, comments,
// CDATA sections and processing instructions that close. No tree is built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trakor {

struct XmlCheck {
    bool ok = true;
    int32_t line = 0;    // line of the first fault (1 = the first line)
    std::string reason;  // what was wrong, in a few English words
};

XmlCheck checkXmlText(const uint8_t* data, size_t size);
// A file that cannot be read fails at line 0.
XmlCheck checkXmlFile(const std::string& path);

}  // namespace trakor
