// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/language.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/context.h"
#include "platform/locale.h"
#include "platform/text_encoding.h"
#include "platform/utf8.h"

namespace trakor {

namespace {
constexpr std::string_view kCodes[] = {"", "EN", "NL", "DE", "FR", "PT", "IT", "PL", "ES", "TR"};
// Lower-case locale languages of the codes above, from NL on.
constexpr std::string_view kLocaleLanguages[] = {"nl", "de", "fr", "pt", "it", "pl", "es", "tr"};
// One lookup yields at most this many characters.
constexpr size_t kMaxText = 255;
}  // namespace

std::string_view languageCode(int32_t language) {
    if (language < 1 || language > 9) return {};
    return kCodes[language];
}

int32_t languageForLocale(std::string_view localeName) {
    const std::string lang = localeLanguage(localeName);
    for (size_t i = 0; i < std::size(kLocaleLanguages); ++i)
        if (lang == kLocaleLanguages[i]) return static_cast<int32_t>(i) + 2;
    return 1;
}

int32_t initialLanguage(const Environment& env) { return languageForLocale(localeNameFor(env, "LC_MESSAGES")); }

bool LanguageFile::load(const std::string& path) {
    text_.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    setText(ss.str());
    return true;
}

namespace {

// The code page a line that is not UTF-8 was saved in: that of the language of the line's first
// tag (Windows-1250 for Polish, 1254 for Turkish, 1252 for the others and for lines without a tag).
int legacyCodePageOf(std::string_view line) {
    for (size_t at = line.find('$', 2); at != std::string_view::npos; at = line.find('$', at + 1)) {
        const std::string_view code = line.substr(at - 2, 2);
        if (code == "PL") return 1250;
        if (code == "TR") return 1254;
        if (std::find(std::begin(kCodes) + 1, std::end(kCodes), code) != std::end(kCodes)) return 1252;
    }
    return 1252;
}

}  // namespace

void LanguageFile::setText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    text_.clear();
    text_.reserve(bytes.size() + bytes.size() / 8);
    // Line by line, so one stray byte garbles no more than its own line.
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = bytes.substr(pos, end - pos);
        if (isValidUtf8(line))
            text_.append(line);
        else
            text_ += windowsCodePageToUtf8(line, legacyCodePageOf(line));
        if (end == bytes.size()) break;
        text_ += '\n';  // CRLF and a lone CR become LF
        pos = end + 1;
        if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') ++pos;
    }
}

// One pass: the first occurrence of `tag` that has a quote on its line gives the text.
LanguageFile::Found LanguageFile::search(std::string_view tag, size_t limit, std::string& out) const {
    const std::string_view t(text_);
    size_t pos = 0;
    for (;;) {
        size_t at = t.find(tag, pos);
        if (at == std::string_view::npos) return Found::None;
        size_t i = at + tag.size();
        while (i < t.size() && t[i] != '\n' && t[i] != '"') ++i;
        if (i >= t.size()) return Found::None;
        if (t[i] == '\n') {
            pos = i;  // no text on this line: look for a later occurrence
            continue;
        }
        ++i;  // opening quote
        out.clear();
        size_t chars = 0;
        bool closed = false;
        while (i < t.size() && t[i] != '\n') {
            char c = t[i];
            if (c == '"') {
                closed = true;
                break;
            }
            if (c == '\\' && i + 1 < t.size() && t[i + 1] == 'n') {
                if (chars + 2 <= limit) out += "\r\n";
                chars += 2;
                i += 2;
                continue;
            }
            if (c == '\\' && i + 1 < t.size() && t[i + 1] == '"') {
                if (chars < limit) out += '"';
                ++chars;
                i += 2;
                continue;
            }
            size_t n = utf8SequenceLength(t, i);
            if (n == 0) n = 1;
            if (chars < limit) out.append(t.substr(i, n));
            ++chars;
            i += n;
        }
        if (!closed && out.find_first_not_of(" \t") == std::string::npos) return Found::Blank;
        return Found::Text;
    }
}

std::string LanguageFile::lookupIn(int32_t language, std::string_view key, size_t limit) const {
    limit = std::min(limit, kMaxText);
    std::string out;
    const std::string_view code = languageCode(language);
    if (!code.empty()) {
        Found f = search(std::string(code) + std::string(key.substr(0, 6)), limit, out);
        if (f == Found::Text) return out;
        if (f == Found::Blank) return std::string(key);
    }
    if (search("EN" + std::string(key), limit, out) == Found::Text) return out;
    return std::string(key);
}

std::string LanguageFile::lookup(std::string_view key, size_t limit) const { return lookupIn(*language_, key, limit); }

void chooseInitialLanguage(Context& ctx, const Environment& env) {
    if (ctx.settings.Language == 0) ctx.settings.Language = initialLanguage(env);
}

bool loadLanguageFile(Context& ctx, LanguageFile& file) {
    ctx.texts = &file;
    if (file.load(ctx.paths.languageFile)) return true;
    tellLiteral(ctx, ctx.paths.appName.c_str(), "Language file could not be found\nInternal language (English) will be used",
                MsgStyle::Plain);
    ctx.settings.Language = 0;
    return false;
}

}  // namespace trakor
