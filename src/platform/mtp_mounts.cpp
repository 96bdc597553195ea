// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mtp_mounts.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace trakor {

namespace {

bool containsMtp(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s.find("mtp") != std::string::npos;
}

// Names of the subfolders of a folder, sorted; empty when it cannot be read.
std::vector<std::string> subfolders(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string withSlash(const std::string& s) { return !s.empty() && s.back() == '/' ? s : s + "/"; }

// A device whose folder holds "Garmin" itself shows its only storage directly (simple-mtpfs does so
// for a single storage); otherwise each subfolder is a storage.
MtpDevice deviceAt(const DeviceRoots& roots, const std::string& folder) {
    MtpDevice d{folder, {}};
    std::error_code ec;
    if (fs::is_directory(roots.file(withSlash(folder) + "Garmin"), ec)) {
        d.storages.push_back(withSlash(folder));
        return d;
    }
    for (const std::string& name : subfolders(roots.file(folder))) d.storages.push_back(withSlash(folder) + name + "/");
    return d;
}

}  // namespace

bool isFuseMtpMount(const MountEntry& m) {
    return m.fsType.rfind("fuse", 0) == 0 && (containsMtp(m.fsType) || containsMtp(m.source));
}

std::vector<MtpDevice> findMtpDevices(const DeviceRoots& roots) {
    std::vector<MtpDevice> devices;
    if (!roots.gvfs.empty()) {
        for (const std::string& name : subfolders(roots.file(roots.gvfs)))
            if (name.rfind("mtp:host=", 0) == 0) devices.push_back(deviceAt(roots, withSlash(roots.gvfs) + name));
    }
    for (const MountEntry& m : readMountTable(roots))
        if (isFuseMtpMount(m)) devices.push_back(deviceAt(roots, m.mountPoint));
    return devices;
}

}  // namespace trakor
