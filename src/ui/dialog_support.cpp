#include "ui/dialog_support.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSet>
#include <QSignalBlocker>
#include <QWidget>
#include <cstdio>
#include <string>

#include "core/messages.h"

namespace trakor {

QString uiText(const Context& ctx, const UiText& t) {
    return QString::fromStdString(messageText(ctx, t.key, t.english, t.limit));
}

QString uiTextWith(const Context& ctx, const UiText& t, const char* arg) {
    return QString::fromStdString(formatMessage(ctx, t.key, t.english, t.limit, arg));
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
}  // namespace

void assignMnemonics(const QList<QAbstractButton*>& buttons) {
    QSet<QChar> used;
    for (QAbstractButton* b : buttons) {
        int i = mnemonicIndex(b->text());
        if (i >= 0) used.insert(b->text()[i].toLower());
    }
    for (QAbstractButton* b : buttons) {
        QString text = b->text();
        if (mnemonicIndex(text) >= 0) continue;
        for (int i = 0; i < text.size(); ++i) {
            QChar c = text[i].toLower();
            if (!c.isLetterOrNumber() || used.contains(c)) continue;
            if (i > 0 && text[i - 1] == u'&') continue;
            used.insert(c);
            text.insert(i, u'&');
            b->setText(text);
            break;
        }
    }
}

}  // namespace trakor
