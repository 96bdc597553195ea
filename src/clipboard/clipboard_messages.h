// SPDX-License-Identifier: GPL-3.0-or-later
// Every message of the clipboard conversion: key, built-in English text, style.
#pragma once

#include "core/run_messages.h"

namespace trakor::cmsg {

inline constexpr KeyedMessage kRouteTooShort{"$MSG32", "Route %0d not converted\nThere are not enough route points",
                                              MsgStyle::Plain};
inline constexpr KeyedMessage kTrackTooShort{"$MSG35", "Track %0d not converted\nThere are not enough track points",
                                              MsgStyle::Plain};
inline constexpr KeyedMessage kEmpty{"$MSG39", "Clipboard empty", MsgStyle::Plain};
inline constexpr KeyedMessage kNoGarminData{"$MSG40", "No Garmin data found\non the clipboard", MsgStyle::Information};
inline constexpr KeyedMessage kAlreadyDone{"$MSG41", "Conversion already done", MsgStyle::Warning};
inline constexpr KeyedMessage kNothingConverted{
    "$MSG42", "The clipboard doesn't contain routes or tracks.\nConversion failed.", MsgStyle::Plain};
inline constexpr KeyedMessage kOption3ToMapSource{
    "$MSG43", "The result of option 3 conversions is always send to MapSource.", MsgStyle::Information};
inline constexpr KeyedMessage kConverted{
    "$MSG44",
    "%0d route(s) converted\n%0d track(s) converted\n\nYou can paste the result now\nin MapSource or BaseCamp",
    MsgStyle::Plain};

// Messages of this program's own that the older texts lack; language files may translate them.
inline constexpr KeyedMessage kDamaged{
    "$MSG85", "The Garmin data on the clipboard is damaged.\nConversion failed.", MsgStyle::Warning};

}  // namespace trakor::cmsg
