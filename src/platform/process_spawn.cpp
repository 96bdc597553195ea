// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/process_spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace trakor {

namespace {

constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";
constexpr size_t kCaptureMax = 64 * 1024;

// Everything the child needs, prepared before fork so the child only makes async-signal-safe calls.
struct ExecPlan {
    std::string program;
    std::vector<std::string> args, envs;
    std::vector<char*> argv, envp;

    bool prepare(const std::vector<std::string>& a, const std::vector<std::string>& e) {
        if (a.empty()) return false;
        auto found = findProgram(a.front(), pathOf(e));
        if (!found) return false;
        program = *found;
        args = a;
        envs = e;
        for (auto& s : args) argv.push_back(s.data());
        argv.push_back(nullptr);
        for (auto& s : envs) envp.push_back(s.data());
        envp.push_back(nullptr);
        return true;
    }
};

enum class Mode { Detached, Tracked, Capture };

void writeErrno(int fd, int err) {
    ssize_t unused = ::write(fd, &err, sizeof err);
    (void)unused;
}

// Child side: set up and exec; on failure report errno through the close-on-exec pipe.
[[noreturn]] void execChild(const ExecPlan& plan, Mode mode, int errFd, int outFd) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGCHLD, SIG_DFL);
    int devNull = ::open("/dev/null", O_RDWR);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    if (mode == Mode::Capture) {
        ::dup2(outFd, STDOUT_FILENO);
        if (devNull >= 0) ::dup2(devNull, STDERR_FILENO);
    }
    if (mode == Mode::Detached) {
        // A grandchild in its own session runs on without us; the middle process ends at once.
        ::setsid();
        pid_t p = ::fork();
        if (p < 0) {
            writeErrno(errFd, errno);
            _exit(127);
        }
        if (p > 0) _exit(0);
    } else {
        ::setpgid(0, 0);
    }
    ::execve(plan.program.c_str(), plan.argv.data(), plan.envp.data());
    writeErrno(errFd, errno);
    _exit(127);
}

// Forks and execs; returns the child's pid (for Detached the already-ended middle process, reaped
// here) or -1 with `err` set. `outFd` is the capture pipe's write end for Mode::Capture.
pid_t launch(const std::vector<std::string>& argv, const std::vector<std::string>& env, Mode mode, int outFd,
             int& err) {
    ExecPlan plan;
    if (!plan.prepare(argv, env)) {
        err = ENOENT;
        return -1;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        err = errno;
        return -1;
    }
    pid_t pid = ::fork();
    if (pid < 0) {
        err = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return -1;
    }
    if (pid == 0) execChild(plan, mode, pipeFds[1], outFd);
    ::close(pipeFds[1]);
    // End of file without data means the exec succeeded.
    int childErr = 0;
    ssize_t n;
    do n = ::read(pipeFds[0], &childErr, sizeof childErr);
    while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    if (mode == Mode::Detached) {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (n == static_cast<ssize_t>(sizeof childErr)) {
        if (mode != Mode::Detached) {
            int status;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        err = childErr != 0 ? childErr : ENOEXEC;
        return -1;
    }
    err = 0;
    return pid;
}

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Waits up to `ms` for `pid` to end; true when it has ended and was reaped.
bool reapWithin(pid_t pid, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        struct timespec ts{0, 10 * 1000 * 1000};
        ::nanosleep(&ts, nullptr);
    }
}

}  // namespace

std::optional<std::string> findProgram(std::string_view name, std::string_view pathVar) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        return isExecutableFile(path) ? std::optional(path) : std::nullopt;
    }
    size_t pos = 0;
    while (pos <= pathVar.size()) {
        size_t end = pathVar.find(':', pos);
        if (end == std::string_view::npos) end = pathVar.size();
        std::string dir(pathVar.substr(pos, end - pos));
        if (dir.empty()) dir.assign(1, '.');
        std::string candidate = dir + "/" + std::string(name);
        if (isExecutableFile(candidate)) return candidate;
        pos = end + 1;
    }
    return std::nullopt;
}

std::string pathOf(const std::vector<std::string>& env) {
    for (const auto& e : env)
        if (e.rfind("PATH=", 0) == 0) return e.substr(5);
    return kDefaultPath;
}

int spawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int err = 0;
    launch(argv, env, Mode::Detached, -1, err);
    return err;
}

int runAndCapture(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs,
                  std::string& output) {
    output.clear();
    int outPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) return -1;
    int err = 0;
    pid_t pid = launch(argv, env, Mode::Capture, outPipe[1], err);
    ::close(outPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        return -1;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    char buf[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{outPipe[0], POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            timedOut = r == 0;
            break;
        }
        ssize_t n = ::read(outPipe[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (output.size() < kCaptureMax) output.append(buf, std::min(static_cast<size_t>(n), kCaptureMax - output.size()));
    }
    ::close(outPipe[0]);
    if (timedOut) ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

struct TrackedProcess::Watch {
    std::mutex mutex;
    std::condition_variable ended;
    bool collected = false;
};

namespace {
// The watching thread: waits for the child's end without collecting it, then collects it unless
// stop() already has. Only then may the pid be reused, so stop() never signals a stranger.
void watchChild(pid_t pid, const std::shared_ptr<TrackedProcess::Watch>& watch) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    std::lock_guard lock(watch->mutex);
    if (!watch->collected) {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        watch->collected = true;
    }
    watch->ended.notify_all();
}
}  // namespace

TrackedProcess::~TrackedProcess() {
    // A running program is left to whoever owns this object's stop(); its watching thread
    // collects it when it ends.
}

int TrackedProcess::start(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    stop();
    int err = 0;
    pid_t pid = launch(argv, env, Mode::Tracked, -1, err);
    if (pid <= 0) return err;
    auto watch = std::make_shared<Watch>();
    try {
        std::thread(watchChild, pid, watch).detach();
    } catch (const std::system_error&) {
        // No thread: the program is collected by stop() (or stays a zombie until then).
    }
    pid_ = pid;
    watch_ = std::move(watch);
    return err;
}

bool TrackedProcess::running() {
    if (pid_ <= 0) return false;
    std::lock_guard lock(watch_->mutex);
    if (watch_->collected) return false;
    // Looks without collecting: an uncollected child keeps its pid and process group id reserved.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
    return info.si_pid == 0;
}

bool TrackedProcess::waitEnded(int timeoutMs) {
    if (pid_ <= 0) return true;
    std::unique_lock lock(watch_->mutex);
    return watch_->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return watch_->collected; });
}

void TrackedProcess::stop() {
    if (pid_ <= 0) return;
    const pid_t pid = std::exchange(pid_, -1);
    const std::shared_ptr<Watch> watch = std::move(watch_);
    std::lock_guard lock(watch->mutex);
    if (watch->collected) return;
    // Until it is collected below, the pid cannot name anyone else's process group.
    // A short grace to end by itself: the program's exit waits here, and a viewer that is slow
    // to close (or ignores the request) would hold it up for seconds.
    ::kill(-pid, SIGTERM);
    if (!reapWithin(pid, 200)) {
        ::kill(-pid, SIGKILL);
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    watch->collected = true;
    watch->ended.notify_all();
}

}  // namespace trakor
