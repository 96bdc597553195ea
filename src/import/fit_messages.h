// SPDX-License-Identifier: GPL-3.0-or-later
// Walks the message stream of a binary FIT file: definitions, data messages, developer fields,
// compressed time stamps and both byte orders, never reading past the data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trakor {

// FIT seconds count from 1989-12-31 00:00 UTC; this many seconds later than 1970.
constexpr int64_t kFitEpochOffset = 631065600;
// Field number of the time stamp in every FIT message.
constexpr uint8_t kFitTimestampField = 253;

struct FitField {
    uint8_t number = 0;
    uint8_t size = 0;
    uint16_t offset = 0;  // within the message body
};

// One data message, valid until the walker moves on.
struct FitMessage {
    uint16_t global = 0;
    bool bigEndian = false;
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    const std::vector<FitField>* fields = nullptr;
    // Time stamp in FIT seconds from field 253 or the compressed header; 0 when unknown.
    uint32_t timestamp = 0;

    const FitField* find(uint8_t number) const;
    // Values of the first element of a field; false when the field is missing, too short,
    // or holds the FIT invalid value of its type.
    bool u8(uint8_t number, uint8_t& v) const;
    bool u16(uint8_t number, uint16_t& v) const;
    bool u32(uint8_t number, uint32_t& v) const;
    bool s32(uint8_t number, int32_t& v) const;
    // A text field up to its first zero byte or its end; empty when missing.
    std::string text(uint8_t number) const;
};

class FitWalker {
public:
    // False when the data do not carry a FIT header with the ".FIT" mark.
    bool open(const uint8_t* bytes, size_t length);
    // Starts again at the first message with no definitions known.
    void rewind();
    // The next data message; false at the end of the data or where the stream becomes unreadable.
    bool next(FitMessage& msg);
    // True when the walk stopped before the end of the data (an undefined local type or a
    // message running past the end).
    bool stoppedEarly() const { return stoppedEarly_; }
    // Bytes the header promises beyond the end of a cut-off file; 0 for a whole one.
    size_t missing() const { return missing_; }
    // Where the walk stopped early: the offset of the message it could not read.
    size_t stopOffset() const { return stopAt_; }
    // Offset of the file's check sum, and whether it matches the header and data before it;
    // true when the file is cut off before its check sum.
    size_t checkSumOffset() const { return end_; }
    bool checkSumMatches() const { return crcMatches_; }

private:
    struct Definition {
        bool defined = false;
        bool bigEndian = false;
        uint16_t global = 0;
        size_t bodySize = 0;
        std::vector<FitField> fields;
    };
    bool readDefinition(uint8_t header);

    const uint8_t* bytes_ = nullptr;
    size_t begin_ = 0;
    size_t end_ = 0;
    size_t pos_ = 0;
    size_t missing_ = 0;
    size_t stopAt_ = 0;
    bool stoppedEarly_ = false;
    bool crcMatches_ = true;
    uint32_t lastTimestamp_ = 0;
    std::array<Definition, 16> defs_{};
};

}  // namespace trakor
