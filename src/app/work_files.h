// SPDX-License-Identifier: GPL-3.0-or-later
// The work files of one Convert action: private ones for a run of its own, or the fixed ones
// under a lock on the working folder.
#pragma once

#include <memory>
#include <vector>

#include "app/driver_calls.h"
#include "core/context.h"
#include "platform/atomic_file.h"
#include "platform/instance_lock.h"

namespace trakor {

// A run that delivers a file of its own works in private files created beside the fixed ones, so
// runs side by side never share one; the fixed names, which MapSource and Training Center are
// handed (and the batch log and the KMZ extraction), are written only under a lock on the working
// folder held for the whole action. The context's paths are restored when the action ends.
class WorkFiles {
public:
    explicit WorkFiles(Context& ctx);
    ~WorkFiles() { ctx_.paths = fixed_; }
    WorkFiles(const WorkFiles&) = delete;
    WorkFiles& operator=(const WorkFiles&) = delete;

    // Switches the run's work file paths to private files; false (the user told) when one cannot be made.
    bool makePrivate();
    // Takes the lock on the fixed work files, waiting for another run that holds it.
    bool lockFixed(const DriverCalls& calls);

private:
    Context& ctx_;
    const Paths fixed_;
    std::vector<std::unique_ptr<LockedTemporary>> private_;
    FileLock lock_;
};

}  // namespace trakor
