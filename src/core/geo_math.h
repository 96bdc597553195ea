// SPDX-License-Identifier: GPL-3.0-or-later
// The elementary functions the geometry and the map projection use. C libraries round them
// differently (one in a few hundred results differs by an ulp between two libraries), which moves
// distances, turns and the points chosen from them. Every caller goes through these, so a build
// picks the same functions for all of them: the C library's where it is the reference (glibc),
// or the correctly rounded ones below (TRAKOR_PORTABLE_MATH), which give the same bits on every
// system and agree with glibc wherever glibc is correctly rounded.
#pragma once

#include <cmath>

namespace trakor::math {

// Correctly rounded to nearest (the exact value rounded once), evaluated in double-double
// arithmetic to about 2^-100 relative: only an exact value that close to the middle between two
// doubles could round the other way. sin and cos reduce |x| up to 2^20 themselves and leave
// larger arguments, which no geometry gives, to the C library.
namespace correct {
double sin(double x);
double cos(double x);
double asin(double x);
double acos(double x);
double atan(double x);
double atan2(double y, double x);
}  // namespace correct

#ifdef TRAKOR_PORTABLE_MATH
inline double sin(double x) { return correct::sin(x); }
inline double cos(double x) { return correct::cos(x); }
inline double asin(double x) { return correct::asin(x); }
inline double acos(double x) { return correct::acos(x); }
inline double atan(double x) { return correct::atan(x); }
inline double atan2(double y, double x) { return correct::atan2(y, x); }
#else
inline double sin(double x) { return std::sin(x); }
inline double cos(double x) { return std::cos(x); }
inline double asin(double x) { return std::asin(x); }
inline double acos(double x) { return std::acos(x); }
inline double atan(double x) { return std::atan(x); }
inline double atan2(double y, double x) { return std::atan2(y, x); }
#endif

// The map projection's other functions, from the C library in every build for now.
inline double tan(double x) { return std::tan(x); }
inline double log(double x) { return std::log(x); }
inline double log2(double x) { return std::log2(x); }
inline double log10(double x) { return std::log10(x); }
inline double exp2(double x) { return std::exp2(x); }
inline double sinh(double x) { return std::sinh(x); }
inline double pow(double x, double y) { return std::pow(x, y); }

}  // namespace trakor::math
