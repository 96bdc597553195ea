// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/reflow_columns.h"

#include <QWidget>
#include <algorithm>

namespace trakor {

namespace {
int itemHeight(const QLayoutItem* item, int width) {
    return item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
}
}  // namespace

ReflowColumns::ReflowColumns(QWidget* parent) : QLayout(parent) {}

ReflowColumns::~ReflowColumns() {
    while (QLayoutItem* item = takeAt(0)) delete item;
}

void ReflowColumns::addColumn(QLayout* column) {
    addChildLayout(column);
    addItem(column);
}

void ReflowColumns::addColumn(QWidget* column) {
    addChildWidget(column);
    addItem(new QWidgetItemV2(column));
}

void ReflowColumns::addItem(QLayoutItem* item) {
    items_.append(item);
    invalidate();
}

QLayoutItem* ReflowColumns::itemAt(int index) const { return index >= 0 && index < items_.size() ? items_.at(index) : nullptr; }

QLayoutItem* ReflowColumns::takeAt(int index) {
    if (index < 0 || index >= items_.size()) return nullptr;
    QLayoutItem* item = items_.takeAt(index);
    invalidate();
    return item;
}

int ReflowColumns::count() const { return static_cast<int>(items_.size()); }

// Columns stand further apart than the controls within them.
int ReflowColumns::gap() const { return 2 * std::max(spacing(), 6); }

int ReflowColumns::sideBySideWidth() const {
    const QMargins m = contentsMargins();
    int width = m.left() + m.right();
    for (const QLayoutItem* item : items_) width += item->sizeHint().width();
    return width + gap() * std::max<int>(0, count() - 1);
}

int ReflowColumns::stackedHeight(int width) const {
    int height = 0;
    for (const QLayoutItem* item : items_) height += itemHeight(item, width);
    return height + gap() * std::max<int>(0, count() - 1);
}

QSize ReflowColumns::sizeHint() const {
    const QMargins m = contentsMargins();
    int height = 0;
    for (const QLayoutItem* item : items_) height = std::max(height, item->sizeHint().height());
    return {sideBySideWidth(), height + m.top() + m.bottom()};
}

QSize ReflowColumns::minimumSize() const {
    // As narrow as the widest column; the height a width needs comes from heightForWidth.
    const QMargins m = contentsMargins();
    int width = 0, height = 0;
    for (const QLayoutItem* item : items_) {
        width = std::max(width, item->minimumSize().width());
        height = std::max(height, item->minimumSize().height());
    }
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

int ReflowColumns::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    if (width >= sideBySideWidth()) return sizeHint().height();
    return stackedHeight(width - m.left() - m.right()) + m.top() + m.bottom();
}

Qt::Orientations ReflowColumns::expandingDirections() const {
    Qt::Orientations out;
    for (const QLayoutItem* item : items_) out |= item->expandingDirections();
    return out;
}

void ReflowColumns::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect inside = rect.marginsRemoved(contentsMargins());
    stacked_ = rect.width() < sideBySideWidth();
    if (stacked_) {
        int y = inside.top();
        for (QLayoutItem* item : items_) {
            const int h = itemHeight(item, inside.width());
            item->setGeometry(QRect(inside.left(), y, inside.width(), h));
            y += h + gap();
        }
        return;
    }
    // Side by side, the room beyond the columns' wanted widths shared out equally.
    const int extra = std::max(0, rect.width() - sideBySideWidth());
    int x = inside.left();
    for (qsizetype i = 0; i < items_.size(); ++i) {
        QLayoutItem* item = items_[i];
        const int share = extra / static_cast<int>(items_.size()) + (i < extra % items_.size() ? 1 : 0);
        const int w = item->sizeHint().width() + share;
        item->setGeometry(QRect(x, inside.top(), w, inside.height()));
        x += w + gap();
    }
}

}  // namespace trakor
