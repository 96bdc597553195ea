// SPDX-License-Identifier: GPL-3.0-or-later
// Tells when the mount table or gvfs's MTP devices change, so device detection can run again.
#pragma once

#include <string>

#include "platform/block_devices.h"

namespace trakor {

class MountWatcher {
public:
    // `gvfs` is gvfs's folder of mounts, where MTP devices come and go without a change of the table.
    explicit MountWatcher(std::string mountTable = "/proc/self/mountinfo", std::string gvfs = defaultGvfsFolder());
    ~MountWatcher();
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

    // Descriptor that becomes ready (exceptional condition, POLLPRI) when the kernel's mount table
    // changes; for an event loop. -1 when the table could not be opened.
    int fd() const { return fd_; }

    // Waits up to `timeoutMs` (0: just look) and reports whether the table's contents or the MTP
    // devices in gvfs's folder differ from the last time they were seen. Each change is reported
    // once. The folder gives no signal: an event loop also calls this now and then.
    bool changed(int timeoutMs);

private:
    std::string readTable();

    std::string path_;
    std::string gvfs_;
    int fd_ = -1;
    std::string last_;
};

}  // namespace trakor
