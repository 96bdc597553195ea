// SPDX-License-Identifier: GPL-3.0-or-later
// The well-formedness check of written TCX files.
#include <gtest/gtest.h>

#include "course/xml_check.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

XmlCheck check(const std::string& text) {
    return checkXmlText(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(XmlCheck, RealFilesPass) {
    for (const char* name : {"course.tcx", "history.tcx", "basecamp.gpx", "kml-points.kml"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        const XmlCheck c = checkXmlFile(path);
        EXPECT_TRUE(c.ok) << name << " line " << c.line << ": " << c.reason;
    }
}

TEST(XmlCheck, EachFaultIsFoundOnItsLine) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    EXPECT_TRUE(check(head + "<a x=\"1\" y='&lt;2&#x41;'>\n<!-- c -->\n<b/><![CDATA[<raw>]]>t&amp;t</a>\n").ok);
    EXPECT_TRUE(check("\xEF\xBB\xBF<a>\xC3\xB6</a>").ok);
    EXPECT_TRUE(check("<a><!----><!-- - --><!--->x--></a>").ok);  // empty, single hyphens

    const struct {
        std::string text;
        int32_t line;
    } faults[] = {
        {head + "<a>\n<b>\n</a>\n", 4},                 // end tag of another element
        {head + "<a>\n<b>\n", 4},                       // not closed at the end
        {head + "<a>\n</a>\n<b/>\n", 4},                // second root
        {head + "text\n<a/>\n", 2},                     // text outside the root
        {head + "<a>\nM\xF6nchen\n</a>\n", 3},          // a Windows byte, not UTF-8
        {head + "<a>\n\xC3\n</a>\n", 3},                // a cut UTF-8 sequence
        {head + "<a x=1/>\n", 2},                       // unquoted attribute
        {head + "<a x=\"1\" x=\"2\"/>\n", 2},           // attribute twice
        {head + "<a x=\"<\"/>\n", 2},                   // '<' in a value
        {head + "<a>\nfish & chips\n</a>\n", 3},        // bare '&'
        {head + "<a>\n&nbsp;\n</a>\n", 3},              // entity that XML does not know
        {head + "<a>\n<!-- open\n</a>\n", 3},           // comment not closed
        {head + "<a>\n<!-- a -- b -->\n</a>\n", 3},    // "--" inside a comment
        {head + "<a>\n<!-- a --->\n</a>\n", 3},
        {head + "<a>\n<!-->\n</a>\n", 3},               // the "--" of "<!--" does not close it
        {head + "<a x=\"1\"y=\"2\"/>\n", 2},            // attributes without a space
        {head + "<a>\n<>\n</a>\n", 3},                  // tag without a name
        {"", 1},                                        // no root
    };
    for (const auto& f : faults) {
        const XmlCheck c = check(f.text);
        EXPECT_FALSE(c.ok) << f.text;
        EXPECT_EQ(c.line, f.line) << f.text << c.reason;
    }
}

// Fed in pieces cut anywhere (inside tags, references, comments and UTF-8 sequences), a text
// gets the verdict it gets whole.
TEST(XmlCheck, PiecesGiveTheVerdictOfTheWhole) {
    const std::string head = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!DOCTYPE a>\n";
    const std::string body = "<a x=\"1\" y='&lt;2&#x41;'>\n<!-- c -->\n<b/><![CDATA[<raw>]]>t&amp;t "
                             "\xC3\xB6\xF0\x9F\x9A\xB2\n"
                             "<LongElementName>\n  <c k=\"v\">1.0000000</c>\n</LongElementName>\n";
    const std::vector<std::string> texts = {
        head + body + "</a>\n",
        head + body + "</a>\n<b/>\n",
        head + body + "<c>\n</a>\n",
        head + body,
        head + body + "&nbsp;</a>\n",
        head + body + "fish & chips</a>\n",
        head + body + "M\xF6nchen</a>\n",
        head + body + "\xE2\x82</a>\n",
        head + body + "<!-- open\n</a>\n",
        head + body + "<d x=\"1\"x=\"2\"/></a>",
        head + body + "</a>\n\xC3",
        head + body + "</a>\n \xFF",
        "<a/",
        "\xEF\xBB",
        "",
    };
    uint32_t seed = 7;
    for (const std::string& text : texts) {
        const XmlCheck whole = check(text);
        for (int round = 0; round < 40; ++round) {
            XmlStreamCheck pieces;
            for (size_t at = 0; at < text.size();) {
                seed = seed * 1103515245u + 12345u;
                const size_t n = std::min<size_t>(text.size() - at, (seed >> 16) % (round < 20 ? 4 : 40));
                pieces.feed(std::string_view(text).substr(at, n));
                at += n;
            }
            const XmlCheck c = pieces.finish();
            ASSERT_EQ(c.ok, whole.ok) << text;
            ASSERT_EQ(c.line, whole.line) << text;
            ASSERT_EQ(c.reason, whole.reason) << text;
        }
    }
}

}  // namespace
}  // namespace trakor
