// The common back end of the importers: checks, option handling and writing of one route or track.
#include <cstdio>

#include "convert/gdb_pass.h"
#include "convert/glitches.h"
#include "convert/route_writer.h"
#include "convert/split.h"
#include "convert/track_writer.h"
#include "import/batch_log.h"
#include "import/import_messages.h"
#include "import/reader.h"

namespace trakor {

namespace {

// One line of the batch log about the route or track `name` of the current input.
void logLine(Context& ctx, const ImportJob& job, const char* format, const std::string& name) {
    if (!ctx.run.batch || job.log == nullptr) return;
    std::fprintf(job.log, format, logPathField(job.inputPath).c_str(), logFileField(job.inputPath).c_str(),
                 name.c_str());
}

// The information text of a skipped track, formatted like a message.
void noteTooManyPoints(Context& ctx, const std::string& name) {
    const auto& m = importmsg::kTooManyPoints;
    ctx.run.setInfo(1, formatMessage(ctx, m.key, m.english, 256, name.c_str()));
}

int partCount(const PointStore& s) {
    int parts = 0;
    for (int32_t i = 0; i < s.count; ++i)
        if (s.partMark[i] == 0) ++parts;
    return parts;
}

void writeTrack(Context& ctx, ImportJob& job, const std::string& name, int part) {
    writeTrackPart(ctx, job.output, name, part);
    logLine(ctx, job, importmsg::kLogTrackOk, name);
}

void writeRoute(Context& ctx, ImportJob& job, const std::string& name, int part, int option) {
    if (ctx.run.displayColor == 0) ctx.run.displayColor = 14;
    writeRoutePart(ctx, job.output, part, name, option);
    logLine(ctx, job, importmsg::kLogRouteOk, name);
}

// Options 21 to 24 on a track of at least two points.
void writeByOption(Context& ctx, ImportJob& job, const std::string& name, int32_t option) {
    PointStore& s = ctx.store;
    int requested = 1;
    if (option == 21 || option == 22 || option == 24) {
        SplitFilterResult r = splitAndFilter(ctx);
        requested = r.parts;
        for (int shortfall : r.filterResults)
            if (shortfall == 1)
                tell(ctx, importmsg::kFilterShortfall.key, importmsg::kFilterShortfall.english, MsgStyle::Plain);
    }
    if (option >= 21 && option <= 23 && ctx.run.nextWaypointNumber + s.count > 99999) {
        noteTooManyPoints(ctx, name);
        return;
    }
    const int parts = partCount(s);
    if (option == 21 || option == 22) {
        for (int d = 1; d <= parts; ++d) writeRoute(ctx, job, partName(ctx, name, d, requested), d, option);
    } else if (option == 23) {
        writeRoute(ctx, job, name.starts_with('#') ? name : "#" + name, 1, 23);
    } else if (option == 24) {
        for (int d = 1; d <= parts; ++d) writeTrack(ctx, job, partName(ctx, name, d, requested), d);
    }
}

}  // namespace

void emitImportedTrack(Context& ctx, ImportJob& job, const std::string& name, int32_t option) {
    PointStore& store = ctx.store;
    if (store.count < 2) {
        if (ctx.run.batch)
            logLine(ctx, job, importmsg::kLogTrackSkipped, name);
        else
            tell(ctx, importmsg::kTooFewPoints.key, importmsg::kTooFewPoints.english, MsgStyle::Plain,
                 ctx.run.trackCounter);
        ++ctx.run.trackFailures;
        return;
    }
    if (job.onEmit) {
        job.onEmit(ctx, name);
    } else {
        if (ctx.settings.SaveTrack == 1 && option >= 21 && option <= 24) writeTrack(ctx, job, "!" + name, 1);
        if (option == 0)
            writeTrack(ctx, job, name, 1);
        else
            writeByOption(ctx, job, name, option);
    }
    ctx.run.nextWaypointNumber += store.count;
}

void finishImportedTrack(Context& ctx, ImportJob& job, const std::string& name) {
    removeGlitches(ctx);
    ++ctx.run.trackCounter;
    emitImportedTrack(ctx, job, numberedName(name, static_cast<uint32_t>(ctx.run.trackCounter)), job.option);
}

}  // namespace trakor
