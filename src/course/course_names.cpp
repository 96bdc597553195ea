// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/course_names.h"

#include <locale.h>
#include <wctype.h>

#include "core/context.h"
#include "core/messages.h"
#include "course/course_messages.h"
#include "platform/text_encoding.h"
#include "platform/utf8.h"

namespace trakor {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// UTF-8 with control characters (not allowed in XML, meaningless in names) as blanks.
std::string cleanText(std::string_view raw) {
    std::string s = toUtf8(raw);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return s;
}

// Blanks trimmed at both ends and runs of blanks made one, as an XML reader compares names.
std::string collapsed(std::string_view s) {
    std::string out;
    bool pendingBlank = false;
    for (char c : s) {
        if (isBlank(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) out += ' ';
        pendingBlank = false;
        out += c;
    }
    return out;
}

// A name as a device's FAT file system compares its file: the file name of the name with blanks
// collapsed, in capitals ("Tour" and "TOUR" are one file there). Letters beyond ASCII are folded
// by the C.UTF-8 rules.
std::string fileKey(std::string_view name) {
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    const std::string file = courseFileName(collapsed(name));
    std::string key;
    key.reserve(file.size());
    for (size_t i = 0; i < file.size();) {
        uint32_t cp = 0;
        const size_t n = utf8Decode(file, i, cp);
        if (n <= 1) {  // ASCII, or a byte that is no UTF-8 (none after cleanText)
            const char c = file[i++];
            key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
            continue;
        }
        i += n;
        if (utf8 != static_cast<locale_t>(0)) cp = static_cast<uint32_t>(::towupper_l(static_cast<wint_t>(cp), utf8));
        appendUtf8(key, cp);
    }
    return key;
}

// The name's start, a blank and the number, 15 characters together.
std::string numbered(std::string_view name, int64_t d) {
    std::string digits = std::to_string(d);
    size_t keep = digits.size() + 1 < kMaxCourseName ? kMaxCourseName - digits.size() - 1 : 0;
    return std::string(utf8PrefixChars(name, keep)) + " " + digits;
}

}  // namespace

std::string CourseNames::form(std::string_view trackName, int32_t d) {
    std::string base = cleanText(trackName);
    if (collapsed(base).empty()) base = kUnnamedCourse;
    std::string name = utf8CharCount(base) > kMaxCourseName ? numbered(base, d) : base;
    // Another number for a name taken already, as a name or as a device's file name; a track may
    // itself be called "Tour 2".
    for (int64_t k = d; used_.count(fileKey(name)) != 0; k += 1000000) name = numbered(base, k);
    used_.insert(fileKey(name));
    return name;
}

std::string nameContent(std::string_view name) {
    if (name.find_first_of("<&") == std::string_view::npos && name.find("]]>") == std::string_view::npos)
        return std::string(name);
    // A "]]>" inside would end the section early: it is split across two sections.
    std::string out = "<![CDATA[";
    size_t from = 0;
    for (size_t at = name.find("]]>"); at != std::string_view::npos; at = name.find("]]>", from)) {
        out.append(name.substr(from, at + 2 - from));
        out += "]]><![CDATA[";
        from = at + 2;
    }
    out.append(name.substr(from));
    out += "]]>";
    return out;
}

std::string escapeXml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string courseFileName(std::string_view courseName, std::string_view extension) {
    std::string out(courseName);
    for (char& c : out)
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) c = '_';
    return out + std::string(extension);
}

std::string unitCourseFileName(std::string_view inputName, std::string_view courseName, std::string_view extension) {
    const std::string input(utf8PrefixChars(cleanText(inputName), 40));
    if (collapsed(input).empty() || fileKey(input) == fileKey(courseName)) return courseFileName(courseName, extension);
    return courseFileName(input + "-" + std::string(courseName), extension);
}

std::string coursePointName(const Context& ctx, bool right) {
    const KeyedMessage& m = right ? cmsg::kRightLine : cmsg::kLeftLine;
    const char* english = right ? "Right" : "Left";
    // The text is a whole line; only the name between its tags is taken from it.
    std::string line = messageText(ctx, m.key, m.english, cmsg::kNameLineLimit);
    std::string_view text = line;
    size_t open = text.find("<Name>");
    size_t close = open == std::string_view::npos ? open : text.find("</Name>", open);
    if (close != std::string_view::npos) text = text.substr(open + 6, close - open - 6);
    std::string name = collapsed(cleanText(text));
    if (name.find('<') != std::string::npos) return english;
    name = collapsed(utf8PrefixChars(name, kMaxCoursePointName));
    return name.empty() ? english : name;
}

}  // namespace trakor
