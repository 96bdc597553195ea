// A lock held by at most one process of the user at a time; it vanishes with its holder, even
// when that process crashes. Guards the clipboard dialog across running copies of the program.
#pragma once

#include <string>

#include "platform/environment.h"

namespace trakor {

inline constexpr const char* kInstanceLockName = "QUENBY-Trakor3";

class InstanceLock {
public:
    enum class Result { Acquired, HeldElsewhere, Error };

    // `folder` holds the lock file; see instanceLockFolder().
    explicit InstanceLock(std::string folder, std::string name = kInstanceLockName);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting. Taking a lock this object already holds succeeds.
    Result acquire();
    void release();
    bool held() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// $XDG_RUNTIME_DIR when set (private to the user), else the temporary folder.
std::string instanceLockFolder(const Environment& env);

}  // namespace trakor
