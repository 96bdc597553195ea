// SPDX-License-Identifier: GPL-3.0-or-later
// Writing files so that a crash leaves either the old or the new file, never half of one, and
// clearing away what an interrupted run left behind.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace trakor {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over `path`.
// A symbolic link is followed (its target is replaced) unless another user planted it in a shared
// sticky folder (see resolveOutputName); an existing file keeps its permission
// bits, its owner and group where the system allows, and its extended attributes (ACLs too).
// Fails, leaving `path` untouched, when the file is read-only, the folder cannot be written or any
// step fails; `error` then holds the reason.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// The same with the content written by `fill` into the temporary file's descriptor (false:
// failed), so a large content never needs to be in memory as a whole.
// `followLinks` false: `path` is a name whose links were already followed; a link found there now
// was put there meanwhile and is replaced itself, never followed.
bool writeFileAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill,
                             std::string* error = nullptr, bool followLinks = true);

// "<path> is a FIFO (named pipe), not a regular file" (a folder, a device, ...), for messages.
std::string notRegularFile(const std::string& path, mode_t mode);

// Where a replacement of `path` goes and the permission bits it gets, as writeFileAtomically
// decides them: a symbolic link is followed, an existing file keeps its bits, a new one gets 0644.
// False (with `error`) for a read-only file, one that is not a regular file or cannot be written,
// and one with other hard links (they would keep the old content).
// `followLinks` false: `path` is already resolved and is the target, a link there is not followed.
bool replacementOf(const std::string& path, std::string& target, mode_t& mode, std::string* error = nullptr,
                   bool followLinks = true);

// Gives the file `source`, which this user owns, the name `path` by renaming it, with the result
// writeFileAtomically would give: the same target and permission bits, the bytes flushed to disk
// first, an old file replaced at once. False, with `source` where it was, when a rename cannot
// give that result (another file system, a folder whose new files get another group or default
// access rules) or a step fails; `error` then holds the reason. `renameFn` is for tests;
// `followLinks` as for writeFileAtomicallyWith.
bool moveFileOver(const std::string& source, const std::string& path, std::string* error = nullptr,
                  int (*renameFn)(const char*, const char*) = ::rename, bool followLinks = true);

// Gives the open file `fd` the owner and group of `original` (where the system allows: only root
// may give a file away), its permission bits and the extended attributes of the file at
// `originalPath` (access rules among them). False with `error` when the bits cannot be set.
bool giveAttributesOf(const struct stat& original, const std::string& originalPath, int fd, std::string* error = nullptr);

// Writes every byte to the descriptor (retrying short writes); false on a write error.
bool writeAllBytes(int fd, std::string_view bytes);

// Makes a new file at `path` from what `fill` writes to the descriptor it is given (true when
// all was written): the content goes to a temporary beside it that is renamed to `path` only
// when complete. Fails when `path` exists, also when it appears meanwhile.
bool createFileAtomically(const std::string& path, const std::function<bool(int fd)>& fill,
                          std::string* error = nullptr);

// The temporaries of the functions above are named after their file: "<name>.trakor3-"
// and six letters or digits (".trakor3-<hash of name>-" and six for names near the length limit).
// Each is locked while its writer lives. This removes those that an interrupted run left for
// `path`: ours by name, owned by this user, and held by no running writer. Returns how many.
int removeStaleTemporaries(const std::string& path);
// The same for files a run made beside one of those temporaries under its name
// ("<temporary>.gpx", and that file's own temporaries): removed when no running writer holds the
// temporary they are named after (it is gone, or unlocked). Returns how many.
int removeStaleTemporaryFiles(const std::string& path);

// A file created exclusively beside a target under the temporaries' names, locked for as long as
// this object owns it and removed with it unless committed.
class LockedTemporary {
public:
    LockedTemporary() = default;
    ~LockedTemporary();
    LockedTemporary(const LockedTemporary&) = delete;
    LockedTemporary& operator=(const LockedTemporary&) = delete;

    bool create(const std::string& target, std::string* error = nullptr);
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    // Flushes it and gives it the name `target` (beside it, in the folder held since create),
    // replacing a file there (a symbolic link itself, never its target) or (replace false)
    // refusing an existing one; the object then owns nothing.
    bool commit(const std::string& target, bool replace, std::string* error = nullptr);
    // The folder it was made in, held open.
    int folderFd() const { return dirFd_; }

private:
    bool moveWithoutReplacing(const std::string& name);
    int fd_ = -1;
    int dirFd_ = -1;
    std::string name_;  // its name in that folder
    std::string path_;
};

}  // namespace trakor
