// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/driver.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/driver_delivery.h"
#include "app/driver_messages.h"
#include "app/driver_targets.h"
#include "app/request_builder.h"
#include "app/run_summary.h"
#include "app/work_files.h"
#include "core/file_names.h"
#include "gdb/file_header.h"
#include "import/import_file.h"
#include "platform/atomic_file.h"
#include "platform/file_attributes.h"
#include "platform/file_delivery.h"
#include "platform/instance_lock.h"
#include "platform/output_links.h"

namespace trakor {

namespace {

bool usesSplitFilter(int32_t o) { return o == 11 || o == 12 || o == 13 || o == 14 || o == 21 || o == 22 || o == 24; }

// Whether a run keeps to private work files: one input, not a KMZ archive (its extraction has a
// fixed name), delivered to a file or to a GPS device.
bool runsPrivately(const ConversionRequest& req) {
    return !req.multipleInput && inputTypeOf(req.inputPath) != static_cast<int>(InputType::Kmz) &&
           (req.outputTarget == OutputTarget::File || req.outputTarget == OutputTarget::Gps);
}

// The state of one Convert action between its steps.
struct Run {
    Context& ctx;
    const DriverCalls& calls;
    ConversionRequest& req;
    DeliveryPlan plan;
};

// Split and filter values of the run and their ranges.
int checkSplitAndFilter(Context& ctx, const ConversionRequest& req) {
    const Settings& s = ctx.settings;
    int32_t splitField = static_cast<int32_t>(std::min<uint32_t>(req.splitField, INT32_MAX));
    int32_t split = (s.milesMode == 1 && s.Splittype == 1) ? milesToKm(splitField) : splitField;
    int32_t filter = static_cast<int32_t>(std::min<uint32_t>(req.filterField, INT32_MAX));
    ctx.run.splitValue = split;
    ctx.run.filterValue = filter;
    if (s.Split == 1) {
        if (s.Splittype == 1 && (split < 5 || split > 999)) {
            say(ctx, dmsg::kSplitLength, s.milesMode == 1 ? "3-622 mi" : "5-999 km");
            return kRunStopped;
        }
        if (s.Splittype == 2 && (split < 25 || split > 9999)) {
            say(ctx, dmsg::kSplitPoints);
            return kRunStopped;
        }
    }
    if (s.Filter == 1) {
        if (s.Filtertype == 1 && (filter < 2 || filter > 9999)) {
            say(ctx, dmsg::kFilterPoints);
            return kRunStopped;
        }
        if (s.Filtertype == 2 && filter > 95) {
            say(ctx, dmsg::kFilterPercent);
            return kRunStopped;
        }
        if (s.Filtertype == 3 && filter > 90) {
            say(ctx, dmsg::kFilterDirection);
            return kRunStopped;
        }
    }
    if (s.Split == 1 && s.Filter == 1 && s.Splittype == 2 && s.Filtertype == 1 && filter > split) {
        say(ctx, dmsg::kFilterOverSplit, static_cast<unsigned>(split));
        ctx.run.filterValue = split;
    }
    return kStepPassed;
}

bool openWorkFile(Context& ctx, FileStream& work) {
    clearReadOnly(ctx.paths.workGdb);
    errno = ENOENT;
    if (ctx.paths.workGdb.empty() || !work.open(ctx.paths.workGdb, "w+b")) {
        sayWithDetail(ctx, dmsg::kWorkFile, std::strerror(errno), ctx.paths.workGdb.c_str());
        return false;
    }
    return true;
}

// Closes the work file and marks it read-only; false (told) when its bytes did not all reach the disk.
bool closeWorkFile(Context& ctx, FileStream& work) {
    bool ok = work.ok() && work.close();
    work.close();
    setReadOnly(ctx.paths.workGdb);
    if (!ok)
        sayWithDetail(ctx, dmsg::kWorkFile, std::strerror(work.writeError() != 0 ? work.writeError() : EIO),
                      ctx.paths.workGdb.c_str());
    return ok;
}

// Opens an input for reading, errno telling why not. The program's own work files are read
// into memory first, because the run rewrites them while it reads.
std::unique_ptr<ByteStream> openInput(Context& ctx, const std::string& path) {
    struct stat st;
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    if (::stat(path.c_str(), &st) != 0) return nullptr;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    if (sameFile(path, ctx.paths.workGdb) || sameFile(path, ctx.paths.downGdb)) {
        std::vector<uint8_t> bytes;
        if (!readWholeFile(path, bytes)) return nullptr;
        return std::make_unique<MemoryStream>(std::move(bytes));
    }
    auto file = std::make_unique<FileStream>();
    if (!file->open(path, "rb")) return nullptr;
    return file;
}

// Swaps a later GDB version for its down-converted copy; the input then reads that copy.
int downConvertInput(Context& ctx, const DriverCalls& calls, std::unique_ptr<ByteStream>& in) {
    int version = readVersionByte(*in);
    if (version < 0 || !isLaterVersion(static_cast<uint8_t>(version))) return kStepPassed;
    requireCall(static_cast<bool>(calls.downConvert), "reading of later GDB versions");
    int rc = calls.downConvert(ctx, *in, static_cast<uint8_t>(version));
    in.reset();
    if (rc != 0) {
        say(ctx, dmsg::kNotGdb);
        return kRunFailed;
    }
    in = openInput(ctx, ctx.paths.downGdb);
    if (!in) {
        sayWithDetail(ctx, dmsg::kCannotOpenInput, fileReason(ctx.paths.downGdb, errno));
        return kRunFailed;
    }
    return kStepPassed;
}

// The record loop of the GDB conversion pass, with the information texts shown after each record.
void runGdbPass(Context& ctx, const DriverCalls& calls, ByteStream& in, ByteStream& work) {
    const int total = static_cast<int>(in.size());  // once: the input does not change while read
    // The bar moves in steps of a thousandth: a call per record would cost the desktop a bar
    // update for every waypoint of a file of tens of thousands.
    int64_t nextStep = 0;
    for (;;) {
        if (ctx.progress && in.tell() >= nextStep) {
            const int64_t at = in.tell();
            ctx.progress(static_cast<int>(at), total);
            // The first position of the next thousandth.
            nextStep = total > 0 ? ((at * 1000 / total + 1) * total + 999) / 1000 : INT64_MAX;
        }
        int64_t before = in.tell();
        char type = calls.convertGdbRecord(ctx, in, work);
        if (ctx.run.infoFlag == 1 || ctx.run.infoFlag == 2) {
            tellLiteral(ctx, dmsg::kCaptionInfo, ctx.run.infoText, MsgStyle::Warning);
            ctx.run.clearInfo();
        }
        if (type == '1' || type == 'V') break;
        // A pass that no longer moves through the input would loop for ever.
        if (in.tell() == before) break;
    }
    // The whole input has been taken in: the bar shows its end before the result is announced.
    if (ctx.progress) ctx.progress(static_cast<int>(in.size()), static_cast<int>(in.size()));
}

// The input was shortened or rewritten by another program while it was read.
void tellChangedWhileRead(Context& ctx, const ByteStream& in, const std::string& inputPath) {
    const UiText& detail = in.bytesCutShort() ? dmsg::kDetailShortened : dmsg::kDetailRewritten;
    sayWithDetail(ctx, dmsg::kCannotOpenInput, dmsg::detailText(ctx, detail, inputPath));
}

// Runs the engine for one input into the open work file.
int runEngine(Run& r, ByteStream& in, FileStream& work) {
    Context& ctx = r.ctx;
    const int32_t option = r.req.option;
    if (ctx.run.inputType == InputType::Gdb && option != 0) {
        int32_t headerLength = 0;
        if (r.calls.scanHeader(ctx, in, headerLength) == 1) {
            ctx.waypointIndex.clear();
            ctx.routeNameIndex.clear();
            say(ctx, dmsg::kNotGdb);
            return kRunFailed;
        }
        int result = kStepPassed;
        if (option == 3 || option == 4) {
            in.seek(0);
            if (r.calls.viaPointVisibilityPass(ctx, in, work) != 0) {
                tellLiteral(ctx, dmsg::kCaptionDone, dmsg::kMemoryError, MsgStyle::Plain);
                result = kRunFailed;
            }
        } else if (headerLength <= 0 || !in.seek(0) || copyBytes(headerLength, &work, in) != headerLength) {
            say(ctx, dmsg::kNotGdb);
            result = kRunFailed;
        } else {
            runGdbPass(ctx, r.calls, in, work);
        }
        // Another program shortened or rewrote the input while either pass read it: the result is
        // not the file's.
        if (result == kStepPassed && (in.bytesCutShort() || in.bytesChanged())) {
            tellChangedWhileRead(ctx, in, r.req.inputPath);
            result = kRunFailed;
        }
        ctx.waypointIndex.clear();
        ctx.routeNameIndex.clear();
        return result;
    }
    in.seek(0);
    const int imported = r.calls.importFile(ctx, baseNameOf(r.plan.inputPath), in, work);
    if (imported == 2) {
        tellLiteral(ctx, dmsg::kCaptionDone, dmsg::kMemoryError, MsgStyle::Plain);
        return kRunFailed;
    }
    if (imported == 3) {
        say(ctx, dmsg::kInputTooLarge, r.req.inputPath.c_str(), static_cast<unsigned>(kMaxImportBytes >> 20));
        return kRunFailed;
    }
    if (imported == kImportInputChanged || (imported == 0 && in.bytesChanged())) {
        tellChangedWhileRead(ctx, in, r.req.inputPath);
        return kRunFailed;
    }
    // A note no route or track took with it.
    if (ctx.run.infoFlag != 0) {
        tellLiteral(ctx, dmsg::kCaptionInfo, ctx.run.infoText, MsgStyle::Warning);
        ctx.run.clearInfo();
    }
    return kStepPassed;
}

// Whether the engines one input needs are in the build; tells the user when one is missing.
void requireEngines(Run& r) {
    const DriverCalls& c = r.calls;
    const int32_t option = r.req.option;
    if (r.ctx.run.inputType == InputType::Gdb && option != 0) {
        requireCall(static_cast<bool>(c.scanHeader), "GDB header scan");
        if (option == 3 || option == 4)
            requireCall(static_cast<bool>(c.viaPointVisibilityPass), "via point visibility conversion");
        else
            requireCall(static_cast<bool>(c.convertGdbRecord), "GDB conversion pass");
    } else {
        requireCall(static_cast<bool>(c.importFile), "file import");
    }
    requireDelivery(c, r.plan);
}

// Steps for one input file: its type, the option rules, the output test and the engine.
int runSingle(Run& r) {
    Context& ctx = r.ctx;
    ConversionRequest& req = r.req;
    const int32_t option = req.option;
    int type = inputTypeOf(req.inputPath);
    if (type < 0) {
        sayWithDetail(ctx, dmsg::kInputType, req.inputPath);
        return kRunStopped;
    }
    ctx.run.inputType = static_cast<InputType>(type);
    if (type != 0 && option >= 1 && option <= 15) {
        say(ctx, dmsg::kNonGdbOptions);
        return kRunStopped;
    }
    // Only a .gdb input can be overwritten, and only for the targets that offer it.
    r.plan.overwriteInput = req.overwriteInput && inputCanBeOverwritten(req.inputPath) &&
                            (req.outputTarget == OutputTarget::File || req.outputTarget == OutputTarget::MapSource);
    if (req.outputTarget == OutputTarget::File && !r.plan.overwriteInput) {
        if (int rc = readOutputPath(ctx, r.calls, req, r.plan); rc != kStepPassed) return rc;
    }
    // An input that cannot be replaced (other hard links, say) is refused before its backup is
    // offered; a read-only one is told so at delivery as before.
    std::string why;
    if (r.plan.overwriteInput && !isReadOnly(req.inputPath) && !canReplace(req.inputPath, &why)) {
        sayWithDetail(ctx, dmsg::kCannotOpenOutput, why);
        return kRunFailed;
    }
    if (deliversCourses(r.plan) && optionRejectsCourses(option)) {
        say(ctx, dmsg::kTcxOptions);
        return kRunStopped;
    }
    if (nameTooLong(req.inputPath)) {
        say(ctx, dmsg::kNameTooLong, req.inputPath.c_str());
        return kRunStopped;
    }
    r.plan.inputPath = req.inputPath;
    if (ctx.run.inputType == InputType::Kmz) {
        requireCall(static_cast<bool>(r.calls.unpackKmz), "KMZ unpacking");
        r.plan.inputPath = r.calls.unpackKmz(ctx, req.inputPath);
    }
    std::unique_ptr<ByteStream> in = openInput(ctx, r.plan.inputPath);
    if (!in) {
        sayWithDetail(ctx, dmsg::kCannotOpenInput, fileReason(req.inputPath, errno));
        return kRunFailed;
    }
    // The output test compares file identity and never truncates an existing output.
    if (req.outputTarget == OutputTarget::File && !r.plan.overwriteInput) {
        if (int rc = testOutput(ctx, r.plan.outputPath, {req.inputPath, r.plan.inputPath}, &r.plan.outputTarget); rc != kStepPassed)
            return rc;
    }
    requireEngines(r);
    ctx.run.keepGpxRoutes = ctx.settings.GpxRoutes == 1 && deliversGdb(r.plan);

    if (ctx.run.inputType == InputType::Gdb) {
        if (int rc = downConvertInput(ctx, r.calls, in); rc != kStepPassed) return rc;
    }
    FileStream work;
    if (!openWorkFile(ctx, work)) return kRunFailed;
    int rc = runEngine(r, *in, work);
    in.reset();
    if (!closeWorkFile(ctx, work)) return kRunFailed;
    // What was read before a cut is delivered only when the user says so.
    if (rc == kDelivered && !ctx.run.cutNote.empty() &&
        say(ctx, dmsg::kInputCut, req.inputPath.c_str(), ctx.run.cutNote.c_str()) != Answer::Yes)
        return kRunFailed;
    return rc;
}

// Steps for several input files: the output and option rules, then the batch run with its log.
int runBatch(Run& r) {
    Context& ctx = r.ctx;
    ConversionRequest& req = r.req;
    const int32_t option = req.option;
    if (req.outputTarget == OutputTarget::File) {
        if (int rc = readOutputPath(ctx, r.calls, req, r.plan); rc != kStepPassed) return rc;
        if (int rc = testOutput(ctx, r.plan.outputPath, req.inputList, &r.plan.outputTarget); rc != kStepPassed) return rc;
    }
    if (deliversCourses(r.plan)) {
        if (option >= 1 && option <= 23) {
            say(ctx, dmsg::kBatchTcxOptions);
            return kRunStopped;
        }
    } else if (option >= 1 && option <= 15) {
        say(ctx, dmsg::kBatchOptions);
        return kRunStopped;
    }
    if (!req.inputList.empty()) r.plan.inputPath = req.inputList.front();
    requireCall(static_cast<bool>(r.calls.convertBatch), "batch conversion");
    requireDelivery(r.calls, r.plan);
    ctx.run.keepGpxRoutes = ctx.settings.GpxRoutes == 1 && deliversGdb(r.plan);

    FileStream work;
    if (!openWorkFile(ctx, work)) return kRunFailed;
    std::string why = std::strerror(ENOENT);
    FILE* log = ctx.paths.logFile.empty() ? nullptr : openOutputStream(ctx.paths.logFile, &why);
    if (log == nullptr) {
        sayWithDetail(ctx, dmsg::kLogFile, why, ctx.paths.logFile.c_str());
        closeWorkFile(ctx, work);
        return kRunFailed;
    }
    say(ctx, dmsg::kBatchStart, static_cast<unsigned>(req.inputList.size()), ctx.paths.logFile.c_str());
    ctx.run.batch = true;
    const int batched = r.calls.convertBatch(ctx, log, work, req.inputList);
    std::fclose(log);
    if (!closeWorkFile(ctx, work)) return kRunFailed;
    // A batch that ran out of memory left its output without an end: nothing is delivered.
    if (batched == 2) {
        tellLiteral(ctx, dmsg::kCaptionDone, dmsg::kMemoryError, MsgStyle::Plain);
        return kRunFailed;
    }
    return kStepPassed;
}

// Whether the run converted anything the option asks for; tells the user when not.
bool somethingConverted(Context& ctx, int32_t option) {
    const RunState& run = ctx.run;
    int32_t tracks = run.trackCounter - run.trackFailures;
    int32_t routes = run.routeCounter - run.routeFailures;
    if (option == 0 && tracks == 0 && run.waypointCount == 0) {
        say(ctx, dmsg::kNoTracksOrWaypoints);
        return false;
    }
    if (option >= 21 && option <= 24 && tracks == 0) {
        say(ctx, dmsg::kNoTracks);
        return false;
    }
    if (option >= 1 && option <= 15 && routes == 0) {
        say(ctx, dmsg::kNoRoutes);
        return false;
    }
    return true;
}

}  // namespace

void requireCall(bool bound, const char* what) {
    if (bound) return;
    std::fprintf(stderr, "Trakor3: internal error: no %s bound to the driver\n", what);
    std::abort();
}

int reportUnavailable(Context& ctx, const char* what) {
    say(ctx, dmsg::kUnavailable, what);
    return kRunFailed;
}

std::string backupNameFor(const std::string& inputPath) {
    auto exists = [](const std::string& p) {
        struct stat st;
        return ::lstat(p.c_str(), &st) == 0;
    };
    std::string name = inputPath + ".bak";
    for (int n = 1; exists(name); ++n) {
        if (n > 9999) return std::string();
        name = inputPath + ".bak(" + std::to_string(n) + ")";
    }
    return name;
}

int runConversion(Context& ctx, const DriverCalls& calls, ConversionRequest& request) {
    // The engines read the option and the target from the settings record: for this run they are
    // the request's, and afterwards they are what they were (as the View action needs).
    struct Restore {
        Settings& s;
        int32_t mode = s.Mode, outputOption = s.OutputOption;
        ~Restore() {
            s.Mode = mode;
            s.OutputOption = outputOption;
        }
    } restore{ctx.settings};
    ctx.settings.Mode = request.option;
    ctx.settings.OutputOption = static_cast<int32_t>(request.outputTarget);
    ctx.resetRun();
    ctx.run.savedRouteMarker = ctx.settings.SaveRoute == 1 ? 1 : 0;
    Run r{ctx, calls, request, DeliveryPlan{}};
    r.plan.target = request.outputTarget;

    if (usesSplitFilter(request.option)) {
        if (int rc = checkSplitAndFilter(ctx, request); rc != kStepPassed) return rc;
    }
    if (request.outputTarget == OutputTarget::Gps) {
        if (int rc = prepareGpsTarget(ctx, r.req, r.plan); rc != kStepPassed) return rc;
    }
    if (request.inputPath.empty() && calls.browseInput) calls.browseInput(request);
    if (request.inputPath.empty() || (request.multipleInput && request.inputList.empty())) {
        say(ctx, dmsg::kNoInput);
        return kRunStopped;
    }
    if (int rc = testInputKinds(ctx, request); rc != kDelivered) return rc;
    // The log is tested before the work files are locked: a FIFO would hold the lock for ever.
    if (request.multipleInput) {
        if (int rc = testLogFile(ctx); rc != kStepPassed) return rc;
    }
    WorkFiles workFiles(ctx);
    r.plan.privateWorkFiles = runsPrivately(request);
    if (!(r.plan.privateWorkFiles ? workFiles.makePrivate() : workFiles.lockFixed(calls))) return kRunFailed;
    ctx.run.collectLeftOut = true;
    int rc = request.multipleInput ? runBatch(r) : runSingle(r);
    // Routes and tracks left out are told in one message; those of the delivery each on its own.
    tellLeftOut(ctx);
    ctx.run.collectLeftOut = false;
    if (rc != kStepPassed) return rc;
    if (!somethingConverted(ctx, request.option)) return kRunFailed;
    return deliverResult(ctx, calls, r.plan);
}

int viewInput(Context& ctx, const DriverCalls& calls, ConversionRequest& request) {
    if (request.inputPath.empty()) {
        say(ctx, dmsg::kNoInput);
        return kRunStopped;
    }
    std::string lower = lowerAscii(request.inputPath);
    bool gdb = lower.find(".gdb.bak") != std::string::npos || endsWith(lower, ".gdb");
    if (gdb || endsWith(lower, ".gpx")) {
        requireCall(static_cast<bool>(calls.openInMapSource), "opening files in MapSource");
    }
    if (gdb) {
        std::unique_ptr<ByteStream> in = openInput(ctx, request.inputPath);
        if (!in) {
            sayWithDetail(ctx, dmsg::kCannotOpenInput, fileReason(request.inputPath, errno));
            return kRunFailed;
        }
        int version = readVersionByte(*in);
        if (version >= 0 && isReadableVersion(static_cast<char>(version))) {
            in.reset();
            return calls.openInMapSource(ctx, request.inputPath) == 0 ? kDelivered : kRunFailed;
        }
        if (version >= 0 && isLaterVersion(static_cast<uint8_t>(version))) {
            requireCall(static_cast<bool>(calls.downConvert), "reading of later GDB versions");
            // MapSource is handed the fixed down-converted file.
            WorkFiles workFiles(ctx);
            if (!workFiles.lockFixed(calls)) return kRunFailed;
            int rc = calls.downConvert(ctx, *in, static_cast<uint8_t>(version));
            in.reset();
            if (rc != 0) {
                say(ctx, dmsg::kNotGdb);
                return kRunFailed;
            }
            return calls.openInMapSource(ctx, ctx.paths.downGdb) == 0 ? kDelivered : kRunFailed;
        }
        say(ctx, dmsg::kNotGdb);
        return kRunFailed;
    }
    if (endsWith(lower, ".gpx")) return calls.openInMapSource(ctx, request.inputPath) == 0 ? kDelivered : kRunFailed;

    // Anything else is converted to GDB with option 0 and opened from the work file.
    ConversionRequest asGdb = request;
    asGdb.option = 0;
    asGdb.outputTarget = OutputTarget::MapSource;
    asGdb.overwriteInput = false;
    int32_t filter = ctx.settings.Filter;
    ctx.settings.Filter = 0;
    int rc = runConversion(ctx, calls, asGdb);
    ctx.settings.Filter = filter;
    return rc;
}

}  // namespace trakor
