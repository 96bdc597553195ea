// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/result_check.h"

#include "gdb/field_walk.h"
#include "gdb/file_header.h"
#include "gdb/waypoint_details.h"
#include "platform/mapped_file.h"

namespace trakor {

namespace {

ResultCheck failure(int32_t record, std::string reason) { return {false, record, std::move(reason)}; }

int32_t int32At(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The walks below read the fields of the layouts in gdb/records.h and gdb/waypoint_details.h
// without keeping them, so that a check costs little beside the conversion.

// Latitude, longitude and altitude of a link point or a track point.
[[gnu::always_inline]] inline void position(FieldWalk& w) {
    w.skip(8);
    w.optional(8);
}

[[gnu::always_inline]] inline void box(FieldWalk& w) {
    position(w);
    position(w);
}

bool waypointFits(FieldWalk& w, char version) {
    w.str();
    w.skip(4);
    w.str();
    w.skip(22);
    position(w);
    w.str();
    w.optional(8);
    w.skip(12);
    w.str();
    w.str();
    w.str();
    w.skip(1);
    w.optional(8);
    return skipWaypointDetails(w, version);
}

bool routeFits(FieldWalk& w, char version) {
    w.str();
    w.skip(1);
    if (w.u8() == 0) box(w);
    // A route point takes at least 1 + 4 + 1 + 22 + 19 + 4 + 1 bytes.
    const int32_t points = w.count(52);
    for (int32_t i = 0; i < points && w.ok(); ++i) {
        w.str();
        w.skip(4);
        w.str();
        w.skip(22);
        if (w.u8() != 0) w.skip(8);  // the first of the 19 fixed bytes
        w.skip(18);
        const int32_t links = w.count(9);
        for (int32_t k = 0; k < links && w.ok(); ++k) position(w);
        if (w.u8() == 0) box(w);
        if (version == kGdbVersion2) w.skip(8);
        if (version == kGdbVersion3) w.skip(10);
    }
    if (version == kGdbVersion3) {
        const int32_t texts = w.count(1);
        for (int32_t i = 0; i < texts && w.ok(); ++i) w.str();
        w.skip(4);
        w.skip(1);
    }
    return w.skip(1);  // the closing byte of every version
}

bool trackFits(FieldWalk& w, char version) {
    w.str();
    w.skip(5);
    const int32_t points = w.count(12);
    for (int32_t i = 0; i < points && w.ok(); ++i) {
        position(w);
        w.optional(4);
        w.optional(8);
        w.optional(8);
    }
    return w.skip(version == kGdbVersion3 ? 4 : 1);
}

// The layout of one data record in the file's version; empty when it fits.
const char* recordFault(const RecordView& rec, char version) {
    FieldWalk w(rec.data, static_cast<size_t>(rec.length));
    switch (rec.type) {
        case 'W':
            return waypointFits(w, version) ? nullptr : "waypoint not in the layout of its version";
        case 'R':
            return routeFits(w, version) ? nullptr : "route not in the layout of its version";
        case 'T':
            return trackFits(w, version) ? nullptr : "track not in the layout of its version";
        default:
            return nullptr;
    }
}

}  // namespace

ResultCheck checkGdbImage(const uint8_t* data, size_t size) {
    MemoryStream in(data, size);
    GdbHeader header;
    if (readFileHeader(in, header) != 0) return failure(0, "header incomplete");
    const char version = static_cast<char>(header.version);
    if (!isReadableVersion(version)) return failure(0, "unknown version letter");
    // Version record of length 2 with type "D"; creator record "A" holding its version and three strings.
    if (int32At(data + 6) != 2 || data[10] != 'D') return failure(0, "version record damaged");
    const size_t creatorData = header.creatorTag.size() + header.buildDate.size() + header.buildTime.size() + 3 + 2;
    if (static_cast<size_t>(int32At(data + 13)) != creatorData || data[17] != 'A')
        return failure(0, "creator record damaged");

    size_t pos = static_cast<size_t>(header.length);
    int32_t number = 0;
    while (true) {
        ++number;
        if (pos >= size) return failure(number, "end record missing");
        if (size - pos < 5) return failure(number, "record cut short");
        const int32_t length = int32At(data + pos);
        if (length <= 0) return failure(number, "record length not positive");
        RecordView rec;
        if (!nextRecord(data, size, pos, rec)) return failure(number, "record runs past the end of the file");
        if (rec.type == 'V') return {};
        if (const char* fault = recordFault(rec, version)) return failure(number, fault);
    }
}

ResultCheck checkGdbFile(const std::string& path) {
    MappedFile file;
    if (!file.open(path)) return failure(0, "file cannot be read");
    return checkGdbImage(file.data(), file.size());
}

}  // namespace trakor
