// SPDX-License-Identifier: GPL-3.0-or-later
// The message at the end of a batch run: how many files were converted, which were not, and a
// button that opens the CSV log.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/run_summary.h"
#include "core/context.h"

namespace trakor {

// Shows the tally of a finished batch run in a box owned by `owner`, with the log's path; the
// box's "Open log" button hands the log to `openFile`.
void showBatchEnd(QWidget* owner, const Context& ctx, const BatchTally& tally, const std::string& logPath,
                  const std::function<void(const std::string&)>& openFile);

}  // namespace trakor
