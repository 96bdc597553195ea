// SPDX-License-Identifier: GPL-3.0-or-later
// File operations of result delivery: identity checks, safe output tests, and replacing a file
// without ever leaving it half written.
#pragma once

#include <sys/stat.h>

#include <string>

namespace trakor {

// Whether two paths name the same file (device and inode, through links and relative paths).
// False when either does not exist.
bool sameFile(const std::string& a, const std::string& b);
// The same against a file already looked at: for one file compared with many.
bool sameFile(const struct stat& known, const std::string& path);

// Whether some component of the path is longer than a file name may be (255 bytes).
bool nameTooLong(const std::string& path);

// Tests that the output can be written without harming it: an existing file is opened for
// writing without truncation; otherwise a file is created and removed again.
bool canWriteOutput(const std::string& path);

// Replaces `target` with a copy of `source` through a file written beside it, so the target is
// either untouched or complete (see writeFileAtomically: links are followed, permission bits kept,
// read-only targets refused).
// `error` (may be null) then holds the file and the system's reason, as for the two below.
// `followLinks` false: `target` is a name whose links were followed before; a link found there now
// is replaced itself (see writeFileAtomicallyWith).
bool replaceFileWith(const std::string& source, const std::string& target, std::string* error = nullptr,
                     bool followLinks = true);

// The same for a source that is a private file of this run: where it can, the file itself is
// renamed into place (see moveFileOver) instead of copied, and is gone afterwards.
bool replaceFileByMoving(const std::string& source, const std::string& target, std::string* error = nullptr,
                         bool followLinks = true);

// Whether `path` can be replaced as replaceFileWith would replace it (not another user's link in a
// shared folder, no other hard links, writable); false with the reason in `error`.
bool canReplace(const std::string& path, std::string* error = nullptr);

// Copies `source` to a file that must not exist yet (a backup), through a temporary that gets
// the name only when complete; false when that fails.
bool copyToNewFile(const std::string& source, const std::string& target, std::string* error = nullptr);

// Whether a mount point or folder is there and answers a file-system query.
bool volumeAnswers(const std::string& root);

// Creates a folder when it is missing; false when it is not there afterwards.
bool ensureFolder(const std::string& path);

}  // namespace trakor
