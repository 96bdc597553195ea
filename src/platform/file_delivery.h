// File operations of result delivery: identity checks, safe output tests, and replacing a file
// without ever leaving it half written.
#pragma once

#include <string>

namespace trakor {

// Whether two paths name the same file (device and inode, through links and relative paths).
// False when either does not exist.
bool sameFile(const std::string& a, const std::string& b);

// Whether the file exists and nobody may write it by its permission bits. Root could still
// write it, so this is the user's read-only mark, not a write test.
bool isReadOnlyFile(const std::string& path);

// Marks a work file read-only after use, or writable again before it is rewritten.
void setWorkFileReadOnly(const std::string& path, bool readOnly);

// Whether some component of the path is longer than a file name may be (255 bytes).
bool nameTooLong(const std::string& path);

// Tests that the output can be written without harming it: an existing file is opened for
// writing without truncation; otherwise a file is created and removed again.
bool canWriteOutput(const std::string& path);

// Writes a copy of `source` beside `target` and renames it over the target, so the target is
// either untouched or complete. An existing target keeps its permission bits; a symbolic link
// is followed and the file it names is replaced.
bool replaceFileWith(const std::string& source, const std::string& target);

// Copies `source` to a file that must not exist yet (a backup); false when that fails.
bool copyToNewFile(const std::string& source, const std::string& target);

// Whether a mount point or folder is there and answers a file-system query.
bool volumeAnswers(const std::string& root);

// Creates a folder when it is missing; false when it is not there afterwards.
bool ensureFolder(const std::string& path);

}  // namespace trakor
