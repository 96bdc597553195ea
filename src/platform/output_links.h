// SPDX-License-Identifier: GPL-3.0-or-later
// Where an output name really leads: the symbolic links of its last component followed one by
// one, as the kernel would follow them, so that every output is checked against every other and
// a link planted by another user in a shared folder never decides where a result is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace trakor {

// Who owns a symbolic link, who owns its folder and how that folder may be written.
struct LinkOwners {
    uint32_t linkOwner = 0;
    uint32_t folderOwner = 0;
    uint32_t follower = 0;  // the user of this program
    bool folderSticky = false;
    bool folderWritableByAll = false;
};

// Whether a link may be followed: not one in a sticky folder that everyone may write to unless
// the follower or the folder's owner owns it (the kernel's rule for such folders).
bool mayFollowLink(const LinkOwners& owners);

// The absolute name `path` ends at once the links of all its components are followed (at most 40
// links), ".." taken after the link before it; its last components may not exist yet. False
// with `error` for a link the rule above refuses, a loop or a link that cannot be read.
bool resolveOutputName(const std::string& path, std::string& target, std::string* error = nullptr);

// Whether two output names end at the same file: the same file, or through links the same name
// of a file that does not exist yet.
bool sameOutput(const std::string& a, const std::string& b);

// Whether `path` (followed through its links) names an existing file that is not a regular one:
// a FIFO would block its writer, a device would take the bytes as a stream. `error` then says so.
bool existsButNotRegular(const std::string& path, std::string* error = nullptr);

// Opens `path` for writing as a text stream, emptied, through its links as resolveOutputName
// follows them; a name that is a link once resolved (planted meanwhile) or a file that is not a
// regular one is refused rather than followed or waited for. Null with `error` on failure (the
// system's reason alone when the file cannot be opened).
std::FILE* openOutputStream(const std::string& path, std::string* error = nullptr);

}  // namespace trakor
