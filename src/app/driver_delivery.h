// SPDX-License-Identifier: GPL-3.0-or-later
// Delivery of the work GDB file to the chosen target, the last step of a Convert action.
#pragma once

#include <string>
#include <string_view>

#include "core/context.h"
#include "core/output_types.h"
#include "app/conversion_request.h"
#include "app/driver_calls.h"
#include "platform/unit_files.h"

namespace trakor {

// Output formats for target File.
constexpr int kFormatGdb = 0;
constexpr int kFormatGpx = 1;
constexpr int kFormatTcx = 2;
constexpr int kFormatFit = 3;
// The formats are numbered in the order of the table of output types.
static_assert(std::string_view(kOutputTypes[kFormatGdb].extension) == "gdb" &&
              std::string_view(kOutputTypes[kFormatGpx].extension) == "gpx" &&
              std::string_view(kOutputTypes[kFormatTcx].extension) == "tcx" &&
              std::string_view(kOutputTypes[kFormatFit].extension) == "fit");

struct DeliveryPlan {
    OutputTarget target = OutputTarget::File;
    int format = kFormatGdb;
    bool overwriteInput = false;
    std::string inputPath;     // the input under its real name (replaced with the overwrite flag)
    std::string outputPath;    // target File
    // outputPath with its links followed once before anything is read: the result goes to exactly
    // this name, whatever links appear meanwhile (empty: not resolved, outputPath is used).
    std::string outputTarget;
    // Target GPS: the folder on the unit, found beneath its mount, and what goes there (kFormatTcx
    // courses, kFormatFit courses or kFormatGpx routes, tracks and waypoints).
    UnitFolder deviceFolder;
    bool privateWorkFiles = false;  // the work files are this run's own: they may be moved to the output
};

// Whether the result leaves as courses (TCX or FIT).
bool deliversCourses(const DeliveryPlan& plan);
// Whether the result leaves as the GDB file itself (a file or MapSource).
bool deliversGdb(const DeliveryPlan& plan);

// Every engine call the delivery needs is bound (see requireCall).
void requireDelivery(const DriverCalls& calls, const DeliveryPlan& plan);

// Hands the finished work GDB file to its target: kDelivered, or kRunStopped / kRunFailed
// after the user was told.
int deliverResult(Context& ctx, const DriverCalls& calls, const DeliveryPlan& plan);

}  // namespace trakor
