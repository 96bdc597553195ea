// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/work_files.h"

#include <cerrno>
#include <cstring>

#include "app/driver_messages.h"

namespace trakor {

WorkFiles::WorkFiles(Context& ctx) : ctx_(ctx), fixed_(ctx.paths), lock_(ctx.paths.workLock()) {
    // Private files of runs that were killed are of no use to anybody, nor are the files made
    // beside them (a GPX file on its way to a unit).
    for (const std::string* p : {&fixed_.workGdb, &fixed_.workTcx, &fixed_.downGdb}) {
        if (p->empty()) continue;
        removeStaleTemporaryFiles(*p);
        removeStaleTemporaries(*p);
    }
}

bool WorkFiles::makePrivate() {
    for (std::string* p : {&ctx_.paths.workGdb, &ctx_.paths.workTcx, &ctx_.paths.downGdb}) {
        if (p->empty()) continue;
        auto tmp = std::make_unique<LockedTemporary>();
        if (!tmp->create(*p)) {
            sayWithDetail(ctx_, dmsg::kWorkFile, std::strerror(errno), p->c_str());
            return false;
        }
        *p = tmp->path();
        private_.push_back(std::move(tmp));
    }
    return true;
}

bool WorkFiles::lockFixed(const DriverCalls& calls) {
    if (lock_.path().empty()) return true;
    const bool locked = lock_.acquireWaiting([&] {
        if (calls.waitingForWorkFiles) calls.waitingForWorkFiles(lock_.path());
    });
    if (!locked) sayWithDetail(ctx_, dmsg::kWorkFile, std::strerror(errno), lock_.path().c_str());
    return locked;
}

}  // namespace trakor
