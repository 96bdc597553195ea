// SPDX-License-Identifier: GPL-3.0-or-later
// ITN reader: an itinerary of "longitude|latitude|name|type|" lines, read as one track whose
// point names are kept.
#include <cstring>

#include "convert/glitches.h"
#include "core/numbers.h"
#include "convert/route_writer.h"
#include "import/reader.h"
#include "import/text_scan.h"

namespace trakor {

namespace {

// Text buffer sizes of the fields, terminator included; longer fields are truncated.
constexpr size_t kCoordinateBuffer = 128;
constexpr size_t kNameBuffer = 256;

bool isNumberChar(uint8_t c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }

// Copies the field at pos up to the next '|' (not past a line end or the data end), keeping at
// most limit - 1 characters. Leaves pos at the '|'; false when the line has none.
bool takeField(const uint8_t* bytes, size_t length, size_t& pos, size_t limit, std::string& out) {
    out.clear();
    while (pos < length && bytes[pos] != '|') {
        if (bytes[pos] == '\r' || bytes[pos] == '\n') return false;
        if (out.size() + 1 < limit) out.push_back(static_cast<char>(bytes[pos]));
        ++pos;
    }
    return pos < length;
}

// Degrees of a coordinate text in 1/100000 degree; NaN unless the whole text is a number.
double degreesOf(const std::string& text) { return scan::parseCoordinate(text) / 100000.0; }

}  // namespace

int readItn(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    PointStore& store = ctx.store;
    store.count = 0;
    std::vector<char>& pool = ctx.run.namePool;
    pool.assign(length + 1, '\0');
    size_t c = 1;  // 1-based offset of the next name in the pool
    const bool keepNames = job.option != 0 && job.option != 24;

    size_t pos = 0;
    std::string lonText, latText, name;
    while (pos < length && isNumberChar(bytes[pos])) {
        if (!takeField(bytes, length, pos, kCoordinateBuffer, lonText)) break;
        ++pos;
        if (!takeField(bytes, length, pos, kCoordinateBuffer, latText)) break;
        ++pos;
        if (!takeField(bytes, length, pos, kNameBuffer, name)) break;
        // A record off the earth is left out and counted; the records after it are read on.
        const double latDeg = degreesOf(latText), lonDeg = degreesOf(lonText);
        const int32_t lat = degreesToSemicircles(latDeg), lon = degreesToSemicircles(lonDeg);
        if (!possibleCoordinates(latDeg, lonDeg)) {
            ++ctx.run.impossiblePoints;
        } else if (keepNames) {
            if (c - 1 + name.size() + 1 > pool.size()) break;
            std::memcpy(pool.data() + c - 1, name.c_str(), name.size() + 1);
            store.addPoint(ctx.run, lat, lon, 0, 0, -static_cast<int32_t>(c), 0);
            c += name.size() + 1;
        } else {
            store.addPoint(ctx.run, lat, lon, 0, 0, 0, 0);
            // A point merged with its predecessor or beyond the store's capacity has no slot of
            // its own; the waypoint is written only where the slot holds this position.
            const int32_t i = store.count - 1;
            if (i >= 0 && store.lat[i] == lat && store.lon[i] == lon)
                writeWaypoint(ctx, job.output, name, i, 0, static_cast<uint16_t>(ctx.settings.WaypointSymbol), 0);
        }
        // The name is followed by one type character, '|' and the line end: CR LF, or LF alone as
        // in a file saved on Linux.
        if (length - pos < 4 || bytes[pos + 2] != '|') break;
        if (bytes[pos + 3] == '\n') {
            pos += 4;
        } else if (length - pos >= 5 && bytes[pos + 3] == '\r' && bytes[pos + 4] == '\n') {
            pos += 5;
        } else {
            break;
        }
    }

    ctx.run.displayColor = 0;
    finishImportedTrack(ctx, job, job.baseName);
    pool.clear();
    pool.shrink_to_fit();
    return kReadDone;
}

}  // namespace trakor
