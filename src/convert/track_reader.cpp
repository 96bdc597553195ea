// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/track_reader.h"

#include "convert/convert_texts.h"
#include "convert/glitches.h"
#include "convert/split.h"
#include "core/context.h"
#include "gdb/records.h"

namespace trakor {

void readGdbTrack(Context& ctx, ByteStream& in, int32_t recordLength) {
    PointStore& s = ctx.store;
    s.count = 0;
    ctx.run.autoName = 0;
    GdbTrack track;
    // The points go straight into the store as they are read.
    readTrackRecord(in, recordLength, ctx.run.outputVersion, track, [&s, &ctx](const GdbTrackPoint& p) {
        s.addPoint(ctx.run, p.tptLat, p.tptLon, p.alt.valid ? p.alt.metres : 0.0, p.alt.valid ? 1 : 0, 0, p.tptTime);
    });
    s.name = track.trkName;
    ctx.run.displayColor = track.colourIndex();
}

int removeGlitchesAndSplitTrack(Context& ctx, int option) {
    PointStore& s = ctx.store;
    removeGlitches(ctx);
    if (s.count < 2) {
        if (!ctx.run.noteLeftOut(s.name, false, RunState::tooFew(s.count)))
            tell(ctx, texts::kTrackNotConverted.key, texts::kTrackNotConverted.english, MsgStyle::Plain,
                 ctx.run.trackCounter);
        ++ctx.run.trackFailures;
        return 1;
    }
    if (option != 0 && option != 23) splitAndFilter(ctx);
    return 0;
}

}  // namespace trakor
