// SPDX-License-Identifier: GPL-3.0-or-later
// Message convention: every message has a key; its text is English or the language file's.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace trakor {

struct Context;

// QuestionOk: OK and Cancel with a question icon.
enum class MsgStyle : int { Plain = 0, QuestionOk = 33, QuestionCancel = 35, Question = 36, Warning = 48, Information = 64 };
enum class Answer : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// Shows a message and returns the user's answer. `key` is "$MSG09"-style, or a literal
// caption ("Info", "Klaar") for the few messages that have one.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual Answer notify(const std::string& key, const std::string& text, MsgStyle style) = 0;
};

// Text of a key in the current language, with the language file's own fallbacks;
// an empty result means "use the built-in English text".
class TextLookup {
public:
    virtual ~TextLookup() = default;
    virtual std::string lookup(std::string_view key, size_t limit) const = 0;
};

// "Trakor3 ($MSG09)" for a key, the literal itself for a literal caption.
std::string captionFor(std::string_view appName, std::string_view key);

// The text to show for a key: English when Language is 0 or no text lookup is set, else the
// lookup's text (an empty translation stays empty).
std::string messageText(const Context& ctx, const char* key, const char* english, size_t limit = 256);

// The text of a key formatted printf-style with the arguments. The looked-up text is the format
// unless its placeholders differ from the English ones (then the English text is); an English text
// without placeholders is returned as it stands.
std::string formatMessage(const Context& ctx, const char* key, const char* english, size_t limit, ...);
std::string vformatMessage(const Context& ctx, const char* key, const char* english, size_t limit, va_list args);

// Looks up, formats (printf-style, the looked-up text as format) and notifies.
// A translation whose placeholders differ from the English ones is not used as a format.
Answer tell(Context& ctx, const char* key, const char* english, MsgStyle style, ...);
// A message with a literal caption and no key.
Answer tellLiteral(Context& ctx, const char* caption, const std::string& text, MsgStyle style);

// A text of a window by its key, with its built-in English wording and lookup limit.
struct UiText {
    const char* key;
    const char* english;
    size_t limit;
};

// A message of a subsystem's table: key, built-in English text, style.
struct KeyedMessage {
    const char* key;
    const char* english;
    MsgStyle style;
};

// Shows a keyed message, its arguments formatted into the (looked-up) text.
template <class... Args>
Answer say(Context& ctx, const KeyedMessage& m, Args... args) {
    return tell(ctx, m.key, m.english, m.style, args...);
}

// The conversion letters of a printf format ("%s %u" -> "su"); used to guard translated formats.
std::string formatSignature(std::string_view format);

}  // namespace trakor
