// SPDX-License-Identifier: GPL-3.0-or-later
// The outer shape of a GDB file: signature, version and creator records, creator name,
// record framing and the end record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "gdb/stream.h"

namespace trakor {

// Version letters of the record layouts the program reads and writes.
constexpr char kGdbVersion1 = 'k';
constexpr char kGdbVersion2 = 'l';
constexpr char kGdbVersion3 = 'm';
// Later version bytes, read only after down-converting them to version 3.
constexpr uint8_t kGdbLaterS = 0x73;
constexpr uint8_t kGdbLater84 = 0x84;
constexpr uint8_t kGdbLater8A = 0x8A;

// Offset of the version letter in every GDB file ("MsRcf\0", then length and "D").
constexpr size_t kVersionOffset = 11;
// Length of the header writeNewHeader emits (creator name "Trakor3").
constexpr int32_t kNewHeaderLength = 56;

inline bool isReadableVersion(char v) { return v == kGdbVersion1 || v == kGdbVersion2 || v == kGdbVersion3; }
inline bool isLaterVersion(uint8_t v) { return v == kGdbLaterS || v == kGdbLater84 || v == kGdbLater8A; }

// Header of a new version-3 file: signature, version "m", creator record (version 355, tag
// "vorlek", build date "%b %d %Y" and time "%X" of `now` in local time, classic locale), and
// the creator name "Trakor3". Always 56 bytes.
void writeNewHeader(ByteStream& out, std::time_t now);
// The end record: length 2, "V", 00 01.
void writeEndRecord(ByteStream& out);

// What a header holds, as read by readFileHeader.
struct GdbHeader {
    uint8_t version = 0;          // the version byte (letter for versions 1 to 3)
    uint16_t creatorVersion = 0;
    std::string creatorTag, buildDate, buildTime, creatorName;
    int32_t length = 0;           // bytes from the signature to the end of the creator name
};

// Reads the header from the current position the way the header scan walks it: signature,
// 5 bytes, version byte, 8 bytes, four strings. 0 when all of it was read and the signature is
// "MsRcf"; 1 otherwise. The version byte is not judged here (see isReadableVersion).
int readFileHeader(ByteStream& in, GdbHeader& header);

// The version byte of a GDB input, for deciding whether it must be down-converted first: reads
// the signature and the byte at kVersionOffset, then returns to the start. -1 when the input
// does not begin with "MsRcf" and a zero byte or ends before its version byte.
int readVersionByte(ByteStream& in);

// One framed record of a GDB image held in memory.
struct RecordView {
    size_t offset = 0;          // offset of the length field
    int32_t length = 0;         // data bytes after the type letter
    char type = 0;
    const uint8_t* data = nullptr;  // the record's data, `length` bytes, all inside the image
};

// Steps to the record at `pos` of an image of `size` bytes. false at the end of the walk:
// fewer than 5 bytes left, a zero length (taken as the end record, as the conversion pass
// does), a negative length, or data that would run past the end. On true, `pos` moves past
// the record.
bool nextRecord(const uint8_t* image, size_t size, size_t& pos, RecordView& rec);

// The offset of the first data record of an image: past the version and creator records by
// their lengths and the creator name after them. false when the image ends before that.
bool firstDataRecord(const uint8_t* image, size_t size, size_t& pos);

// Reads a record frame from a stream: the length, then the type letter unless the length is 0.
// A zero length (also the end of the data) gives type 'V'; a negative length gives type 0.
int32_t readRecordFrame(ByteStream& in, char& type);

// What a file cut inside a record of this type lacks: "the rest of a track record".
std::string cutRecordNote(char type);

}  // namespace trakor
