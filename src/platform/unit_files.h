// SPDX-License-Identifier: GPL-3.0-or-later
// Files on a GPS unit. The folders a unit's description names are untrusted: each is resolved
// beneath the unit's mount and nowhere else (no "..", no absolute path, no symbolic link leading
// out), and every file is written through the folder found there.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

// The components of a folder path from a unit's description ("GARMIN/NEWFILES", "Garmin\Courses"):
// '/' and '\' both separate, empty and "." components are dropped. nullopt for a path that could
// lead out of the unit: an absolute path, a drive letter ("E:"), a ".." component or a NUL.
std::optional<std::vector<std::string>> unitPathComponents(std::string_view path);

// A folder on a unit: the mount it lies beneath, and its path below the mount in the letter case
// the unit writes (components joined by '/'; empty for the mount itself). An empty root: no unit.
struct UnitFolder {
    std::string root;
    std::string relative;

    bool empty() const { return root.empty(); }
    // root/relative and root/relative/name, for messages.
    std::string path() const;
    std::string file(const std::string& name) const;
};

enum class UnitLookup {
    Found,
    Outside,  // the path, or a symbolic link on the way, leads out of the unit
    Failed,   // a folder is missing (or could not be made) or is not a folder
};

// How symbolic links are checked: the kernel's resolution beneath a folder (openat2 with
// RESOLVE_BENEATH) where it has it, else a walk that follows none. Tests choose the walk.
enum class UnitResolver { Kernel, Walk };

// Finds the folder of `path` beneath `root`, each component matched without regard to letter case,
// and with `create` makes the missing ones. `error` gets the reason of Outside and Failed.
UnitLookup findUnitFolder(const std::string& root, std::string_view path, bool create, UnitFolder& folder,
                          std::string* error = nullptr, UnitResolver resolver = UnitResolver::Kernel);

// The entry `name` of the folder in the letter case the folder holds it; empty when there is none.
std::string unitEntryNoCase(const UnitFolder& folder, const std::string& name);

// The system calls a unit write uses; tests replace them to act like a refusing or full unit.
struct DeviceFileCalls {
    int (*renameat)(int, const char*, int, const char*) = ::renameat;
    ssize_t (*write)(int, const void*, size_t) = ::write;
};

// Writes the file `name` into the unit's folder, replacing a file of that name. The bytes go to a
// temporary ".trakor3-<PID>.tmp" in the folder, which is then renamed to `name`; a unit that refuses
// the rename (MTP through gvfs or FUSE) gets the file written directly instead. Either way the
// written size is checked, and nothing half written is left. `error` gets the file and the system's
// reason. A name that is no plain file name is refused.
bool writeFileToUnit(const UnitFolder& folder, const std::string& name, std::string_view bytes,
                     std::string* error = nullptr, const DeviceFileCalls& calls = {});

// Removes the temporaries of runs that were killed while they wrote into the folder: ours by name,
// owned by this user, and of a process that no longer runs. Returns how many.
int removeStaleUnitTemporaries(const UnitFolder& folder);

}  // namespace trakor
