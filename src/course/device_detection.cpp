// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/device_detection.h"

#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>

#include "core/context.h"
#include "course/device_messages.h"
#include "platform/mtp_mounts.h"
#include "platform/path_case.h"
#include "platform/utf8.h"

namespace fs = std::filesystem;

namespace trakor {

namespace {

// The description file is a few kilobytes; anything past this is not read.
constexpr std::streamsize kDescriptionFileMax = 1 << 20;

std::string rootOf(const std::string& mountPoint) {
    return mountPoint.back() == '/' ? mountPoint : mountPoint + "/";
}

std::string text(const Context& ctx, const DeviceMessage& m) { return messageText(ctx, m.key, m.english, m.limit); }

// The description file's bytes under a device root (its folder and name in any case), or
// nullopt when it cannot be opened.
std::optional<std::string> readDescriptionFile(const std::string& root) {
    const std::string path = findPathNoCase(root, kGarminDeviceFile);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(static_cast<size_t>(kDescriptionFileMax), '\0');
    in.read(bytes.data(), kDescriptionFileMax);
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

struct MountedDisk {
    std::string mountPoint;
    DiskInfo disk;
};

// Mounted removable disks, in mount table order.
std::vector<MountedDisk> mountedRemovableDisks(const DeviceRoots& roots) {
    std::vector<MountedDisk> found;
    for (const auto& m : readMountTable(roots)) {
        auto info = diskInfo(roots, m.major, m.minor);
        if (info && info->removable && info->isDisk) found.push_back({m.mountPoint, *info});
    }
    return found;
}

// The model a description names, as the drive list shows it.
std::string listedModel(const std::optional<GarminDevice>& d) {
    return d ? std::string(utf8PrefixBytes(d->model, kDeviceDescriptionMax)) : std::string();
}

void takeDevice(DeviceDetection& state, const std::string& root, const std::string& xml) {
    state.device = parseGarminDevice(xml);
    state.description = listedModel(state.device);
    state.connected = true;
    state.deviceRoot = root;
    state.selectedRoot = root;
    state.entries.push_back({root, deviceEntryText(root, state.description, state.device)});
}

// The first storage of an MTP device that holds the description file is the device; another
// storage of the same device (its card) follows it in the list.
bool detectMtpDevice(const Context& ctx, const DeviceRoots& roots, DeviceDetection& state) {
    for (const MtpDevice& d : findMtpDevices(roots)) {
        for (const std::string& storage : d.storages) {
            auto bytes = readDescriptionFile(roots.file(storage));
            if (!bytes) continue;
            takeDevice(state, storage, *bytes);
            for (const std::string& other : d.storages) {
                if (other == storage) continue;
                state.cardText = text(ctx, devmsg::SdCard);
                state.entries.push_back({other, other + " " + state.cardText});
                break;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> DeviceDetection::listTexts() const {
    std::vector<std::string> texts;
    for (const auto& e : entries) texts.push_back(e.text);
    return texts;
}

std::optional<std::string> readDeviceDescription(std::string_view xml) {
    const std::optional<GarminDevice> d = parseGarminDevice(xml);
    if (!d) return std::nullopt;
    return listedModel(d);
}

void detectDevices(const Context& ctx, const DeviceRoots& roots, DeviceDetection& state) {
    state = DeviceDetection{};
    auto disks = mountedRemovableDisks(roots);

    const MountedDisk* device = nullptr;
    for (const auto& d : disks) {
        auto bytes = readDescriptionFile(roots.file(rootOf(d.mountPoint)));
        if (!bytes) continue;
        device = &d;
        takeDevice(state, rootOf(d.mountPoint), *bytes);
        break;
    }

    // A device in mass-storage mode comes first; newer ones connect through MTP.
    if (device == nullptr) {
        if (!detectMtpDevice(ctx, roots, state)) state.entries.push_back({"", text(ctx, devmsg::GpsNotFound)});
        state.selected = 0;
        return;
    }

    // The card slot is the next logical unit of the same USB device.
    const ScsiAddress& a = device->disk.address;
    for (const auto& d : disks) {
        if (!d.disk.address.sameTarget(a) || d.disk.address.lun != a.lun + 1) continue;
        struct statvfs st;
        bool medium = statvfs(roots.file(d.mountPoint).c_str(), &st) == 0;
        state.cardText = text(ctx, medium ? devmsg::SdCard : devmsg::NoSdCard);
        state.entries.push_back({rootOf(d.mountPoint), rootOf(d.mountPoint) + " " + state.cardText});
        break;
    }
    if (state.cardText.empty()) {
        // A slot without a mounted card has no mount point: its device node stands in for it.
        auto slot = nextLunDisk(device->disk);
        if (slot && slot->removable && slot->isDisk) {
            std::string node = "/dev/" + fs::path(slot->diskPath).filename().string();
            state.cardText = text(ctx, devmsg::NoSdCard);
            state.entries.push_back({node, node + " " + state.cardText});
        }
    }
    state.selected = 0;
}

void pickDeviceEntry(DeviceDetection& state, size_t index) {
    if (index >= state.entries.size()) return;
    state.selected = static_cast<int>(index);
    state.selectedRoot = state.entries[index].root;
}

DetectedDevice detectedDevice(const DeviceDetection& state) {
    DetectedDevice d;
    d.root = state.deviceRoot;
    d.connected = state.connected;
    d.deviceList = state.listTexts();
    d.description = state.device;
    return d;
}

std::string deviceEntryText(const std::string& root, const std::string& model, const std::optional<GarminDevice>& d) {
    const std::string takes = d ? d->takes() : std::string();
    return root + model + (takes.empty() ? "" : ": " + takes);
}

DetectedDevice deviceAtFolder(const std::string& root) {
    DetectedDevice dev;
    auto xml = readDescriptionFile(rootOf(root));
    if (!xml) return dev;
    std::string base = root.size() > 1 && root.back() == '/' ? root.substr(0, root.size() - 1) : root;
    dev.root = base;
    dev.connected = true;
    dev.description = parseGarminDevice(*xml);
    dev.deviceList.push_back(deviceEntryText(base + "/", listedModel(dev.description), dev.description));
    return dev;
}

}  // namespace trakor
