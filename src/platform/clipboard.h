// SPDX-License-Identifier: GPL-3.0-or-later
// The system clipboard as the clipboard conversion sees it: blocks of bytes under format names.
// The desktop program supplies the real clipboard; MemoryClipboard holds the data itself (tests,
// and the command line that converts a block read from a file).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

// The format under which MapSource and BaseCamp put route, track and waypoint data.
inline constexpr std::string_view kGarminClipboardFormat = "GARMIN GDB109 Database";

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Whether the clipboard holds anything at all, in any format.
    virtual bool hasData() const = 0;
    // Whether it holds data under this format name.
    virtual bool hasFormat(std::string_view format) const = 0;
    // The bytes under a format; false when there are none or they cannot be read.
    virtual bool get(std::string_view format, std::vector<uint8_t>& bytes) const = 0;
    // Removes everything from the clipboard.
    virtual void clear() = 0;
    // Replaces the clipboard's content by these bytes under one format; false when refused.
    virtual bool set(std::string_view format, std::vector<uint8_t> bytes) = 0;
};

class MemoryClipboard : public Clipboard {
public:
    bool hasData() const override { return !formats_.empty(); }
    bool hasFormat(std::string_view format) const override { return formats_.count(std::string(format)) != 0; }
    bool get(std::string_view format, std::vector<uint8_t>& bytes) const override;
    void clear() override { formats_.clear(); }
    bool set(std::string_view format, std::vector<uint8_t> bytes) override;
    // Adds a format beside the others, as a program that offers several formats does.
    void add(std::string_view format, std::vector<uint8_t> bytes) { formats_[std::string(format)] = std::move(bytes); }

private:
    std::map<std::string, std::vector<uint8_t>, std::less<>> formats_;
};

}  // namespace trakor
