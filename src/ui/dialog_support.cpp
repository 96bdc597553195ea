// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialog_support.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QHash>
#include <QSet>
#include <QSignalBlocker>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "core/messages.h"

namespace trakor {

// Line breaks of the language file come as CR LF; a window shows a plain line feed.
QString uiText(const Context& ctx, const UiText& t) {
    return QString::fromStdString(messageText(ctx, t.key, t.english, t.limit)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString uiTextWith(const Context& ctx, const UiText& t, const char* arg) {
    return QString::fromStdString(formatMessage(ctx, t.key, t.english, t.limit, arg)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString mainTitle(const Context& ctx) {
    const UiText& t = gdbtext::Title;
    return QString::fromStdString(formatMessage(ctx, t.key, t.english, t.limit, kProgramVersion, ctx.paths.modeLetter));
}

uint32_t fieldNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return 0;
    uint64_t v = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9') return 0;
        v = v * 10 + static_cast<uint64_t>(c.unicode() - u'0');
        if (v > UINT32_MAX) return 0;
    }
    return static_cast<uint32_t>(v);
}

uint32_t fieldNumber(const QLineEdit* field) { return fieldNumber(field->text()); }

void setFieldNumber(QLineEdit* field, uint32_t value) {
    QSignalBlocker quiet(field);
    field->setText(QString::number(value));
}

void limitToDigits(QLineEdit* field, int maxChars) {
    field->setMaxLength(maxChars);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
}

void restorePosition(QWidget* window, int32_t left, int32_t top) {
    if (left != 0 || top != 0) window->move(left, top);
}

void takePosition(const QWidget* window, int32_t& left, int32_t& top) {
    QPoint p = window->pos();
    left = p.x();
    top = p.y();
}

namespace {
// Index of the character after a real mnemonic marker ("&x", not "&&"), or -1.
int mnemonicIndex(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

// The letters a text can give as its mnemonic, in the order of preference (text order).
QList<QChar> mnemonicCandidates(const QString& text) {
    QList<QChar> out;
    for (int i = 0; i < text.size(); ++i) {
        QChar c = text[i].toLower();
        if (c.isLetterOrNumber() && !out.contains(c)) out << c;
    }
    return out;
}

// Hands a letter to button `b`, moving the letter of another button to one of its own free
// letters where that frees one (one augmenting step of a bipartite matching).
bool claimLetter(int b, const QList<QList<QChar>>& candidates, const QSet<QChar>& fixed, QHash<QChar, int>& owner,
                 QList<QChar>& pick, QSet<QChar>& visited) {
    for (QChar c : candidates[b]) {
        if (fixed.contains(c) || visited.contains(c)) continue;
        visited.insert(c);
        auto it = owner.find(c);
        if (it == owner.end() || claimLetter(it.value(), candidates, fixed, owner, pick, visited)) {
            owner[c] = b;
            pick[b] = c;
            return true;
        }
    }
    return false;
}
}  // namespace

QChar mnemonicOf(const QString& text) {
    int i = mnemonicIndex(text);
    return i < 0 ? QChar() : text[i].toLower();
}

void assignMnemonics(const QList<QAbstractButton*>& buttons, const QString& reserved) {
    QSet<QChar> fixed;
    for (QChar c : reserved) fixed.insert(c.toLower());
    for (QAbstractButton* b : buttons)
        if (QChar m = mnemonicOf(b->text()); !m.isNull()) fixed.insert(m);

    QList<QList<QChar>> candidates;
    QList<QChar> pick;
    QHash<QChar, int> owner;
    for (QAbstractButton* b : buttons) {
        candidates << (mnemonicOf(b->text()).isNull() ? mnemonicCandidates(b->text()) : QList<QChar>());
        pick << QChar();
    }
    // First come, first served: each button takes the first letter of its text still free...
    for (int b = 0; b < candidates.size(); ++b) {
        for (QChar c : candidates[b]) {
            if (fixed.contains(c) || owner.contains(c)) continue;
            owner[c] = b;
            pick[b] = c;
            break;
        }
    }
    // ...and a button left without one takes a letter from a button that can move to another.
    for (int b = 0; b < candidates.size(); ++b) {
        if (!pick[b].isNull() || candidates[b].isEmpty()) continue;
        QSet<QChar> visited;
        claimLetter(b, candidates, fixed, owner, pick, visited);
    }
    for (int b = 0; b < candidates.size(); ++b) {
        if (pick[b].isNull()) continue;
        QString text = buttons[b]->text();
        for (int i = 0; i < text.size(); ++i) {
            if (text[i].toLower() != pick[b]) continue;
            text.insert(i, u'&');
            buttons[b]->setText(text);
            break;
        }
    }
}

void tabToCheckedButton(QButtonGroup* group) {
    auto apply = [group] {
        QAbstractButton* checked = group->checkedButton();
        for (QAbstractButton* b : group->buttons()) {
            const bool tab = checked == nullptr || b == checked;
            const int policy = tab ? (b->focusPolicy() | Qt::TabFocus) : (b->focusPolicy() & ~Qt::TabFocus);
            b->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy));
        }
    };
    apply();
    QObject::connect(group, &QButtonGroup::buttonToggled, group, apply);
}

QIcon programIcon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("trakor3"));
    if (!icon.isNull() && !icon.availableSizes().isEmpty()) return icon;
    icon = QIcon();
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/trakor3/icons/trakor3-%1.png").arg(size), QSize(size, size));
    return icon;
}

