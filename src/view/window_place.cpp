// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/window_place.h"

#include <QFontMetrics>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace trakor::view {

QPoint placeWithin(const QRect& frame, const QRect& available) {
    QPoint p = frame.topLeft();
    if (frame.right() > available.right()) p.rx() -= frame.right() - available.right();
    if (frame.bottom() > available.bottom()) p.ry() -= frame.bottom() - available.bottom();
    p.setX(std::max(p.x(), available.left()));
    p.setY(std::max(p.y(), available.top()));
    return p;
}

int titleBarAllowance(const QWidget* window) { return window->fontMetrics().height() * 2; }

void placeBeforeShowing(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) return;
    const QRect room = screen->availableGeometry();
    const QSize frame(0, titleBarAllowance(window));
    const QSize size = window->size().boundedTo(room.size() - frame).expandedTo(window->minimumSize());
    if (size != window->size()) window->resize(size);
    const QWidget* parent = window->parentWidget();
    const QRect over = parent != nullptr && parent->isVisible() ? parent->window()->frameGeometry() : room;
    QRect wanted(QPoint(0, 0), size + frame);
    wanted.moveCenter(over.center());
    window->move(placeWithin(wanted, room));
}

}  // namespace trakor::view
