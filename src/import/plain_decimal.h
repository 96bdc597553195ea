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
    const char* p = text.data();
    const char* const end = p + text.size();
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    // Digits beyond 19 wrap the integer around, but more than 15 are refused anyway.
    uint64_t digits = 0;
    const auto run = [&] {
        const char* const from = p;
        for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
            digits = digits * 10 + static_cast<uint64_t>(*p - '0');
        return static_cast<size_t>(p - from);
    };
    size_t count = run();
    size_t decimals = 0;
    if (p < end && *p == '.') {
        ++p;
        decimals = run();
        count += decimals;
    }
    if (p != end || count == 0 || count > 15) return false;
    const double v = static_cast<double>(digits) / kPowers[decimals];
    value = negative ? -v : v;
    return true;
}

}  // namespace trakor::scan
