// SPDX-License-Identifier: GPL-3.0-or-later
// The course writer's XML check against libxml2 on the same bytes: both must call a text
// well-formed or not alike. Both read every text as UTF-8 (libxml2 is told to ignore declared
// encodings). Our check is made for the TCX files the program writes, so the classes of text it
// does not read are left out, each only where it decides libxml2's verdict:
//  - characters outside XML's character range (C0 controls other than tab, line feed and
//    carriage return, U+FFFE, U+FFFF, and character references to them): the writer blanks
//    control characters in every text it writes;
//  - document type declarations: the writer writes none, and ours skips one without reading it;
//  - the insides of processing instructions and of the XML declaration (target names, version,
//    encoding and standalone values): ours only finds where they end;
//  - "]]>" in character data: the writer writes every '>' of a text as "&gt;".
// The same text fed in two pieces, cut where the input's last byte says, gets the same verdict.
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <string_view>

#include "course/xml_check.h"

namespace {

// libxml2's first error (not its warnings, nor namespace errors, which leave a text well-formed).
int gFirstError = 0;

void noteError(void*, xmlErrorPtr e) {
    if (e == nullptr || e->level < XML_ERR_ERROR || e->domain == XML_FROM_NAMESPACE) return;
    if (gFirstError == 0) gFirstError = e->code;
}

// A character outside XML's range: a C0 control other than tab, line feed and carriage return,
// U+FFFE or U+FFFF. libxml2 reports one under many names (the construct it stops in).
bool outsideRange(std::string_view text) {
    const auto* d = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size(); ++i) {
        if (d[i] < 0x20 && d[i] != '\t' && d[i] != '\n' && d[i] != '\r') return true;
        if (d[i] == 0xEF && i + 2 < text.size() && d[i + 1] == 0xBF && (d[i + 2] & 0xFE) == 0xBE) return true;
    }
    return false;
}

// Faults of references to characters outside the range (our check passed the UTF-8, so
// libxml2's "invalid character" is about one of them), and of "]]>" in character data.
bool uncheckedText(int code) {
    return code == XML_ERR_INVALID_CHAR || code == XML_ERR_INVALID_CHARREF || code == XML_ERR_MISPLACED_CDATA_END;
}

// Faults inside processing instructions and the XML declaration. Some of these codes also name
// faults of start tags, so they count only for texts that hold a "<?".
bool uncheckedInstruction(int code) {
    switch (code) {
    case XML_ERR_PI_NOT_STARTED:
    case XML_ERR_PI_NOT_FINISHED:
    case XML_ERR_RESERVED_XML_NAME:
    case XML_ERR_XMLDECL_NOT_STARTED:
    case XML_ERR_XMLDECL_NOT_FINISHED:
    case XML_ERR_VERSION_MISSING:
    case XML_ERR_UNKNOWN_VERSION:
    case XML_ERR_ENCODING_NAME:
    case XML_ERR_UNSUPPORTED_ENCODING:
    case XML_ERR_STANDALONE_VALUE:
    case XML_ERR_EQUAL_REQUIRED:
    case XML_ERR_STRING_NOT_STARTED:
    case XML_ERR_STRING_NOT_CLOSED:
    case XML_ERR_SPACE_REQUIRED:
        return true;
    default:
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    xmlInitParser();
    xmlSetStructuredErrorFunc(nullptr, noteError);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const trakor::XmlCheck ours = trakor::checkXmlText(data, size);

    // Cut anywhere, the verdict and its line stay the same.
    if (size > 0) {
        trakor::XmlStreamCheck pieces;
        const size_t cut = data[size - 1] % size;
        pieces.feed(data, cut);
        pieces.feed(data + cut, size - cut);
        const trakor::XmlCheck c = pieces.finish();
        if (c.ok != ours.ok || c.line != ours.line) __builtin_trap();
    }

    // libxml2 2.9 takes a NUL byte (never allowed in XML) for the end of the text in places.
    if (text.find("<!DOCTYPE") != std::string_view::npos || text.find('\0') != std::string_view::npos) return 0;
    gFirstError = 0;
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (ctxt == nullptr) return 0;
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, text.data(), static_cast<int>(size), nullptr, "UTF-8",
                                      XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_HUGE);
    const bool theirs = doc != nullptr;
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    if (ours.ok && !theirs &&
        (outsideRange(text) || uncheckedText(gFirstError) ||
         (uncheckedInstruction(gFirstError) && text.find("<?") != std::string_view::npos)))
        return 0;
    if (ours.ok != theirs) __builtin_trap();
    return 0;
}
