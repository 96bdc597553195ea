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
#include "platform/path_case.h"

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
    plan.deviceFolder = ensureFolderNoCase(target, kind->path);
    if (plan.deviceFolder.empty()) {
        say(ctx, dmsg::kDriveNotAccessible, target.c_str());
        return kRunStopped;
    }
    return kDelivered;
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
    std::vector<std::string> folders = {underRoot(target, "Garmin/"), underRoot(target, "Garmin/Courses/")};
    if (newFiles) folders.push_back(underRoot(target, "Garmin/NewFiles/"));
    for (const std::string& f : folders) {
        if (!ensureFolder(f)) {
            say(ctx, dmsg::kDriveNotAccessible, target.c_str());
            return kRunStopped;
        }
    }
    plan.deviceFolder = folders.back();
    return kStepPassed;
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

int testOutput(Context& ctx, const std::string& out, const std::vector<std::string>& inputs) {
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
    return kStepPassed;
}

}  // namespace trakor
