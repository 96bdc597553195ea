// SPDX-License-Identifier: GPL-3.0-or-later
// Text helpers shared by the importers: numbers in the C locale and XML date-times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace trakor::scan {

// String-to-double as the C library's strtod in the "C" locale for decimal texts: leading blanks,
// sign, digits, point, exponent; stops at the first other character; 0 when nothing converts.
// Unlike strtod it reads no hexadecimal form: "0x1A" gives the 0 before the x.
double parseDouble(std::string_view text);
// A coordinate in degrees: the whole text (blanks aside) must be one decimal number, else NaN.
double parseCoordinate(std::string_view text);

// A date-time text "YYYY-MM-DDThh:mm:ss..." read by position as UTC. Fills the local time of that
// instant (system time-zone rules) and returns its seconds since 1970, cut to 32 bits. Returns 0
// and leaves local zeroed when the fields do not form a valid date and time.
int32_t utcTextToTime(std::string_view text, std::tm* local = nullptr);

}  // namespace trakor::scan
