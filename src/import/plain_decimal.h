// Plain decimal numbers ("51.5", "-0.123456") read fast and exactly as strtod and from_chars read
// them: at most 15 digits make an integer a double holds exactly, and one division by an exact
// power of ten rounds the quotient once, to the double nearest the decimal value.
#pragma once

#include <cstdint>
#include <string_view>

namespace trakor::scan {

// The whole text as [sign] digits [. digits] with 1 to 15 digits; false for any other text
// (blanks, exponent, more digits, other characters), which needs the full number reader.
inline bool plainDecimal(std::string_view text, double& value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
    uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++count > 15) return false;
            digits = digits * 10 + static_cast<uint64_t>(c - '0');
            decimals += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (count == 0) return false;
    const double v = static_cast<double>(digits) / kPowers[decimals];
    value = negative ? -v : v;
    return true;
}

}  // namespace trakor::scan
