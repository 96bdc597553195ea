// SPDX-License-Identifier: GPL-3.0-or-later
// The language file and the lookup of a text by its key, with the file's English entries and the
// key itself as fallbacks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/messages.h"
#include "platform/environment.h"

namespace trakor {

struct Context;

// Two-letter code of a `Language` value in the file ("EN" for 1 ... "TR" for 9); "" for 0 and
// for values without a language.
std::string_view languageCode(int32_t language);

// The language a locale name asks for: nl, de, fr, pt, it, pl, es and tr have their own, every
// other locale (also "C") gets English (1).
int32_t languageForLocale(std::string_view localeName);
// The language of the user's messages locale (LC_ALL, LC_MESSAGES, LANG).
int32_t initialLanguage(const Environment& env);

// Every text of every language, held as one UTF-8 text and searched for tags on each lookup.
class LanguageFile : public TextLookup {
public:
    // `language` is the settings record's `Language`, read at every lookup so a change takes effect at once.
    explicit LanguageFile(const int32_t& language) : language_(&language) {}

    // Reads the file; false when it cannot be opened (the text then stays empty).
    bool load(const std::string& path);
    // Takes the file's bytes: CRLF and lone CR become LF, a UTF-8 byte order mark is dropped and
    // a line that is not UTF-8 is read in the code page of its language (Windows-1250 for Polish,
    // 1254 for Turkish, 1252 for the others).
    void setText(std::string_view bytes);
    const std::string& text() const { return text_; }

    // The text of `key` in the current language, else in the file's English, else the key itself;
    // at most min(limit, 255) characters, a line break counting as two.
    std::string lookup(std::string_view key, size_t limit) const override;
    std::string lookupIn(int32_t language, std::string_view key, size_t limit) const;

private:
    enum class Found { None, Text, Blank };
    Found search(std::string_view tag, size_t limit, std::string& out) const;

    const int32_t* language_;
    std::string text_;
};

// As the main dialog starts: a `Language` of 0 is replaced, without being stored, by the
// language of the user's locale.
void chooseInitialLanguage(Context& ctx, const Environment& env);

// Loads the language file of the run into `file` and makes it the context's lookup. A file that
// cannot be opened is told in a plain message captioned with the application name, and
// `Language` becomes 0 (not stored). Returns whether the file was loaded.
bool loadLanguageFile(Context& ctx, LanguageFile& file);

}  // namespace trakor
