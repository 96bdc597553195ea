// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/driver_delivery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/driver.h"
#include "app/driver_messages.h"
#include "app/driver_targets.h"
#include "core/file_names.h"
#include "course/course_messages.h"
#include "course/course_walk.h"
#include "course/course_writer.h"
#include "gdb/result_check.h"
#include "platform/file_attributes.h"
#include "platform/file_delivery.h"
#include "platform/atomic_file.h"
#include "platform/mapped_file.h"
#include "platform/whole_file.h"

namespace trakor {

namespace {

// The Training Center note, looked up with its own limit of 128 characters.
void tellCoursesInFile(Context& ctx, const std::string& tcxPath) {
    const KeyedMessage& m = dmsg::kCoursesInFile;
    const std::string text = formatMessage(ctx, m.key, m.english, 128, tcxPath.c_str());
    if (ctx.notifier != nullptr) ctx.notifier->notify(m.key, text, m.style);
}

// The copy error, with the file and the system's reason on a line of its own when known.
int copyError(Context& ctx, const std::string& reason = {}) {
    tellLiteral(ctx, dmsg::kCaptionDone, reason.empty() ? std::string(dmsg::kCopyError) : dmsg::kCopyError + ("\n" + reason),
                MsgStyle::Plain);
    return kRunFailed;
}

// A result that does not read back whole is not delivered: the input and any existing output
// stay as they are. A file that cannot be read at all is left to the copy, which reports it.
bool resultReadsBack(Context& ctx, const std::string& path) {
    MappedFile file;
    if (!file.open(path)) return true;
    const ResultCheck c = checkGdbImage(file.data(), file.size());
    if (c.ok) return true;
    char where[160];
    std::snprintf(where, sizeof where, "record %d: %s", static_cast<int>(c.record), c.reason.c_str());
    say(ctx, dmsg::kResultDamaged, where);
    return false;
}

// Writes the work TCX file (and a unit's course files, when given); false when no course was
// written or its bytes are not well-formed XML (checked as they were written), the user having
// been told.
bool writeCheckedCourses(Context& ctx, const DriverCalls& calls, UnitCourses* unit) {
    XmlCheck c;
    if (calls.writeCourses(ctx, unit, c) != 0) return false;
    if (c.ok || c.line == 0) return true;
    char where[160];
    std::snprintf(where, sizeof where, "line %d: %s", static_cast<int>(c.line), c.reason.c_str());
    say(ctx, dmsg::kResultDamaged, where);
    return false;
}

// Courses go to the unit as files of their own, named after the input and the course; the
// message names each file written. A run whose every file the user would not replace stops.
int deliverCoursesToDevice(Context& ctx, const DriverCalls& calls, const DeliveryPlan& plan) {
    UnitCourses unit{plan.deviceFolder, baseNameOf(plan.inputPath), {}, 0, false};
    if (plan.format == kFormatFit) {
        if (calls.writeFitCourses(ctx, std::string(), &unit) != 0) return kRunFailed;
    } else if (!writeCheckedCourses(ctx, calls, &unit)) {
        return kRunFailed;
    }
    if (unit.written.empty() && unit.declined > 0) return kRunStopped;
    std::string files;
    for (const std::string& f : unit.written) files += (files.empty() ? "" : "\n") + f;
    if (files.empty())
        say(ctx, dmsg::kCoursesSent);
    else
        sayWithDetail(ctx, dmsg::kCoursesSent, files);
    return kDelivered;
}

// Routes, tracks and waypoints go to the unit as one GPX file named after the input. A file of
// that name on the unit (in any case) is replaced only when the user agrees.
int deliverGpxToDevice(Context& ctx, const DriverCalls& calls, const DeliveryPlan& plan) {
    std::string name = baseNameOf(plan.inputPath);
    if (name.empty()) name = ctx.paths.appName.empty() ? std::string("Trakor3") : ctx.paths.appName;
    name += ".gpx";
    const UnitFolder& folder = plan.deviceFolder;
    const std::string existing = unitEntryNoCase(folder, name);
    if (!existing.empty()) {
        if (say(ctx, cmsg::kReplaceOnDevice, folder.file(existing).c_str()) != Answer::Yes) return kRunStopped;
        name = existing;
    }
    // The GPX file is made beside the run's work file first, then handed to the unit.
    const std::string local = ctx.paths.workGdb + ".gpx";
    std::vector<uint8_t> bytes;
    errno = 0;
    const bool made = calls.writeGpx(ctx, local) == 0 && readWholeFile(local, bytes);
    const int madeErrno = errno;
    ::unlink(local.c_str());
    if (!made) return copyError(ctx, madeErrno != 0 ? fileReason(local, madeErrno) : std::string());
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string error;
    if (!writeFileToUnit(folder, name, text, &error)) {
        tellWriteError(ctx, folder.file(name), error);
        return kRunFailed;
    }
    say(ctx, dmsg::kGpxSent, folder.file(name).c_str());
    return kDelivered;
}

}  // namespace

bool deliversCourses(const DeliveryPlan& plan) {
    return (plan.target == OutputTarget::File && (plan.format == kFormatTcx || plan.format == kFormatFit)) ||
           plan.target == OutputTarget::TrainingCenter || (plan.target == OutputTarget::Gps && plan.format != kFormatGpx);
}

bool deliversGdb(const DeliveryPlan& plan) {
    return plan.target == OutputTarget::MapSource || (plan.target == OutputTarget::File && plan.format == kFormatGdb);
}

void requireDelivery(const DriverCalls& calls, const DeliveryPlan& plan) {
    const bool fit = plan.format == kFormatFit && (plan.target == OutputTarget::File || plan.target == OutputTarget::Gps);
    if (deliversCourses(plan) && !fit) requireCall(static_cast<bool>(calls.writeCourses), "TCX course writer");
    if (fit) requireCall(static_cast<bool>(calls.writeFitCourses), "FIT course writer");
    if ((plan.target == OutputTarget::File || plan.target == OutputTarget::Gps) && plan.format == kFormatGpx)
        requireCall(static_cast<bool>(calls.writeGpx), "GPX writer");
    if (plan.target == OutputTarget::MapSource) requireCall(static_cast<bool>(calls.openInMapSource), "opening files in MapSource");
    if (plan.target == OutputTarget::TrainingCenter)
        requireCall(static_cast<bool>(calls.startTrainingCenter), "starting Training Center");
}

namespace {

// Replaces the output with a finished work file: a private one is moved there where it can be.
// The name resolved before the run is written to, a link planted there since is not followed.
bool deliverWorkFile(const DeliveryPlan& plan, const std::string& workFile, std::string* error) {
    const bool resolved = !plan.outputTarget.empty();
    const std::string& target = resolved ? plan.outputTarget : plan.outputPath;
    return plan.privateWorkFiles ? replaceFileByMoving(workFile, target, error, !resolved)
                                 : replaceFileWith(workFile, target, error, !resolved);
}

}  // namespace

int deliverResult(Context& ctx, const DriverCalls& calls, const DeliveryPlan& plan) {
    const Paths& paths = ctx.paths;
    std::string error;
    if (!deliversCourses(plan) && !resultReadsBack(ctx, paths.workGdb)) return kRunFailed;
    switch (plan.target) {
        case OutputTarget::File:
            if (plan.format == kFormatTcx) {
                if (!writeCheckedCourses(ctx, calls, nullptr)) return kRunFailed;
                // A failed copy is reported: the user must not be told the conversion completed.
                if (!deliverWorkFile(plan, paths.workTcx, &error)) return copyError(ctx, error);
            } else if (plan.format == kFormatFit) {
                if (calls.writeFitCourses(ctx, plan.outputPath, nullptr) != 0) return kRunFailed;
            } else if (plan.format == kFormatGpx) {
                errno = 0;
                if (calls.writeGpx(ctx, plan.outputPath) != 0)
                    return copyError(ctx, errno != 0 ? plan.outputPath + ": " + std::strerror(errno) : std::string());
            } else if (plan.overwriteInput) {
                const int rc = replaceInputWithResult(ctx, plan.inputPath, plan.privateWorkFiles);
                if (rc != kDelivered) return rc;
            } else if (!deliverWorkFile(plan, paths.workGdb, &error)) {
                return copyError(ctx, error);
            }
            say(ctx, dmsg::kCompleted);
            return kDelivered;
        case OutputTarget::MapSource:
            if (plan.overwriteInput) {
                const int rc = replaceInputWithResult(ctx, plan.inputPath, plan.privateWorkFiles);
                if (rc != kDelivered) return rc;
                return calls.openInMapSource(ctx, plan.inputPath) == 0 ? kDelivered : kRunFailed;
            }
            return calls.openInMapSource(ctx, paths.workGdb) == 0 ? kDelivered : kRunFailed;
        case OutputTarget::TrainingCenter:
            if (!writeCheckedCourses(ctx, calls, nullptr)) return kRunFailed;
            tellCoursesInFile(ctx, paths.workTcx);
            return calls.startTrainingCenter(ctx) == 0 ? kDelivered : kRunFailed;
        case OutputTarget::Gps:
            if (plan.format == kFormatGpx) return deliverGpxToDevice(ctx, calls, plan);
            return deliverCoursesToDevice(ctx, calls, plan);
    }
    return kRunFailed;
}

int replaceInputWithResult(Context& ctx, const std::string& inputPath, bool moveWorkFile) {
    // Every file failure fails the run; only the user's Cancel stops it.
    if (isReadOnly(inputPath)) {
        say(ctx, dmsg::kInputReadOnly);
        return kRunFailed;
    }
    std::string backup = backupNameFor(inputPath);
    Answer a = say(ctx, dmsg::kAskBackup, backup.c_str());
    if (a == Answer::Cancel) {
        say(ctx, dmsg::kEnded);
        return kRunStopped;
    }
    std::string error;
    if (a == Answer::Yes && (backup.empty() || !copyToNewFile(inputPath, backup, &error))) {
        // Without its backup the input is not replaced.
        if (error.empty())
            say(ctx, dmsg::kBackupFailed, backup.empty() ? inputPath.c_str() : backup.c_str());
        else
            sayWithDetail(ctx, dmsg::kBackupFailed, error, backup.c_str());
        return kRunFailed;
    }
    const std::string& result = ctx.paths.workGdb;
    if (!(moveWorkFile ? replaceFileByMoving(result, inputPath, &error) : replaceFileWith(result, inputPath, &error)))
        return copyError(ctx, error);
    return kDelivered;
}

}  // namespace trakor
