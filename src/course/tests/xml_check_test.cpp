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

}  // namespace
}  // namespace trakor
