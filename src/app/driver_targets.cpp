// SPDX-License-Identifier: GPL-3.0-or-later
// Where a Convert action's result goes and the checks before anything is read: the GPS device's
// folders, the output path and its format, the kinds of the inputs and the output test.
#include "app/driver_targets.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "app/driver.h"
#include "app/driver_messages.h"
#include "app/request_builder.h"
#include "core/file_names.h"
#include "core/output_types.h"
#include "platform/atomic_file.h"
#include "platform/file_attributes.h"
#include "platform/file_delivery.h"
#include "platform/output_links.h"
#include "platform/path_case.h"
#include "platform/unit_files.h"

namespace trakor {

namespace {

bool startsWithNoCase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && lowerAscii(s.substr(0, prefix.size())) == lowerAscii(prefix);
}

// "<root>/<name>", without doubling a slash that ends the root.
std::string underRoot(const std::string& root, const std::string& name) {
    if (!root.empty() && root.back() == '/') return root + name;
    return root + "/" + name;
}

// The unit's folder of `path`, found or made beneath the unit's mount and nowhere else; what runs
// that were killed left there goes before anything is written. A path that leads out is refused
// by name.
int findDeviceFolder(Context& ctx, const std::string& target, const std::string& path, DeliveryPlan& plan) {
    std::string error;
    switch (findUnitFolder(target, path, true, plan.deviceFolder, &error)) {
        case UnitLookup::Found:
            removeStaleUnitTemporaries(plan.deviceFolder);
            return kStepPassed;
        case UnitLookup::Outside:
            say(ctx, dmsg::kOutsideUnit, error.c_str());
            return kRunFailed;
        case UnitLookup::Failed:
            break;
    }
    sayWithDetail(ctx, dmsg::kDriveNotAccessible, error, target.c_str());
    return kRunStopped;
}

// A device that describes its files gets what the description lists, in the folder it names
// (matched in any case): courses as FIT where it takes FIT courses, else as TCX; what a course
// cannot carry as GPX. What it does not take is refused by model name before anything is written.
int prepareDescribedTarget(Context& ctx, int32_t option, DeliveryPlan& plan, const GarminDevice& device,
                           const std::string& target) {
    const std::string model = device.model.empty() ? std::string("GPS device") : device.model;
    const DeviceFileKind* kind = nullptr;
    if (optionRejectsCourses(option)) {
        kind = device.gpxData();
        plan.format = kFormatGpx;
        if (kind == nullptr) {
            say(ctx, dmsg::kTakesNoGpx, model.c_str());
            return kRunStopped;
        }
    } else {
        kind = device.fitCourses();
        plan.format = kFormatFit;
        if (kind == nullptr) {
            kind = device.tcxCourses();
            plan.format = kFormatTcx;
        }
        if (kind == nullptr) {
            say(ctx, dmsg::kTakesNoCourses, model.c_str());
            return kRunStopped;
        }
    }
    return findDeviceFolder(ctx, target, kind->path, plan);
}

}  // namespace

int prepareGpsTarget(Context& ctx, const ConversionRequest& req, DeliveryPlan& plan) {
    const DetectedDevice& dev = req.device;
    if (!dev.connected || !volumeAnswers(dev.root)) {
        say(ctx, dmsg::kNoGps);
        return kRunStopped;
    }
    plan.format = kFormatTcx;
    if (dev.description && dev.description->listsFiles()) {
        const std::string target = req.targetRoot.empty() ? dev.root : req.targetRoot;
        if (!volumeAnswers(target)) {
            say(ctx, dmsg::kDriveNotAccessible, target.c_str());
            return kRunStopped;
        }
        return prepareDescribedTarget(ctx, req.option, plan, *dev.description, target);
    }
    auto listed = [&](const char* model) {
        std::string prefix = underRoot(dev.root, model);
        return std::any_of(dev.deviceList.begin(), dev.deviceList.end(),
                           [&](const std::string& e) { return startsWithNoCase(e, prefix); });
    };
    if (!listed("EDGE") && say(ctx, dmsg::kNotEdge) != Answer::Yes) return kRunStopped;
    bool newFiles = listed("EDGE 500") || listed("EDGE 800");
    std::string target = req.targetRoot.empty() ? dev.root : req.targetRoot;
    if (!volumeAnswers(target)) {
        say(ctx, dmsg::kDriveNotAccessible, target.c_str());
        return kRunStopped;
    }
    // The Courses folder is made for every model; a NewFiles model takes its courses there.
    const int rc = findDeviceFolder(ctx, target, "Garmin/Courses", plan);
    if (rc != kStepPassed || !newFiles) return rc;
    return findDeviceFolder(ctx, target, "Garmin/NewFiles", plan);
}

