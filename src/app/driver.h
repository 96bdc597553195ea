// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion driver: checks a Convert request, runs one engine and delivers the result.
#pragma once

#include <string>

#include "core/context.h"
#include "app/conversion_request.h"
#include "app/driver_calls.h"
#include "core/file_names.h"

namespace trakor {

// Results of the driver's actions.
constexpr int kDelivered = 0;    // the result reached its target
constexpr int kStepPassed = 0;   // a check or step before delivery passed: the run goes on
constexpr int kRunStopped = 1;   // a check failed or the user stopped the run (the user was told)
constexpr int kRunFailed = 2;    // a file, an engine or the conversion failed (the user was told)

// The Convert action. The request is not const: the browse calls may fill its paths.
int runConversion(Context& ctx, const DriverCalls& calls, ConversionRequest& request);

// The View action: shows the input in MapSource, converting it to GDB first when needed.
int viewInput(Context& ctx, const DriverCalls& calls, ConversionRequest& request);

// Backs up (when the user wants) and replaces the input with the work GDB file: kDelivered,
// kRunStopped when the user cancelled, kRunFailed when a file could not be read, backed up or
// replaced (the user was told). A private work file may be moved in place of the input.
int replaceInputWithResult(Context& ctx, const std::string& inputPath, bool moveWorkFile = false);

// First free backup name: "<input>.bak", then "<input>.bak(1)", "<input>.bak(2)", ...
// Empty when no free name is found.
std::string backupNameFor(const std::string& inputPath);

// Tells the user that a part of the program is missing from this build; always kRunFailed.
int reportUnavailable(Context& ctx, const char* what);

// The engine calls an action needs are always bound (defaultDriverCalls binds them all): a missing
// one is a fault of the program, which ends at once with `what` named on standard error.
void requireCall(bool bound, const char* what);

}  // namespace trakor
