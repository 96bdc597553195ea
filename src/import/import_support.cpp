// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers every reader shares: numbered names, waypoints of the input, and the question about
// routes.
#include <cstdio>

#include "convert/buffered_record.h"
#include "convert/route_writer.h"
#include "gdb/waypoint_details.h"
#include "import/import_messages.h"
#include "import/reader.h"
#include "platform/utf8.h"

namespace trakor {

std::string numberedName(const std::string& name, uint32_t number) {
    // Cut at a character boundary: half a character would make the name no UTF-8 at all. A name
    // a reader's buffer cut ends without its half character too.
    std::string_view base = name;
    if (base.size() >= kMaxImportName && !isValidUtf8(base)) {
        const std::string_view whole = utf8PrefixBytes(base, base.size() - 1);
        if (isValidUtf8(whole)) base = whole;
    }
    return std::string(utf8PrefixBytes(std::string(base) + "-" + std::to_string(number), kMaxImportName));
}

std::string importedName(std::string_view text) {
    return std::string(utf8PrefixBytes(text, kMaxImportName));
}

void writeImportedWaypoint(Context& ctx, ImportJob& job, const std::string& name, int32_t symbol,
                           const ImportedWaypointDetails& details) {
    ++ctx.run.waypointCount;
    std::string full = numberedName(name, static_cast<uint32_t>(ctx.run.waypointCount));
    if (job.onWaypoint) {
        job.onWaypoint(ctx, full, symbol, details);
        return;
    }
    GdbWaypoint w = waypointAt(ctx, full, 0, 0, static_cast<uint16_t>(symbol), 1);
    // MapSource shows one comment: the input's comment, or its description when it has none.
    // The description is kept beside it as well, where GPX output finds it again.
    const std::string& comment = details.comment.empty() ? details.description : details.comment;
    setWaypointTexts(w, comment, details.description, details.time, ctx.run.outputVersion);
    writeBuffered(job.output, [&](ByteStream& rec) { writeWaypointRecord(rec, w, ctx.run.outputVersion); });
}

void addDegreesPoint(Context& ctx, double latDeg, double lonDeg, double alt, uint8_t altValid, int32_t time) {
    if (!possibleCoordinates(latDeg, lonDeg)) {
        ++ctx.run.impossiblePoints;
        return;
    }
    ctx.store.addPoint(ctx.run, degreesToSemicircles(latDeg), degreesToSemicircles(lonDeg), alt, altValid, 0, time);
}

bool placeDegreesWaypoint(Context& ctx, double latDeg, double lonDeg) {
    if (!possibleCoordinates(latDeg, lonDeg)) {
        ++ctx.run.impossibleWaypoints;
        return false;
    }
    ctx.store.lat[0] = degreesToSemicircles(latDeg);
    ctx.store.lon[0] = degreesToSemicircles(lonDeg);
    return true;
}

std::string impossibleCoordinatesNote(const Context& ctx, int32_t count, bool waypoints, const std::string& of) {
    using namespace importmsg;
    const Message& m = waypoints ? (count == 1 ? kImpossibleWaypoint : kImpossibleWaypoints)
                                 : (count == 1 ? kImpossiblePoint : kImpossiblePoints);
    if (count == 1) return formatMessage(ctx, m.key, m.english, kMaxImportName + 160, of.c_str());
    return formatMessage(ctx, m.key, m.english, kMaxImportName + 160, count, of.c_str());
}

bool routesReadAsTracks(Context& ctx) {
    if (ctx.run.importQuestion == 0) {
        Answer a = tell(ctx, importmsg::kRoutesAsTracks.key, importmsg::kRoutesAsTracks.english, MsgStyle::QuestionOk);
        ctx.run.importQuestion = a == Answer::Ok ? 1 : 2;
    }
    return ctx.run.importQuestion == 1;
}

}  // namespace trakor
