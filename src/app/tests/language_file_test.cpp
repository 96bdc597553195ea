// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped language file, read with the program's own lookup: every key in every language,
// the same placeholders as English, texts that fit their controls, and every key the sources ask for.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <cstdio>

#include "app/language.h"
#include "core/messages.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

namespace fs = std::filesystem;

const std::string kFile = std::string(TRAKOR_SOURCE_DIR) + "/data/Trakor3.lng";

std::string key(const char* family, int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "$%s%02d", family, n);
    return buf;
}

// The keys the dialogs and messages ask for.
std::vector<std::string> requiredKeys() {
    std::vector<std::string> keys;
    for (int n = 1; n <= 63; ++n)
        if (n != 38 && n != 58) keys.push_back(key("MSG", n));
    for (int n = 1; n <= 46; ++n)
        if (n != 8) keys.push_back(key("GDB", n));
    for (int n = 1; n <= 18; ++n) keys.push_back(key("CLP", n));
    for (int n : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 23, 27, 28, 29, 30, 31})
        keys.push_back(key("PRF", n));
    keys.push_back("$LAN01");
    keys.push_back("$LAN02");
    return keys;
}

// Key -> English text of every `"$KEY", "text"` pair in the sources (text empty when the key
// stands alone), tests left out.
std::map<std::string, std::string> keysInSources() {
    std::map<std::string, std::string> found;
    const std::regex pair(R"re("(\$(?:MSG|GDB|CLP|PRF|LAN|DEV|MAP|ABT|CLI|STA|RUN)[0-9]{2})"(\s*,\s*"((?:[^"\\]|\\.)*)")?)re");
    for (const auto& entry : fs::recursive_directory_iterator(std::string(TRAKOR_SOURCE_DIR) + "/src")) {
        const fs::path& p = entry.path();
        if (!entry.is_regular_file() || (p.extension() != ".h" && p.extension() != ".cpp")) continue;
        if (p.string().find("/tests/") != std::string::npos) continue;
        const std::string code = test::readFile(p.string());
        for (std::sregex_iterator m(code.begin(), code.end(), pair), end; m != end; ++m) {
            std::string& english = found[(*m)[1]];
            if (english.empty()) english = (*m)[3];
        }
    }
    return found;
}

// Longest text each control or message takes (characters, a line break counting as two).
size_t limitFor(const std::string& k) {
    static const std::map<std::string, size_t> limits = {
        {"$MSG27", 7},   {"$MSG47", 32},  {"$MSG49", 64},  {"$MSG50", 64},  {"$MSG21", 128}, {"$MSG45", 128},
        {"$MSG46", 128}, {"$GDB02", 32},  {"$GDB03", 32},  {"$GDB04", 32},  {"$GDB05", 32},  {"$GDB06", 32},
        {"$GDB07", 32},  {"$GDB09", 32},  {"$GDB10", 32},  {"$GDB44", 32},  {"$GDB37", 255}, {"$GDB38", 255},
        {"$CLP15", 36},  {"$CLP16", 32},  {"$CLP17", 32},  {"$CLP18", 32},  {"$PRF27", 32},  {"$PRF11", 255},
        {"$PRF20", 255}, {"$LAN01", 32},  {"$LAN02", 32}};
    if (auto it = limits.find(k); it != limits.end()) return it->second;
    return k.starts_with("$MSG") ? 255 : 128;
}

struct LanguageFileTest : ::testing::Test {
    int32_t language = 1;
    LanguageFile file{language};
    std::set<std::string> tags;  // every "XX$KEYnn" that starts an entry line

    void SetUp() override {
        ASSERT_TRUE(file.load(kFile)) << kFile;
        std::istringstream lines(file.text());
        for (std::string line; std::getline(lines, line);)
            if (line.size() > 8 && line[2] == '$') tags.insert(line.substr(0, 8));
    }
    bool has(int32_t lang, const std::string& k) const {
        return tags.count(std::string(languageCode(lang)) + k) != 0;
    }
};

TEST_F(LanguageFileTest, EntryLinesAreWellFormedAndNotRepeated) {
    const std::regex entry(R"re([A-Z]{2}\$(MSG|GDB|CLP|PRF|LAN|DEV|MAP|ABT|CLI|STA|RUN|GPS)[0-9]{2} = "((?:[^"\\]|\\.)*)")re");
    std::istringstream lines(file.text());
    std::set<std::string> seen;
    int entries = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 9 || line[2] != '$') continue;
        ++entries;
        // An unescaped quote inside a text would end it early; a missing closing quote runs to the line end.
        EXPECT_TRUE(std::regex_match(line, entry)) << line;
        EXPECT_TRUE(seen.insert(line.substr(0, 8)).second) << "repeated entry: " << line.substr(0, 8);
        int code = 0;
        for (int l = 1; l <= 9; ++l)
            if (line.compare(0, 2, languageCode(l)) == 0) code = l;
        EXPECT_NE(code, 0) << "unknown language code: " << line;
    }
    EXPECT_GT(entries, 9 * 150);
}

TEST_F(LanguageFileTest, EveryKeyInEveryLanguageWithTheEnglishPlaceholders) {
    for (const std::string& k : requiredKeys()) {
        ASSERT_TRUE(has(1, k)) << "EN" << k;
        const std::string english = file.lookupIn(1, k, 255);
        for (int32_t lang = 2; lang <= 9; ++lang) {
            EXPECT_TRUE(has(lang, k)) << languageCode(lang) << k << " is missing";
            const std::string text = file.lookupIn(lang, k, 255);
            EXPECT_FALSE(text.empty()) << languageCode(lang) << k;
            EXPECT_EQ(formatSignature(text), formatSignature(english))
                << languageCode(lang) << k << ": \"" << text << "\" against \"" << english << "\"";
        }
    }
}

TEST_F(LanguageFileTest, TextsFitTheirControlsAndMessages) {
    for (const std::string& k : requiredKeys()) {
        const size_t limit = limitFor(k);
        for (int32_t lang = 1; lang <= 9; ++lang) {
            const std::string whole = file.lookupIn(lang, k, 255);
            EXPECT_EQ(file.lookupIn(lang, k, limit), whole)
                << languageCode(lang) << k << " is longer than " << limit << " characters: " << whole;
        }
    }
}

TEST_F(LanguageFileTest, HelpSuffixAndCoursePointNames) {
    // Course point names in TCX files: one whole line, 1 to 10 characters between the tags.
    const std::regex nameLine(R"(        <Name>[^<>&\s]([^<>&]{0,8}[^<>&\s])?</Name>\r\n)");
    for (int32_t lang = 1; lang <= 9; ++lang) {
        std::string suffix(languageCode(lang));
        for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(file.lookupIn(lang, "$MSG27", 7), suffix + ".pdf");
        // The guide the suffix names is built from docs/guide-<suffix>.ms.
        EXPECT_TRUE(fs::exists(std::string(TRAKOR_SOURCE_DIR) + "/docs/guide-" + suffix + ".ms")) << suffix;

        for (const char* k : {"$MSG49", "$MSG50"}) {
            const std::string line = file.lookupIn(lang, k, 64);
            ASSERT_TRUE(line.starts_with("        <Name>")) << languageCode(lang) << k;
            const std::string name = line.substr(14, line.find("</Name>") - 14);
            size_t chars = 0;
            for (unsigned char c : name) chars += (c & 0xC0) != 0x80;
            EXPECT_LE(chars, 10u) << languageCode(lang) << k << ": " << name;
            // The regex works on bytes: check the shape with every character counted once.
            std::string ascii;
            for (unsigned char c : name)
                if ((c & 0xC0) != 0x80) ascii += c < 0x80 ? static_cast<char>(c) : 'x';
            EXPECT_TRUE(std::regex_match("        <Name>" + ascii + line.substr(14 + name.size()), nameLine))
                << languageCode(lang) << k << ": " << line;
        }
    }
    EXPECT_EQ(file.lookupIn(1, "$MSG49", 64), "        <Name>Left</Name>\r\n");
    EXPECT_EQ(file.lookupIn(1, "$MSG50", 64), "        <Name>Right</Name>\r\n");
}

TEST_F(LanguageFileTest, EveryKeyTheSourcesAskForIsTranslatedWithTheirPlaceholders) {
    const auto used = keysInSources();
    ASSERT_FALSE(used.empty());
    for (const auto& [k, english] : used) {
        for (int32_t lang = 1; lang <= 9; ++lang)
            EXPECT_TRUE(has(lang, k)) << languageCode(lang) << k << " is asked for in the sources but missing";
        // A translation whose placeholders differ from the program's English is never used.
        if (!english.empty() && has(1, k)) {
            EXPECT_EQ(formatSignature(file.lookupIn(1, k, 255)), formatSignature(english)) << k << ": " << english;
        }
    }
}

// A translation is no copy of the English text: the same text is allowed only for a few words that
// the languages share ("Filter", "Route"), names and numbers aside.
TEST_F(LanguageFileTest, TranslationsAreNotCopiedEnglish) {
    const std::regex names(R"(Trakor3|MapSource|Quenby Software|%[0-9]*[sdcu]|[0-9]+)");
    const std::regex word(R"([A-Za-z]{2,})");
    for (const auto& [k, english] : keysInSources()) {
        const std::string en = file.lookupIn(1, k, 255);
        const std::string plain = std::regex_replace(en, names, " ");
        const auto words = std::distance(std::sregex_iterator(plain.begin(), plain.end(), word), std::sregex_iterator());
        if (words <= 2) continue;
        for (int32_t lang = 2; lang <= 9; ++lang)
            EXPECT_NE(file.lookupIn(lang, k, 255), en) << languageCode(lang) << k << " is the English text";
    }
}

}  // namespace
}  // namespace trakor
