// SPDX-License-Identifier: GPL-3.0-or-later
// Mounted block devices as Linux shows them: the mount table and the sysfs facts about each disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

// The folder where gvfs shows the desktop's mounts: $XDG_RUNTIME_DIR/gvfs, else /run/user/<uid>/gvfs.
std::string defaultGvfsFolder();

// Where the system's device facts are read from. The real system uses the defaults; tests point
// the roots into a fake tree.
struct DeviceRoots {
    std::string sysfs = "/sys";
    std::string mountTable = "/proc/self/mountinfo";
    // Prefix for paths of the mounted file systems ("" on the real system).
    std::string fileRoot;
    // gvfs's folder of mounts (MTP devices appear there as "mtp:host=..."), reached through fileRoot.
    std::string gvfs = defaultGvfsFolder();

    // A mount point's path as the process reaches it.
    std::string file(std::string_view absolute) const { return fileRoot + std::string(absolute); }
};

// One line of the mount table.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint;  // unescaped, as the kernel reports it
    std::string fsType;      // "vfat", "fuse.jmtpfs", ...
    std::string source;      // the mount source ("/dev/sdb1", "jmtpfs", ...)
};

// Parses /proc/self/mountinfo text (through libmount); malformed lines are skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);
// Reads and parses the mount table of `roots`; empty when it cannot be read.
std::vector<MountEntry> readMountTable(const DeviceRoots& roots);

// SCSI address of a disk: host, channel, target, logical unit.
struct ScsiAddress {
    int host = -1, channel = -1, target = -1, lun = -1;
    bool sameTarget(const ScsiAddress& o) const {
        return host == o.host && channel == o.channel && target == o.target;
    }
};

// What sysfs says about the disk behind a block device (the disk itself for a partition).
struct DiskInfo {
    std::string diskPath;   // canonical sysfs folder of the disk
    std::string scsiPath;   // canonical sysfs folder of its SCSI device
    ScsiAddress address;
    bool removable = false;
    // A direct-access disk (SCSI peripheral type 0 or 14), not an optical drive or the like.
    bool isDisk = false;
};

// Facts about the disk holding block device major:minor; nullopt when sysfs has no SCSI disk for it.
std::optional<DiskInfo> diskInfo(const DeviceRoots& roots, unsigned major, unsigned minor);
// The disk at the next logical unit of the same SCSI target (a device's card slot), if present.
std::optional<DiskInfo> nextLunDisk(const DiskInfo& disk);

// True when `mountPoint` (with or without a trailing "/") is in the current mount table and its
// file system answers a status query.
bool isMountAccessible(const DeviceRoots& roots, std::string_view mountPoint);

}  // namespace trakor
