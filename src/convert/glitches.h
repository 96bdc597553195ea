// SPDX-License-Identifier: GPL-3.0-or-later
// Glitch removal: out-and-back spikes and points too close to their predecessor.
#pragma once

namespace trakor {

struct Context;

// Cleans the route or track in the store straight after reading. Spikes go when the setting
// `Removal Glitches` is 1; points within `Removal Distance` / 10 metres of their predecessor go
// when `Removal Distance` is at least 1. Via points stay, except that an invisible via point
// (negative reference) takes the place of the ordinary point it lands on.
void removeGlitches(Context& ctx);

}  // namespace trakor
