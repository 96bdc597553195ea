// SPDX-License-Identifier: GPL-3.0-or-later
// Finding a connected Garmin device and its memory card, and the device list the main dialog shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "course/garmin_device.h"
#include "platform/block_devices.h"

namespace trakor {

struct Context;

// What device detection found. A GPS drive is a mount point; each list entry is the mount
// point followed by "/" and the description ("/media/u/GARMIN/EDGE 800", "/media/u/CARD/ SD-card").
struct DetectedDevice {
    std::string root;  // mount point of the detected device, empty when none
    bool connected = false;
    std::vector<std::string> deviceList;
    // The device's description of its files; without one the fixed course folders apply.
    std::optional<GarminDevice> description;
};

// Longest device description kept, in bytes; longer names are cut at a character boundary.
inline constexpr size_t kDeviceDescriptionMax = 127;

struct DeviceEntry {
    // Mount point (or MTP storage folder) ending in "/"; for a card slot without a mounted card
    // its device node ("/dev/sdc"), which is no folder and so reads as not accessible; empty for
    // "GPS not found".
    std::string root;
    std::string text;  // what the list shows
};

// What the last detection run found; replaced by each run.
struct DeviceDetection {
    bool connected = false;
    std::string deviceRoot;    // the device's mount point ending in "/"; empty when none
    std::string selectedRoot;  // root of the picked entry (the target of the courses); empty when nothing was found
    std::string description;   // model name from the device's description file
    std::optional<GarminDevice> device;  // the whole description, when it reads as one
    std::string cardText;      // "SD-card" / "No SD-card" (or their translations) when a slot was found
    std::vector<DeviceEntry> entries;
    int selected = -1;

    // The entries' texts, as the device list of a conversion request holds them.
    std::vector<std::string> listTexts() const;
};

// Runs detection and refills `state`: the first mounted removable USB disk holding
// "Garmin/GarminDevice.xml" is the device, the next logical unit of the same USB device its card.
// Without one, the first MTP storage (gvfs or FUSE) holding that file is the device and another
// storage of the same device its card.
void detectDevices(const Context& ctx, const DeviceRoots& roots, DeviceDetection& state);

// The user picked list entry `index`: its root becomes the selected root.
void pickDeviceEntry(DeviceDetection& state, size_t index);

// The model a device description names (Device/Model/Description), as UTF-8 (a file that is not
// UTF-8 and names no encoding is read as Windows-1252) and cut to kDeviceDescriptionMax bytes;
// nullopt when the text is no description.
std::optional<std::string> readDeviceDescription(std::string_view xml);

// The detection result as a conversion request carries it.
DetectedDevice detectedDevice(const DeviceDetection& state);

// A folder named by the user (a mount point, or a copy of a device's folders) that holds a
// Garmin description counts as a connected device; not connected otherwise.
DetectedDevice deviceAtFolder(const std::string& root);

// The list text of a device: its root, its model and, when its description lists its files,
// what it takes ("/media/u/GARMIN/Forerunner 935: FIT courses, GPX").
std::string deviceEntryText(const std::string& root, const std::string& model, const std::optional<GarminDevice>& d);

}  // namespace trakor
