// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/header_scan.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "gdb/file_header.h"
#include "gdb/records.h"

namespace trakor {

namespace {

// The number in a name made of the prefix and one to five digits; -1 for any other name.
// The bare prefix counts as 0.
int32_t generatedNumber(const uint8_t* name, size_t length, uint8_t prefix) {
    if (length == 0 || name[0] != prefix || length > 6) return -1;
    int32_t n = 0;
    for (size_t i = 1; i < length; ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// Length of the zero-terminated name at the start of a record's data; -1 when it does not end inside.
int64_t nameLength(const RecordView& rec) {
    const void* z = std::memchr(rec.data, 0, static_cast<size_t>(rec.length));
    return z ? static_cast<const uint8_t*>(z) - rec.data : -1;
}

bool readAll(ByteStream& in, std::vector<uint8_t>& bytes) {
    int64_t size = in.size();
    if (size < 0 || !in.seek(0)) return false;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    bytes.resize(bytes.empty() ? 0 : in.read(bytes.data(), bytes.size()));
    return true;
}

}  // namespace

int scanHeader(Context& ctx, ByteStream& in, HeaderScanResult& result) {
    result = HeaderScanResult{};
    ctx.waypointIndex.clear();
    ctx.routeNameIndex.clear();
    in.seek(0);
    GdbHeader header;
    if (readFileHeader(in, header) != 0) return 1;
    result.version = static_cast<char>(header.version);
    if (!isReadableVersion(result.version)) return 1;
    result.headerLength = header.length;

    // The file mapped in place where the stream allows it (no copy, no memory to clear), else read.
    size_t imageSize = 0;
    const uint8_t* image = in.wholeBytes(imageSize);
    std::vector<uint8_t> bytes;
    if (image == nullptr) {
        if (!readAll(in, bytes)) return 1;
        image = bytes.data();
        imageSize = bytes.size();
    }

    const uint8_t prefix = static_cast<uint8_t>(ctx.settings.Prefix);
    int32_t largest = 0;
    ctx.run.savedRouteMarker = 0;
    size_t pos = static_cast<size_t>(header.length);
    RecordView rec;
    try {
        while (nextRecord(image, imageSize, pos, rec)) {
            if (rec.type != 'W' && rec.type != 'R') continue;
            int64_t len = nameLength(rec);
            if (len < 0) continue;  // a name that runs past its record is no name
            std::string name(reinterpret_cast<const char*>(rec.data), static_cast<size_t>(len));
            if (rec.type == 'W') {
                int32_t n = generatedNumber(rec.data, static_cast<size_t>(len), prefix);
                if (n > largest) largest = n;
                ClassBlockPos block;
                if (!locateClassBlock(rec.data, static_cast<size_t>(rec.length), block)) continue;
                if (isInvisibleMarker(rec.data[block.marker])) continue;
                ctx.waypointIndex.add(0, rec.data[block.classByte], std::move(name));
            } else if (!name.empty() && name[0] == '!') {
                ctx.run.savedRouteMarker = 1;
            } else {
                ctx.routeNameIndex.add(std::move(name));
            }
        }
    } catch (const std::bad_alloc&) {
        ctx.waypointIndex.clear();
        ctx.routeNameIndex.clear();
        return 1;
    }
    // Every row carries the saved-route marker as its in-output flag.
    for (WaypointRow& row : ctx.waypointIndex.rows) row.inOutput = static_cast<uint8_t>(ctx.run.savedRouteMarker);
    ctx.run.nextWaypointNumber = largest + 1;
    // The conversion pass copies this header, so its records are written in the input's version.
    ctx.run.outputVersion = result.version;
    in.seek(0);
    return 0;
}

int32_t copyHeader(int32_t headerLength, ByteStream& out, ByteStream& in) {
    return headerLength > 0 ? copyBytes(headerLength, &out, in) : 0;
}

}  // namespace trakor
