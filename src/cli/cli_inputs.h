// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs and outputs of the command line beyond plain file names: folders of inputs, standard
// input and output through a private temporary folder.
#pragma once

#include <cstdio>
#include <string>
#include <vector>


namespace trakor {
struct Context;
}

namespace trakor::cli {

// Each folder among the inputs becomes its files of the supported types, sorted by name, not
// looking into subfolders; `skip` (the output) is left out. Other inputs stay as they are.
// False with a reason when a folder cannot be read or holds no such file.
bool expandFolders(const Context& ctx, const std::vector<std::string>& inputs, const std::string& skip,
                   std::vector<std::string>& out, std::string* error);

// Which of `inputs` and `output` the file `path` is (the same file through links and "..", or
// the same name, also through links, of one that does not exist yet); empty when none.
std::string namedAlready(const std::string& path, const std::vector<std::string>& inputs, const std::string& output);

// A folder of its own under $TMPDIR (else /tmp), removed with everything in it at the end, also
// when SIGINT, SIGTERM or SIGHUP ends the program. It holds a locked ".lock" file while it lives;
// folders of this user that an ended run left behind (its lock free) are removed when the next
// one is created. One at a time per process.
class TempFolder {
public:
    TempFolder() = default;
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Creates the folder on first use; empty when that is not possible.
    std::string file(const std::string& name);
    // Why the folder could not be created: "<parent folder>: <the system's reason>".
    const std::string& error() const { return error_; }

private:
    std::string path_;
    std::string error_;
    int lockFd_ = -1;
};

// Removes the folders "trakor3-XXXXXX" in `parent` that an ended run of this user left: those
// with a ".lock" file that no running program holds. Returns how many.
int removeStaleTempFolders(const std::string& parent);

// Copies a whole stream into a file; false with the system's reason when that fails.
bool copyStream(FILE* from, FILE* to, std::string* error);

}  // namespace trakor::cli
