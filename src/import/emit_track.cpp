// SPDX-License-Identifier: GPL-3.0-or-later
// The common back end of the importers: checks, option handling and writing of one route or track.
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "convert/gdb_pass.h"
#include "convert/glitches.h"
#include "convert/route_writer.h"
#include "convert/split.h"
#include "convert/track_writer.h"
#include "core/run_messages.h"
#include "import/batch_log.h"
#include "import/import_messages.h"
#include "import/reader.h"

namespace trakor {

namespace {

// One route or track on its way out; `status` is its batch log status, "OK" unless the reader
// had to cut it.
struct Emit {
    Context& ctx;
    ImportJob& job;
    std::string status = importmsg::kLogOk;
};

// One line of the batch log about the route or track `name` of the current input.
void logLine(const Emit& e, const char* format, const std::string& name, const std::string& status) {
    if (!e.ctx.run.batch || e.job.log == nullptr) return;
    std::fprintf(e.job.log, format, logPathField(e.job.inputPath).c_str(), logFileField(e.job.inputPath).c_str(),
                 logField(name).c_str(), logField(status).c_str());
}

// A note about one route or track that does not stop the run: a line in the batch log, else an
// "Info" box, as the GDB pass shows its notes.
void tellNote(const Emit& e, const std::string& name, const std::string& note) {
    if (e.ctx.run.batch)
        logLine(e, importmsg::kLogTrack, name, note);
    else
        tellLiteral(e.ctx, dmsg::kCaptionInfo, note, MsgStyle::Warning);
}

// `text` without its line `line` (and that line's break).
std::string withoutLine(const std::string& text, const std::string& line) {
    std::string out;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (text.compare(start, end - start, line) != 0) {
            if (!out.empty()) out += '\n';
            out.append(text, start, end - start);
        }
        start = end + 1;
    }
    return out;
}

int partCount(const PointStore& s) {
    int parts = 0;
    for (int32_t i = 0; i < s.count; ++i)
        if (s.partMark[i] == 0) ++parts;
    return parts;
}

void writeTrack(Emit& e, const std::string& name, int part) {
    writeTrackPart(e.ctx, e.job.output, name, part);
    logLine(e, importmsg::kLogTrack, name, e.status);
}

void writeRoute(Emit& e, const std::string& name, int part, int option) {
    if (e.ctx.run.displayColor == 0) e.ctx.run.displayColor = 14;
    writeRoutePart(e.ctx, e.job.output, part, name, option);
    logLine(e, importmsg::kLogRoute, name, e.status);
}

// Options 21 to 24 on a track of at least two points; false when the track was skipped.
bool writeByOption(Emit& e, const std::string& name, int32_t option) {
    Context& ctx = e.ctx;
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
        // The track would need point numbers beyond 99999: skipped, told, and counted as not
        // converted, so a run that converts nothing does not report success.
        ++ctx.run.trackFailures;
        if (!ctx.run.batch && ctx.run.noteLeftOut(name, false, LeftOutReason::PointNumbers)) return false;
        const auto& m = importmsg::kTooManyPoints;
        ctx.run.setInfo(1, formatMessage(ctx, m.key, m.english, 256, name.c_str()));
        tellNote(e, name, ctx.run.infoText);
        ctx.run.clearInfo();
        return false;
    }
    const int parts = partCount(s);
    if (option == 21 || option == 22) {
        for (int d = 1; d <= parts; ++d) writeRoute(e, partName(ctx, name, d, requested), d, option);
    } else if (option == 23) {
        writeRoute(e, name.starts_with('#') ? name : "#" + name, 1, 23);
    } else if (option == 24) {
        for (int d = 1; d <= parts; ++d) writeTrack(e, partName(ctx, name, d, requested), d);
    }
    return true;
}

void emitWhole(Context& ctx, ImportJob& job, const std::string& name, int32_t option);

// The points [from, from + n) of the store, kept aside while the store's front is written.
struct SavedPoints {
    std::vector<int32_t> lat, lon, time, via;
    std::vector<double> alt;
    std::vector<uint8_t> altValid, partMark;

    // f(kept, array) for each of the store's arrays and the vector that keeps it.
    template <typename F>
    void each(const PointStore& s, F f) {
        f(lat, s.lat);
        f(lon, s.lon);
        f(time, s.time);
        f(via, s.via);
        f(alt, s.alt);
        f(altValid, s.altValid);
        f(partMark, s.partMark);
    }
    void take(const PointStore& s, int32_t from, int32_t n) {
        each(s, [from, n](auto& kept, const auto* a) { kept.assign(a + from, a + from + n); });
    }
    // Points [from, from + n) of what was kept, as the store's whole content: a track of its own.
    void give(PointStore& s, int32_t from, int32_t n) {
        each(s, [from, n](const auto& kept, auto* a) { std::copy(kept.begin() + from, kept.begin() + from + n, a); });
        s.partMark[0] = 0;
        s.count = n;
    }
};

}  // namespace

