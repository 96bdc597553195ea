// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces every dialog uses: keyed texts, number fields, window positions, mnemonics.
#pragma once

#include <QFontMetrics>
#include <QIcon>
#include <QList>
#include <QRect>
#include <QScrollArea>
#include <QString>
#include <cstdint>

#include "core/context.h"
#include "ui/ui_texts.h"
#include "view/window_place.h"

class QAbstractButton;
class QButtonGroup;
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
// of the group uses yet, taking a used letter from a neighbour that can move to another one when
// every letter of a text is taken. Buttons whose text already has one keep it; `reserved` holds
// letters that others own (a menu title's).
void assignMnemonics(const QList<QAbstractButton*>& buttons, const QString& reserved = QString());
// The letter after a real mnemonic marker ("&x", not "&&"), lower case, or a null character.
QChar mnemonicOf(const QString& text);

// Tab into the group lands on its checked button: only that one takes the focus by Tab (all of
// them while none is checked). Kept so as the checked button changes.
void tabToCheckedButton(QButtonGroup* group);

// The program's icon: the one installed in the desktop's icon theme, else the copy built in.
QIcon programIcon();

// The text with line breaks at spaces so that no line is wider than `width` pixels in `metrics`
// (a single word wider than that keeps its line). Breaks already in the text stay.
QString wrapText(const QString& text, const QFontMetrics& metrics, int width);

// A scroll area that asks for its content's whole size but lets the window shrink below it, so
// a window whose content is larger than the screen scrolls instead of running past the edge.
class FittingScrollArea : public QScrollArea {
public:
    explicit FittingScrollArea(QWidget* parent = nullptr);
    // Takes the content and follows the changes of its size.
    void setContent(QWidget* content);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Sizes the content to the view: its full width where it can have it, and the height that
    // width needs.
    void fitContent();
};

// Sizes a top-level window to its size hint cut to its screen's available area (less the frame
// the window manager adds), and moves it within that area.
void fitToScreen(QWidget* window);
// The same for a window about to be shown, done before its native window is made: a size set
// after that pins the window by its client corner, and the window manager then puts the frame
// above and left of a stored position, which creeps at every start. Once shown, fitToScreen
// again corrects what the frame's real size changes.
void fitBeforeShowing(QWidget* window);

// A number field wide enough for `largest` in its own font, whatever the language and scale.
void fitNumberField(QLineEdit* field, int largest);

using view::placeWithin;

// The width a title bar needs to show the window's title whole beside the window manager's icon
// and buttons (a bold title, buttons about a line high).
int titleBarWidth(const QWidget* window);

}  // namespace trakor
