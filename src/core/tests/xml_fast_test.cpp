// SPDX-License-Identifier: GPL-3.0-or-later
// The XML scanner must hand exactly the library's first events, and xml::parse, going on with the
// library where the scanner stops, exactly the library's events and outcome.
#include <gtest/gtest.h>

#include <string>

#include "core/xml_fast.h"

namespace trakor::xml {
namespace {

struct Case {
    const char* what;
    std::string document;
    bool fast;  // whether the scanner reads it to the end rather than leaving the rest to the library
};

TEST(XmlFast, HandsTheLibrarysEventsOrDeclines) {
    const Case cases[] = {
        {"GPX with declaration and default namespace",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" "
         "version=\"1.1\"><trk><trkseg><trkpt lat=\"48.1\" lon=\"11.5\"><ele>5</ele></trkpt>"
         "<trkpt lat='1' lon = \"2\"/></trkseg></trk></gpx>",
         true},
        {"prefixes, xml:lang, undeclared default, mixed text and comments",
         "\xEF\xBB\xBF<?xml version='1.0' standalone='yes' ?><!-- c --><?pi x?><p:a xmlns:p=\"urn:p\" "
         "xml:lang=\"de\" p:k=\"v\"><b xmlns=\"\">x<!--y-->z<?q?></b><p:c/></p:a>",
         true},
        {"references, CDATA and line ends",
         "<a t=\"x\ty\r\nz&#9;&#13;&lt;\">&amp;&#233;&#x1F600;<![CDATA[<b>\r\n]]]]>\r\rend</a>", true},
        {"UTF-8 text and a tail after the root", "<a>Caf\xC3\xA9 \xF0\x9F\x98\x80</a> anything <", true},
        {"Windows-1252 text", "<a>Caf\xE9</a>", false},
        {"invalid bytes after the root", "<a>x</a>\xE9", false},
        {"DOCTYPE", "<!DOCTYPE a><a/>", false},
        {"other encoding", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", false},
        {"non-ASCII name", "<\xC3\xA9t\xC3\xA9/>", false},
        {"same attribute through two prefixes", "<a xmlns:p=\"u\" xmlns:q=\"u\" p:x=\"1\" q:x=\"2\"/>", false},
        {"attributes without blank between", "<a b=\"1\"c=\"2\"/>", false},
        {"]]> in text", "<a>x]]>y</a>", false},
        {"unknown entity", "<a>&nbsp;</a>", false},
        {"unbound prefix", "<p:a/>", false},
        {"mismatched end tag", "<a><b></a></b>", false},
        {"cut", "<a><b>text", false},
        {"a fault after events", "<a><b x=\"1\">t</b><c>&bad;</c></a>", false},
        {"non-ASCII name after events", "<a><b/><\xC3\xA9/></a>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto* bytes = reinterpret_cast<const uint8_t*>(c.document.data());
        EventLog fast, library;
        ParseResult fastResult;
        const bool done = parseFast(bytes, c.document.size(), fast, fastResult).done;
        EXPECT_EQ(done, c.fast);
        const ParseResult libraryResult = parseWithLibrary(bytes, c.document.size(), library);
        if (done) {
            EXPECT_TRUE(libraryResult.wellFormed);
            EXPECT_EQ(fastResult.rootName, libraryResult.rootName);
            EXPECT_EQ(fast.text, library.text);
        } else {
            EXPECT_EQ(library.text.substr(0, fast.text.size()), fast.text);
        }
        // Whichever path reads it, parse hands what the library hands.
        EventLog either;
        const ParseResult result = parse(bytes, c.document.size(), either);
        EXPECT_EQ(either.text, library.text);
        EXPECT_EQ(result.wellFormed, libraryResult.wellFormed);
        EXPECT_EQ(result.faultNote(), libraryResult.faultNote());
        EXPECT_EQ(result.rootName, libraryResult.rootName);
    }
}

}  // namespace
}  // namespace trakor::xml