int readOutputPath(Context& ctx, const DriverCalls& calls, ConversionRequest& req, DeliveryPlan& plan) {
    if (req.outputPath.empty() && calls.browseOutput) calls.browseOutput(req);
    if (req.outputPath.empty()) {
        say(ctx, dmsg::kNoOutput);
        return kRunStopped;
    }
    const OutputType* type = outputTypeOf(req.outputPath);
    if (type == nullptr) {
        say(ctx, dmsg::kOutputNotGdbTcx);
        return kRunStopped;
    }
    plan.format = static_cast<int>(type - std::begin(kOutputTypes));
    if (nameTooLong(req.outputPath)) {
        say(ctx, dmsg::kNameTooLong, req.outputPath.c_str());
        return kRunStopped;
    }
    plan.outputPath = req.outputPath;
    return kStepPassed;
}

std::string fileReason(const std::string& path, int errnum) { return path + ": " + std::strerror(errnum); }

int testInputKinds(Context& ctx, const ConversionRequest& req) {
    const std::vector<std::string> single{req.inputPath};
    for (const std::string& in : req.multipleInput ? req.inputList : single) {
        struct stat st;
        if (::stat(in.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            sayWithDetail(ctx, dmsg::kCannotOpenInput, notRegularFile(in, st.st_mode));
            return kRunFailed;
        }
    }
    return kDelivered;
}

int testLogFile(Context& ctx) {
    const std::string& log = ctx.paths.logFile;
    std::string target, why;
    if (!log.empty() && (!resolveOutputName(log, target, &why) || existsButNotRegular(target, &why))) {
        sayWithDetail(ctx, dmsg::kLogFile, why, log.c_str());
        return kRunFailed;
    }
    return kStepPassed;
}

int testOutput(Context& ctx, const std::string& out, const std::vector<std::string>& inputs,
               std::string* resolvedOut) {
    // The output's links are followed once here and the delivery writes to where they lead: a link
    // another user planted in a shared folder is refused before anything is read, and one planted
    // later never redirects the result.
    std::string resolved, why;
    if (!out.empty() && !resolveOutputName(out, resolved, &why)) {
        sayWithDetail(ctx, dmsg::kCannotOpenOutput, why);
        return kRunFailed;
    }
    // An output that does not exist yet is none of the inputs: a batch of thousands is not
    // compared file by file then.
    struct stat outStat;
    if (!out.empty() && ::stat(out.c_str(), &outStat) == 0) {
        for (const std::string& in : inputs) {
            if (sameFile(outStat, in)) {
                sayWithDetail(ctx, dmsg::kCannotOpenOutput, dmsg::detailText(ctx, dmsg::kDetailSameAsInput, out));
                return kRunStopped;
            }
        }
    }
    // A FIFO or device would block the output test or take the result as a stream.
    if (!out.empty() && ::stat(out.c_str(), &outStat) == 0 && !S_ISREG(outStat.st_mode)) {
        sayWithDetail(ctx, dmsg::kCannotOpenOutput, notRegularFile(out, outStat.st_mode));
        return kRunFailed;
    }
    const size_t slash = out.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : out.substr(0, slash == 0 ? 1 : slash);
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        say(ctx, dmsg::kNoOutputFolder, folder.c_str());
        return kRunFailed;
    }
    if (isReadOnly(out)) {
        sayWithDetail(ctx, dmsg::kCannotOpenOutput, dmsg::detailText(ctx, dmsg::kDetailReadOnly, out));
        return kRunFailed;
    }
    errno = 0;
    if (!canWriteOutput(out)) {
        const int e = errno;
        sayWithDetail(ctx, dmsg::kCannotOpenOutput, e != 0 ? fileReason(out, e) : out + ": not a regular file");
        return kRunFailed;
    }
    if (resolvedOut != nullptr) *resolvedOut = resolved;
    return kStepPassed;
}

}  // namespace trakor
