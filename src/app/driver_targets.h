// SPDX-License-Identifier: GPL-3.0-or-later
// Where a Convert action's result goes, and the checks made before an input is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/conversion_request.h"
#include "app/driver_calls.h"
#include "app/driver_delivery.h"
#include "core/context.h"

namespace trakor {

// "<path>: <the system's reason>", the second line of a file failure.
std::string fileReason(const std::string& path, int errnum);

// Checks the GPS device and makes its course folders; fills the plan's device folder and format.
int prepareGpsTarget(Context& ctx, const ConversionRequest& req, DeliveryPlan& plan);

// Reads the output path (browsing when empty) and takes the output format from its ending.
int readOutputPath(Context& ctx, const DriverCalls& calls, ConversionRequest& req, DeliveryPlan& plan);

// Every input is a regular file (or missing, which reading reports): a FIFO or device would
// block the run, in a batch while it holds the work files' lock.
int testInputKinds(Context& ctx, const ConversionRequest& req);

// The batch log test: the log file (through links as they may be followed) is a regular file or
// none yet. A failure is told and fails the run.
int testLogFile(Context& ctx);

// The output test: the output is none of the inputs, its folder exists, and it can be written
// without harming it. A clash with an input stops the run; a file failure fails it. `resolved`
// gets the name the output leads to once its links are followed, for the delivery.
int testOutput(Context& ctx, const std::string& out, const std::vector<std::string>& inputs,
               std::string* resolved = nullptr);

}  // namespace trakor
