// SPDX-License-Identifier: GPL-3.0-or-later
// Garmin's names of waypoint symbols and display colours as GPX files write them.
#pragma once

#include <cstdint>
#include <string_view>

namespace trakor {

constexpr int kWaypointSymbolSlots = 249;  // codes 0..248
constexpr int kDisplayColorSlots = 16;     // Black = 1 ... White = 16

// Name of GDB symbol code 0..248 ("" for a code out of range).
std::string_view waypointSymbolName(int code);
// Symbol code of a name, or -1 when no slot holds exactly that name.
int waypointSymbolCode(std::string_view name);
// GDB colour index 1..16 of a colour name, or 0 when it is not one of the 16 names.
uint8_t displayColorIndex(std::string_view name);

}  // namespace trakor
