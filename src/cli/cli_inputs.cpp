// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_inputs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <cstddef>
#include <filesystem>
#include <string_view>

#include "cli/cli_help.h"
#include "core/file_names.h"
#include "platform/file_delivery.h"
#include "platform/output_links.h"

namespace trakor::cli {

namespace fs = std::filesystem;

bool expandFolders(const Context& ctx, const std::vector<std::string>& inputs, const std::string& skip,
                   std::vector<std::string>& out, std::string* error) {
    for (const std::string& in : inputs) {
        std::error_code ec;
        if (in == "-" || !fs::is_directory(in, ec)) {
            out.push_back(in);
            continue;
        }
        std::vector<std::string> files;
        for (fs::directory_iterator it(in, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code fileEc;
            const std::string path = it->path().string();
            if (!it->is_regular_file(fileEc) || inputTypeOf(path) < 0) continue;
            // A .gdb.bak is a backup; several inputs never read it.
            if (lowerAscii(path).find(".gdb.bak") != std::string::npos) continue;
            if (!skip.empty() && fs::equivalent(path, skip, fileEc)) continue;
            files.push_back(path);
        }
        if (ec) {
            if (error) *error = in + ": " + ec.message();
            return false;
        }
        if (files.empty()) {
            if (error) *error = cliText(ctx, clitext::NoInputFiles, in.c_str());
            return false;
        }
        std::sort(files.begin(), files.end());
        out.insert(out.end(), files.begin(), files.end());
    }
    return true;
}

std::string namedAlready(const std::string& path, const std::vector<std::string>& inputs, const std::string& output) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        for (const std::string& in : inputs)
            if (sameFile(st, in)) return in;
    return sameOutput(path, output) ? output : std::string();
}

namespace {

constexpr const char* kTempPrefix = "trakor3-";
constexpr const char* kLockName = ".lock";

// The live folder, for the signal handler: a fixed buffer, as a handler may not allocate.
char liveFolder[PATH_MAX];

// Removes the files of a flat folder and the folder, with calls a signal handler may make.
void removeFlatFolder(const char* path) {
    const int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    alignas(8) char buffer[4096];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
        if (n <= 0) break;
        for (long at = 0; at < n;) {
            struct Entry {
                uint64_t ino;
                int64_t off;
                unsigned short reclen;
                unsigned char type;
                char name[1];
            };
            const auto* e = reinterpret_cast<const Entry*>(buffer + at);
            const char* name = buffer + at + offsetof(Entry, name);
            if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))) ::unlinkat(dir, name, 0);
            at += e->reclen;
        }
    }
    ::close(dir);
    ::rmdir(path);
}

// SIGINT, SIGTERM, SIGHUP: the private folder goes, then the signal ends the program as usual.
void removeOnSignal(int sig) {
    if (liveFolder[0] != 0) removeFlatFolder(liveFolder);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

bool isTempName(std::string_view name) {
    if (!name.starts_with(kTempPrefix) || name.size() != std::strlen(kTempPrefix) + 6) return false;
    return std::all_of(name.begin() + std::strlen(kTempPrefix), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

std::string tempParent() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

int removeStaleTempFolders(const std::string& parent) {
    DIR* dir = ::opendir(parent.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (!isTempName(e->d_name)) continue;
        const std::string folder = parent + "/" + e->d_name;
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
        // A folder without its lock file is another program's, or one still being set up.
        const int lock = ::open((folder + "/" + kLockName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (lock < 0) continue;
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            removeFlatFolder(folder.c_str());
            ++removed;
        }
        ::close(lock);
    }
    ::closedir(dir);
    return removed;
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    liveFolder[0] = 0;
    std::error_code ec;
    fs::remove_all(path_, ec);
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::string TempFolder::file(const std::string& name) {
    if (path_.empty()) {
        const std::string parent = tempParent();
        removeStaleTempFolders(parent);
        std::string pattern = parent + "/" + kTempPrefix + "XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr || pattern.size() >= sizeof liveFolder) {
            error_ = parent + ": " + std::strerror(pattern.size() >= sizeof liveFolder ? ENAMETOOLONG : errno);
            return {};
        }
        // Locked under another name first, so no clean-up takes it for a left-over meanwhile.
        const std::string lock = pattern + "/" + kLockName;
        lockFd_ = ::open((lock + ".new").c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (lockFd_ >= 0) {
            ::flock(lockFd_, LOCK_EX);
            ::rename((lock + ".new").c_str(), lock.c_str());
        }
        path_ = pattern;
        std::memcpy(liveFolder, path_.c_str(), path_.size() + 1);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, removeOnSignal);
    }
    return path_ + "/" + name;
}

bool copyStream(FILE* from, FILE* to, std::string* error) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0) {
        if (std::fwrite(buffer, 1, n, to) != n) {
            if (error) *error = std::strerror(errno);
            return false;
        }
    }
    if (std::ferror(from) || std::fflush(to) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace trakor::cli