void emitImportedTrack(Context& ctx, ImportJob& job, const std::string& name, int32_t option) {
    PointStore& store = ctx.store;
    if (store.count <= kMaxPoints) return emitWhole(ctx, job, name, option);
    // A track beyond what a GDB track holds goes out in pieces of kMaxPoints points, the second
    // "Name (2)" and so on, so that every point reaches the output; the summary names them.
    // The first piece gives up a point where the last would otherwise hold a single one.
    SavedPoints rest;
    const int32_t total = store.count, head = total % kMaxPoints == 1 ? kMaxPoints - 1 : kMaxPoints;
    rest.take(store, head, total - head);
    store.count = head;
    // One track of the input: counted as not converted only when no piece of it was written.
    const int32_t failures = ctx.run.trackFailures;
    emitWhole(ctx, job, name, option);
    int32_t pieces = 1;
    for (int32_t first = 0; first < total - head; first += kMaxPoints) {
        const std::string pieceName = name + " (" + std::to_string(++pieces) + ")";
        rest.give(store, first, std::min(kMaxPoints, total - head - first));
        if (!ctx.run.batch) ctx.run.noteLeftOut(pieceName, false, LeftOutReason::Continued);
        emitWhole(ctx, job, pieceName, option);
    }
    ctx.run.trackFailures = failures + (ctx.run.trackFailures - failures == pieces ? 1 : 0);
}

namespace {

void emitWhole(Context& ctx, ImportJob& job, const std::string& name, int32_t option) {
    PointStore& store = ctx.store;
    Emit e{ctx, job};
    const bool cut = std::exchange(ctx.run.cutAtCapacity, false);
    if (store.count < 2) {
        if (ctx.run.batch)
            logLine(e, importmsg::kLogTrack, name, importmsg::kLogTrackSkipped);
        else if (!ctx.run.noteLeftOut(name, false, RunState::tooFew(store.count)))
            tell(ctx, importmsg::kTooFewPoints.key, importmsg::kTooFewPoints.english, MsgStyle::Plain,
                 ctx.run.trackCounter);
        ++ctx.run.trackFailures;
        ctx.run.clearInfo();
        return;
    }
    // A note the reader left about this track (the point store cut it at its capacity) replaces
    // "OK" in its log lines and is shown after it; a cut gathered for the run's summary is left
    // out of the note.
    std::string note;
    if (ctx.run.infoFlag != 0) {
        note = ctx.run.infoText;
        e.status = note;
        ctx.run.clearInfo();
        if (cut && !ctx.run.batch && ctx.run.noteLeftOut(name, false, LeftOutReason::Truncated))
            note = withoutLine(note, kPointLimitText);
    }
    // Point numbers are taken only by what is written: a skipped track leaves them to later ones.
    bool written = true;
    if (job.onEmit) {
        job.onEmit(ctx, name);
    } else {
        if (ctx.settings.SaveTrack == 1 && option >= 21 && option <= 24) writeTrack(e, "!" + name, 1);
        if (option == 0)
            writeTrack(e, name, 1);
        else
            written = writeByOption(e, name, option);
    }
    if (!note.empty() && !ctx.run.batch) tellLiteral(ctx, dmsg::kCaptionInfo, note, MsgStyle::Warning);
    if (written) ctx.run.nextWaypointNumber += store.count;
}

}  // namespace

namespace {
// Points of the route or track `of` left out for their coordinates: told with it, after any note
// of the reader's own.
void noteImpossiblePoints(Context& ctx, const std::string& of) {
    if (ctx.run.impossiblePoints == 0) return;
    const std::string text = impossibleCoordinatesNote(ctx, ctx.run.impossiblePoints, false, of);
    ctx.run.setInfo(1, ctx.run.infoFlag != 0 ? ctx.run.infoText + "\n" + text : text);
    ctx.run.impossiblePoints = 0;
}
}  // namespace

void emitInputRoute(Context& ctx, ImportJob& job, const std::string& name, uint8_t autoName,
                    const std::vector<InputRoutePoint>& points) {
    ++ctx.run.trackCounter;
    noteImpossiblePoints(ctx, name);
    writeInputRoute(ctx, job.output, name, autoName, ctx.run.displayColor, points);
    Emit e{ctx, job};
    logLine(e, importmsg::kLogRoute, name, e.status);
}

void finishImportedTrack(Context& ctx, ImportJob& job, const std::string& name) {
    removeGlitches(ctx);
    ++ctx.run.trackCounter;
    const std::string numbered = numberedName(name, static_cast<uint32_t>(ctx.run.trackCounter));
    noteImpossiblePoints(ctx, numbered);
    emitImportedTrack(ctx, job, numbered, job.option);
}

}  // namespace trakor
