// Small pieces every dialog uses: keyed texts, number fields, window positions, mnemonics.
#pragma once

#include <QList>
#include <QString>
#include <cstdint>

#include "core/context.h"
#include "ui/ui_texts.h"

class QAbstractButton;
class QLineEdit;
class QWidget;

namespace trakor {

// The text of a key in the current language, or its English text with `Language` 0.
QString uiText(const Context& ctx, const UiText& t);

// A keyed text used as a format with one string argument ("%s"); a translation whose
// placeholders differ from the English ones is not used as a format.
QString uiTextWith(const Context& ctx, const UiText& t, const char* arg);

// The window title of the main dialog, with version and mode letter.
QString mainTitle(const Context& ctx);

// A number field's value: unsigned decimal; empty, non-numeric or too large text reads as 0.
uint32_t fieldNumber(const QString& text);
uint32_t fieldNumber(const QLineEdit* field);
// Sets a field's number without announcing it as an edit.
void setFieldNumber(QLineEdit* field, uint32_t value);
// Digits only, at most `maxChars` of them.
void limitToDigits(QLineEdit* field, int maxChars);

// Moves a window to a stored top-left corner when either coordinate is not 0.
void restorePosition(QWidget* window, int32_t left, int32_t top);
// Takes a window's top-left corner.
void takePosition(const QWidget* window, int32_t& left, int32_t& top);

// Gives each button without a mnemonic one: the first letter of its text that no other button
// of the group uses yet. Buttons whose text already has one keep it.
void assignMnemonics(const QList<QAbstractButton*>& buttons);

}  // namespace trakor
