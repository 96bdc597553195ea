// SPDX-License-Identifier: GPL-3.0-or-later
// Starting other programs without a shell: an argument vector, an explicit environment, and an
// honest answer whether the program really started (a failed exec is reported, not hidden).
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

// The first executable file called `name` in the folders of `pathVar` (a PATH value); a name with
// a "/" is taken as it stands. nullopt when there is none.
std::optional<std::string> findProgram(std::string_view name, std::string_view pathVar);

// The PATH entry of an environment list ("NAME=value" strings), or the system default.
std::string pathOf(const std::vector<std::string>& env);

// Starts `argv` (argv[0] looked up in the PATH of `env`) in a session of its own, not waited for.
// 0 when the program is running, else the error (ENOENT when it does not exist or cannot run).
int spawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& env);

// Runs `argv` to its end and captures its standard output (at most 64 KiB). The exit status, or
// -1 when it could not start or did not end within `timeoutMs` (it is then killed).
int runAndCapture(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs,
                  std::string& output);

// A started program this process keeps track of, and ends on request. A program that ends by
// itself (the user closed it) is collected at once by a watching thread: no zombie is left.
class TrackedProcess {
public:
    TrackedProcess() = default;
    ~TrackedProcess();
    TrackedProcess(const TrackedProcess&) = delete;
    TrackedProcess& operator=(const TrackedProcess&) = delete;

    // Starts the program in a process group of its own; 0 or the error as for spawnDetached.
    // A process already tracked is stopped first.
    int start(const std::vector<std::string>& argv, const std::vector<std::string>& env);
    // Whether the program has been started and has not yet ended.
    bool running();
    // Ends the program and everything in its process group (asks politely first, then forces),
    // and collects its exit status. Nothing happens when nothing is tracked.
    void stop();
    // Waits until the program has ended and been collected, at most `timeoutMs`; true when it
    // has (or none was started).
    bool waitEnded(int timeoutMs);
    pid_t pid() const { return pid_; }

    // What the watching thread and this object share: whether the child has been collected, so
    // that a signal is never sent to a pid that may already name another process.
    struct Watch;

private:
    pid_t pid_ = -1;
    std::shared_ptr<Watch> watch_;
};

}  // namespace trakor
