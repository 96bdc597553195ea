// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8 text: decoding and encoding code points, checking, counting and cutting on character
// boundaries. Pure functions; they live at the bottom layer because the settings back ends
// (INI files, the Wine registry) decode and encode UTF-8 themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trakor {

// Length of the well-formed UTF-8 sequence at s[i] (1 to 4), or 0 when it is not well formed
// (overlong forms, surrogates and values above U+10FFFF are not).
size_t utf8SequenceLength(std::string_view s, size_t i);
// The same, with the code point of the sequence (left as it was when not well formed).
size_t utf8Decode(std::string_view s, size_t i, uint32_t& codePoint);
bool isValidUtf8(std::string_view s);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void appendUtf8(std::string& out, uint32_t codePoint);

// The longest start of s of at most maxBytes bytes that ends at a UTF-8 character boundary.
std::string_view utf8PrefixBytes(std::string_view s, size_t maxBytes);

// Number of characters in s: the bytes that are not UTF-8 continuation bytes.
size_t utf8CharCount(std::string_view s);
// The first n characters of s, counted as utf8CharCount counts them.
std::string_view utf8PrefixChars(std::string_view s, size_t n);

}  // namespace trakor
