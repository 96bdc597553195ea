// SPDX-License-Identifier: GPL-3.0-or-later
// A single-pass well-formedness check of the XML the program writes (TCX courses): valid UTF-8,
// one root element, tags that nest and match, quoted attributes, known entity forms, comments,
// CDATA sections and processing instructions that close. No tree is built, and the text can be
// checked in pieces as it is written, so a long document never needs to be in memory whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

struct XmlCheck {
    bool ok = true;
    int32_t line = 0;    // line of the first fault (1 = the first line)
    std::string reason;  // what was wrong, in a few English words
};

// Checks a document handed over in pieces of any size, cut anywhere (also inside a tag or a
// UTF-8 sequence). The verdict is the one the whole text would get at once.
class XmlStreamCheck {
public:
    void feed(const uint8_t* data, size_t size);
    void feed(std::string_view text) { feed(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    // The verdict once the last piece was fed; feed nothing after it.
    XmlCheck finish();
    // Bytes fed so far.
    uint64_t size() const { return fed_; }

private:
    class Window;
    void scanPiece(const uint8_t* data, size_t size, bool last);
    bool checkUtf8Piece(const uint8_t* data, size_t size, uint64_t& lineFeeds);
    void failStructure(uint64_t lineFeedsBefore, std::string reason);

    uint64_t fed_ = 0;        // bytes fed before the current piece
    uint64_t lineFeeds_ = 0;  // line feeds in them
    // A UTF-8 sequence cut off at the end of the last piece.
    uint8_t cut_[4] = {};
    size_t cutSize_ = 0;
    // Text from the last token on that the last piece did not complete.
    std::string carry_;
    bool bomChecked_ = false;
    bool rootSeen_ = false;
    // Open elements: their names one after another up to openEnd_, and each name's length.
    std::string_view openName() const {
        return {openNames_.data() + openEnd_ - openLengths_.back(), openLengths_.back()};
    }
    std::vector<char> openNames_;
    size_t openEnd_ = 0;
    std::vector<uint32_t> openLengths_;
    // The first fault of each kind; a byte that is not UTF-8 outranks any other fault.
    XmlCheck utf8Fault_, structureFault_;
};

XmlCheck checkXmlText(const uint8_t* data, size_t size);
// Reads the file in pieces; a file that cannot be read fails at line 0.
XmlCheck checkXmlFile(const std::string& path);

}  // namespace trakor
