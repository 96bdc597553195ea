// SPDX-License-Identifier: GPL-3.0-or-later
// A lock held by at most one process of the user at a time; it vanishes with its holder, even
// when that process crashes. Guards the clipboard dialog across running copies of the program.
#pragma once

#include <functional>
#include <string>

#include "platform/environment.h"

namespace trakor {

inline constexpr const char* kInstanceLockName = "QUENBY-Trakor3";

// An exclusive lock on a file of its own path (created when missing, never removed), held by
// one process at a time until release or its end, even when that process crashes.
class FileLock {
public:
    enum class Result { Acquired, HeldElsewhere, Error };

    // `mode`: the permission bits of a lock file this creates.
    explicit FileLock(std::string path, unsigned mode = 0666) : path_(std::move(path)), mode_(mode) {}
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock without waiting. Taking a lock this object already holds succeeds.
    Result acquire();
    // Takes the lock; when another process holds it, calls `onWait` (if set) once and waits.
    // False when the lock file cannot be opened.
    bool acquireWaiting(const std::function<void()>& onWait);
    void release();
    bool held() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    unsigned mode_;
    int fd_ = -1;
};

// The lock of the clipboard dialog, one per user across running copies of the program.
class InstanceLock : public FileLock {
public:
    // `folder` holds the lock file; see instanceLockFolder().
    explicit InstanceLock(std::string folder, std::string name = kInstanceLockName);
};

// $XDG_RUNTIME_DIR when set (private to the user), else the temporary folder.
std::string instanceLockFolder(const Environment& env);

}  // namespace trakor
