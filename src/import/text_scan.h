// SPDX-License-Identifier: GPL-3.0-or-later
// Byte-scanning helpers shared by the text importers: fixed, case-sensitive tags at a position,
// bounded copies up to a delimiter, numbers in the C locale and XML date-times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

namespace trakor::scan {

// The whole input; every helper stays inside [0, size).
struct Text {
    const uint8_t* bytes;
    size_t size;

    char at(size_t p) const { return p < size ? static_cast<char>(bytes[p]) : '\0'; }
    // Whether the tag starts at p. Every tag begins with '<', so the first four bytes are
    // compared as one word inline and the library is asked for the rest only when they match.
    bool has(size_t p, std::string_view tag) const {
        if (p >= size || tag.empty() || tag.size() > size - p) return false;
        if (tag.size() >= 4) {
            uint32_t here, want;
            std::memcpy(&here, bytes + p, 4);
            std::memcpy(&want, tag.data(), 4);
            return here == want && std::memcmp(bytes + p + 4, tag.data() + 4, tag.size() - 4) == 0;
        }
        return std::memcmp(bytes + p, tag.data(), tag.size()) == 0;
    }
    // First position >= p where the tag starts, or size.
    size_t find(size_t p, std::string_view tag) const;
    // First position >= p holding c, or size. Most delimiters are a few bytes on (the end of a
    // number or a date): those are looked for inline before memchr is called.
    size_t findChar(size_t p, char c) const {
        if (p >= size) return size;
        const size_t near = size - p < 16 ? size : p + 16;
        for (size_t q = p; q < near; ++q)
            if (bytes[q] == static_cast<uint8_t>(c)) return q;
        if (near >= size) return size;
        const void* hit = std::memchr(bytes + near, c, size - near);
        return hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - bytes) : size;
    }
    // The next tag after p: scanners whose every test starts at a '<' skip the bytes between.
    size_t nextTag(size_t p) const { return findChar(p + 1, '<'); }
    // Copies from p up to the delimiter (or the end) into out, keeping at most bufferSize - 1
    // bytes as a fixed text buffer of that size would; returns the delimiter's position or size.
    size_t copyUntil(size_t p, char delim, size_t bufferSize, std::string& out) const;
    // The same bytes as a view into the input, without a copy.
    size_t viewUntil(size_t p, char delim, size_t bufferSize, std::string_view& out) const;
};

// An element name as the GPX and KML readers take it: the text of a CDATA section up to the
// next ']', otherwise the text up to the next '<'. p is just after the start tag.
size_t copyName(const Text& text, size_t p, size_t bufferSize, std::string& out);

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
