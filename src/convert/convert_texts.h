// SPDX-License-Identifier: GPL-3.0-or-later
// Message keys and built-in English texts of the GDB route and track conversions.
#pragma once

#include <string>

namespace trakor {

struct Context;

namespace texts {

struct Text {
    const char* key;
    const char* english;
};

inline constexpr Text kRouteNotConverted{"$MSG32", "Route %0d not converted\nThere are not enough route points"};
inline constexpr Text kTooManyViaPoints{
    "$MSG33", "The original route contained more via points (%d)\nthan the requested maximum number (%d)."};
inline constexpr Text kRouteBadlyFiltered{"$MSG34",
                                          "Route %d is incorrectly filtered.\nThere are more via points than requested."};
inline constexpr Text kTrackNotConverted{"$MSG35", "Track %0d not converted\nThere are not enough track points"};
inline constexpr Text kOver99999{"$MSG36", "Cannot convert more than 99999 trackpoints,\ntrack \"%s\" skipped."};

}  // namespace texts

// The text of a message in the current language, formatted with the arguments (printf-style);
// used for the information text that the driver shows after a record.
std::string formatText(const Context& ctx, texts::Text text, ...);

}  // namespace trakor
