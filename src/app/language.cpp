#include "app/language.h"

#include <fstream>
#include <sstream>

#include "core/context.h"
#include "platform/locale.h"
#include "platform/text_encoding.h"

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

void LanguageFile::setText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::string lf;
    lf.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            lf += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            lf += bytes[i];
        }
    }
    text_ = toUtf8(lf);
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
