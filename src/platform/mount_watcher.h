// Tells when the mount table changes, so device detection can run again.
#pragma once

#include <string>

namespace trakor {

class MountWatcher {
public:
    explicit MountWatcher(std::string mountTable = "/proc/self/mountinfo");
    ~MountWatcher();
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

    // Descriptor that becomes ready (exceptional condition, POLLPRI) when the kernel's mount table
    // changes; for an event loop. -1 when the table could not be opened.
    int fd() const { return fd_; }

    // Waits up to `timeoutMs` (0: just look) and reports whether the table's contents differ from
    // the last time they were seen. Each change is reported once.
    bool changed(int timeoutMs);

private:
    std::string readTable();

    std::string path_;
    int fd_ = -1;
    std::string last_;
};

}  // namespace trakor
