// The recordings a Garmin unit offers (FIT activities, its current and archived GPX, TCX
// history), found through the folders its description names for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "course/garmin_device.h"

namespace trakor {

struct DeviceRecording {
    std::string path;
    int64_t modified = 0;  // seconds since 1970
    uint64_t size = 0;
};

// Every file of the unit's recording folders (under `root`, folders matched in any case) with
// the extension the description gives, newest first (then by path). Folders that are there but
// cannot be read go to `unreadable` as "<folder>: <reason>".
std::vector<DeviceRecording> listDeviceRecordings(const std::string& root, const GarminDevice& device,
                                                  std::vector<std::string>* unreadable = nullptr);

// One line of a recordings list: local date and time, size in bytes, path.
std::string recordingLine(const DeviceRecording& r);

}  // namespace trakor
