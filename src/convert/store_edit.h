// SPDX-License-Identifier: GPL-3.0-or-later
// Small in-place edits of the point store shared by the thinning passes.
#pragma once

#include <cstdint>

#include "core/point_store.h"

namespace trakor::detail {

// Copies every field of point `from` to index `to`.
inline void movePoint(PointStore& s, int32_t to, int32_t from) {
    if (to != from) s.copyPoint(to, from);
}

// Part mark for a point that takes over another one's fields: a point that begins a part keeps
// beginning it, so the store never loses its first part start.
inline uint8_t mergedPartMark(uint8_t taker, uint8_t given) { return taker == 0 ? 0 : given; }

}  // namespace trakor::detail
