// SPDX-License-Identifier: GPL-3.0-or-later
// INI files as Windows' profile functions read and write them: sections and names compare
// case-insensitively, the first matching section and name win, other lines are kept as they stand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

class IniFile {
public:
    // Reads the file. A missing file gives an empty document and true; a file that exists but
    // cannot be read gives false and must not be saved over (its other content would be lost).
    bool load(const std::string& path);
    // Takes the document from the file's bytes: CRLF or LF line ends; an optional UTF-8 byte order
    // mark, or UTF-16 (little or big endian) with its byte order mark, which is read as UTF-8 and
    // written back as it came.
    void parse(std::string_view text);

    // The value of `name` in the first section called `section`: trimmed, with one pair of
    // enclosing quotes removed. nullopt when absent.
    std::optional<std::string> value(std::string_view section, std::string_view name) const;
    // The value read as GetPrivateProfileInt reads it: `fallback` when absent or empty.
    int32_t intValue(std::string_view section, std::string_view name, int32_t fallback) const;

    // Updates the value in place, or appends the name to its section, or the section to the file.
    void set(std::string_view section, std::string_view name, std::string_view value);
    // Removes every line of `name` in the section; whether anything was removed.
    bool remove(std::string_view section, std::string_view name);

    // The file's bytes, in the encoding the document was read in.
    std::string text() const;
    // Writes the document atomically; false when the file could not be written.
    bool save(const std::string& path, std::string* error = nullptr) const;

private:
    // Index range [first, end) of the body of the first section named `section`; nullopt if absent.
    struct Range {
        size_t header;
        size_t first;
        size_t end;
    };
    std::optional<Range> findSection(std::string_view section) const;
    std::optional<size_t> findName(const Range& r, std::string_view name) const;

    std::vector<std::string> lines_;
    std::string eol_ = "\n";
    enum class Encoding { Bytes, Utf8Bom, Utf16Le, Utf16Be };
    Encoding encoding_ = Encoding::Bytes;
    bool finalEol_ = true;
};

// GetPrivateProfileInt's conversion: blanks, an optional sign, an optional 0x / 0o / 0b base
// prefix, then digits up to the first other character, kept modulo 2^32. No digits give 0.
int32_t profileInt(std::string_view text);

}  // namespace trakor
