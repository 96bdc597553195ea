// The common back end of the importers: checks, option handling and writing of one route or track.
#include <cstdio>
#include <filesystem>

#include "import/import_messages.h"
#include "import/reader.h"

namespace trakor {

namespace {

// "Path" (folder with its trailing separator) and "File" (name and extension) of the log lines.
struct LogPath {
    std::string folder, name, extension;
};

LogPath splitInputPath(const std::string& path) {
    std::filesystem::path p(path);
    LogPath lp;
    lp.name = p.stem().string();
    lp.extension = p.extension().string();
    size_t cut = path.size() - p.filename().string().size();
    lp.folder = path.substr(0, cut);
    return lp;
}

void logLine(const ImportJob& job, const char* format, const std::string& name) {
    if (job.log == nullptr) return;
    LogPath lp = splitInputPath(job.inputPath);
    std::fprintf(job.log, format, "", lp.folder.c_str(), lp.name.c_str(), lp.extension.c_str(), name.c_str());
}

}  // namespace

void emitImportedTrack(Context& ctx, ImportJob& job, const std::string& name, int32_t option) {
    PointStore& store = ctx.store;
    if (store.count < 2) {
        if (ctx.run.batch)
            logLine(job, importmsg::kLogTrackSkipped, name);
        else
            tell(ctx, importmsg::kTooFewPoints.key, importmsg::kTooFewPoints.english, MsgStyle::Plain,
                 ctx.run.trackCounter);
        ++ctx.run.trackFailures;
        return;
    }
    if (job.onEmit) {
        job.onEmit(ctx, name);
        ctx.run.nextWaypointNumber += store.count;
        return;
    }
    ctx.run.nextWaypointNumber += store.count;
}

}  // namespace trakor
