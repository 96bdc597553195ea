// SPDX-License-Identifier: GPL-3.0-or-later
// Text encodings met in files from Windows programs: UTF-8, or a Windows code page (1252 for
// western languages, 1250 for Polish, 1254 for Turkish).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trakor {

// UTF-16 text (after its byte order mark) as UTF-8: surrogate pairs give the characters beyond
// U+FFFF, an unpaired surrogate becomes U+FFFD and a last odd byte is dropped.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Windows-1252 bytes as UTF-8; the five bytes the code page leaves undefined map to U+0081 etc.
std::string windows1252ToUtf8(std::string_view s);

// Bytes of Windows code page 1250, 1252 or 1254 (any other number is taken as 1252) as UTF-8;
// bytes a code page leaves undefined map to the code point of their value.
std::string windowsCodePageToUtf8(std::string_view s, int codePage);

// The text as UTF-8: valid UTF-8 stays as it is, anything else is taken as Windows-1252.
std::string toUtf8(std::string_view s);

}  // namespace trakor