QString wrapText(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        bool started = false;
        for (const QString& word : paragraph.split(u' ')) {
            if (!std::exchange(started, true)) {
                line = word;
                continue;
            }
            QString longer = line + u' ' + word;
            if (!line.trimmed().isEmpty() && metrics.horizontalAdvance(QString(longer).remove(u'&')) > width) {
                lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        lines << line;
    }
    return lines.join(u'\n');
}

QPoint placeWithin(const QRect& frame, const QRect& available) {
    QPoint p = frame.topLeft();
    if (frame.right() > available.right()) p.rx() -= frame.right() - available.right();
    if (frame.bottom() > available.bottom()) p.ry() -= frame.bottom() - available.bottom();
    p.setX(std::max(p.x(), available.left()));
    p.setY(std::max(p.y(), available.top()));
    return p;
}

FittingScrollArea::FittingScrollArea(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
}

void FittingScrollArea::setContent(QWidget* content) {
    // Below its wanted size the content scrolls rather than squeezing its controls.
    content->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    setWidget(content);
    content->installEventFilter(this);
}

bool FittingScrollArea::eventFilter(QObject* watched, QEvent* event) {
    // The content's layout changed (a control shown, a new text): the window's layout asks again.
    if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

QSize FittingScrollArea::sizeHint() const {
    const int f = 2 * frameWidth();
    if (widget() == nullptr) return QSize(f, f);
    return widget()->sizeHint().expandedTo(widget()->minimumSizeHint()) + QSize(f, f);
}

QSize FittingScrollArea::minimumSizeHint() const {
    // Room for both scroll bars and a little of the content.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return QSize(6 * bar, 4 * bar);
}

void fitToScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();
    // Content that changed since the layout last asked (new texts) is measured afresh.
    for (FittingScrollArea* area : window->findChildren<FittingScrollArea*>()) area->updateGeometry();
    if (window->layout() != nullptr) window->layout()->activate();
    // The frame is known once the window is shown; before that a title bar's height is allowed for.
    QSize frame = window->frameGeometry().size() - window->geometry().size();
    if (!window->isVisible() || frame.isEmpty()) frame = frame.expandedTo(QSize(0, window->fontMetrics().height() * 2));
    QSize wanted = window->sizeHint().expandedTo(window->minimumSizeHint());
    const QSize room = available.size() - frame;
    if (wanted.height() > room.height()) {
        // A vertical scroll bar will take width from the content.
        wanted.rwidth() += window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
    }
    // Resized and moved only when they must be: either, once the native window is made and
    // before the window manager has told its frame, takes the frame's corner for the client's.
    const QSize size = wanted.boundedTo(room).expandedTo(window->minimumSize());
    if (size != window->size()) window->resize(size);
    const QPoint place = placeWithin(QRect(window->pos(), window->size() + frame), available);
    if (place != window->pos()) window->move(place);
}

void fitBeforeShowing(QWidget* window) {
    // Styled and laid out as it will be shown, so its wanted size is the real one.
    window->ensurePolished();
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->layout() != nullptr) child->layout()->activate();
    if (window->layout() != nullptr) window->layout()->activate();
    fitToScreen(window);
}

void fitNumberField(QLineEdit* field, int largest) {
    const int digits = field->fontMetrics().horizontalAdvance(QString::number(largest) + QLatin1Char('0'));
    QStyleOptionFrame option;
    option.initFrom(field);
    const QSize hint = field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(digits, field->fontMetrics().height()), field);
    field->setMinimumWidth(hint.width());
    field->setMaximumWidth(hint.width());
}

}  // namespace trakor
