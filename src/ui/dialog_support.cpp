// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialog_support.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QFontMetrics>
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
#include <QWindow>
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

FittingScrollArea::FittingScrollArea(QWidget* parent) : QScrollArea(parent) {
    // The content is sized here, not by the scroll area: its height follows its width.
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
}

void FittingScrollArea::setContent(QWidget* content) {
    setWidget(content);
    content->installEventFilter(this);
    fitContent();
}

bool FittingScrollArea::eventFilter(QObject* watched, QEvent* event) {
    // The content's layout changed (a control shown, a new text): the window's layout asks again.
    if (watched == widget() && event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        fitContent();
    }
    return QScrollArea::eventFilter(watched, event);
}

void FittingScrollArea::resizeEvent(QResizeEvent* event) {
    fitContent();
    QScrollArea::resizeEvent(event);
}

void FittingScrollArea::fitContent() {
    QWidget* content = widget();
    if (content == nullptr) return;
    if (content->layout() != nullptr) content->layout()->activate();
    // As wide as the view, never narrower than the content's narrowest arrangement (columns one
    // below the other) and never lower than that width needs: below those it scrolls.
    const QSize room = maximumViewportSize();
    const QSize hint = content->sizeHint();
    const int narrowest = content->minimumSizeHint().width();
    auto heightAt = [&](int width) { return content->hasHeightForWidth() ? std::max(hint.height(), content->heightForWidth(width)) : hint.height(); };
    int width = std::max(room.width(), narrowest);
    int height = heightAt(width);
    if (height > room.height()) {
        // The vertical scroll bar takes its width from the content.
        width = std::max(room.width() - verticalScrollBar()->sizeHint().width(), narrowest);
        height = heightAt(width);
    } else {
        height = room.height();
    }
    if (content->size() != QSize(width, height)) content->resize(width, height);
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

namespace {
// Lays out every layout of a window that is waiting for it, so the window's size hint holds what
// changed (new texts, controls shown or hidden). Innermost first: each layout, once done, tells
// the one around it that its size changed.
void settleLayouts(QWidget* window) {
    QList<std::pair<int, QLayout*>> layouts;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->layout() == nullptr) continue;
        int depth = 0;
        for (QWidget* p = child; p != window; p = p->parentWidget()) ++depth;
        layouts.append({depth, child->layout()});
    }
    std::stable_sort(layouts.begin(), layouts.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [depth, layout] : layouts) layout->activate();
    for (FittingScrollArea* area : window->findChildren<FittingScrollArea*>()) area->updateGeometry();
    if (window->layout() != nullptr) window->layout()->activate();
}
}  // namespace

void fitToScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();
    settleLayouts(window);
    // The frame is known once the window system has told it; before that a title bar and a thin
    // border are allowed for.
    const QMargins margins = window->windowHandle() != nullptr ? window->windowHandle()->frameMargins() : QMargins();
    QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (!window->isVisible() || frame.isEmpty()) frame = frame.expandedTo(QSize(8, view::titleBarAllowance(window)));
    QSize wanted = window->sizeHint().expandedTo(window->minimumSizeHint());
    const QSize room = available.size() - frame;
    // Narrower than it wants, content that reflows (columns one below the other) grows taller.
    if (const int short_ = wanted.width() - room.width(); short_ > 0)
        for (FittingScrollArea* area : window->findChildren<FittingScrollArea*>()) {
            const QWidget* content = area->widget();
            if (content == nullptr || !content->hasHeightForWidth()) continue;
            const QSize hint = content->sizeHint();
            wanted.rheight() += std::max(0, content->heightForWidth(hint.width() - short_) - hint.height());
        }
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
    fitToScreen(window);
}

int titleBarWidth(const QWidget* window) {
    QFont bold = window->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(window->windowTitle()) + 6 * metrics.height();
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
