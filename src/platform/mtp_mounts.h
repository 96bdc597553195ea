// SPDX-License-Identifier: GPL-3.0-or-later
// MTP devices as the desktop mounts them: gvfs's "mtp:host=..." folders and FUSE file systems such
// as jmtpfs and simple-mtpfs. Such a device shows one folder per storage (internal memory, card).
#pragma once

#include <string>
#include <vector>

#include "platform/block_devices.h"

namespace trakor {

struct MtpDevice {
    std::string folder;                 // gvfs's folder of the device or the FUSE mount point
    std::vector<std::string> storages;  // its storage folders, each ending in "/", in name order
};

// Whether a mount table entry is an MTP file system mounted through FUSE.
bool isFuseMtpMount(const MountEntry& m);

// The MTP devices of `roots`: gvfs's (in name order), then the FUSE mounts in mount table order.
// Paths are as the user sees them; the files are reached through roots.file().
std::vector<MtpDevice> findMtpDevices(const DeviceRoots& roots);

}  // namespace trakor
