#include "convert/track_writer.h"

#include <string>

#include "convert/buffered_record.h"
#include "core/context.h"
#include "gdb/records.h"

namespace trakor {

void writeTrackPart(Context& ctx, ByteStream& out, std::string_view name, int part) {
    const PointStore& s = ctx.store;
    int32_t first = 0, end = 0;
    s.partRange(part, first, end);
    writeBuffered(out, [&](ByteStream& rec) {
        beginRecord(rec, 'T');
        writeTrackHead(rec, std::string(name), 1, ctx.run.displayColor, end - first);
        for (int32_t i = first; i < end; ++i) {
            GdbTrackPoint p;
            p.tptLat = s.lat[i];
            p.tptLon = s.lon[i];
            p.alt = {s.altValid[i] != 0, s.alt[i]};
            p.tptTime = s.time[i];
            writeTrackPoint(rec, p);
        }
        writeTrackTail(rec, ctx.run.outputVersion);
        endRecord(recordDataLength(rec), rec);
    }, name.size() + 64 + static_cast<size_t>(end - first) * 24);
}

}  // namespace trakor
