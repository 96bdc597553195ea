// SPDX-License-Identifier: GPL-3.0-or-later
// Where a top-level window goes on its screen: placed by its frame (title bar included), which
// the window manager adds around the client area.
#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace trakor::view {

// Where a window with frame `frame` goes to lie within `available`: moved as little as
// possible, top-left corner kept on screen when it cannot fit whole.
QPoint placeWithin(const QRect& frame, const QRect& available);

// The room a window manager's frame is likely to take before it has said: a title bar.
int titleBarAllowance(const QWidget* window);

// Centres a window not yet shown over its parent (or its screen) and keeps its frame within the
// screen's room. Done before the native window is made, the position is that of the frame: the
// window manager then puts the title bar at it rather than above it.
void placeBeforeShowing(QWidget* window);

}  // namespace trakor::view
