// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/track_writer.h"

#include <string>

#include "core/context.h"
#include "gdb/records.h"

namespace trakor {

namespace {
GdbTrackPoint storedPoint(const PointStore& s, int32_t i) {
    GdbTrackPoint p;
    p.tptLat = s.lat[i];
    p.tptLon = s.lon[i];
    p.alt = {s.altValid[i] != 0, s.alt[i]};
    p.tptTime = s.time[i];
    return p;
}
}  // namespace

void writeTrackPart(Context& ctx, ByteStream& out, std::string_view name, int part) {
    const PointStore& s = ctx.store;
    int32_t first = 0, end = 0;
    s.partRange(part, first, end);
    // The record's length is counted before its points are written, so the points go out in
    // pieces of 64 KB rather than as one record built whole in memory; seeking back in the
    // output to patch the length would flush a file's buffer at every record.
    constexpr size_t kPiece = size_t{1} << 16;
    MemoryStream piece;
    piece.reserve(kPiece + 64 + name.size());
    beginRecord(piece, 'T');
    writeTrackHead(piece, std::string(name), 1, ctx.run.displayColor, end - first);
    size_t length = static_cast<size_t>(recordDataLength(piece)) + trackTailSize(ctx.run.outputVersion);
    for (int32_t i = first; i < end; ++i) length += trackPointSize(storedPoint(s, i));
    endRecord(static_cast<int32_t>(length), piece);
    for (int32_t i = first; i < end; ++i) {
        writeTrackPoint(piece, storedPoint(s, i));
        if (piece.bytes().size() >= kPiece) {
            out.write(piece.bytes().data(), piece.bytes().size());
            piece.bytes().clear();
            piece.seek(0);
        }
    }
    writeTrackTail(piece, ctx.run.outputVersion);
    out.write(piece.bytes().data(), piece.bytes().size());
}

}  // namespace trakor
