// SPDX-License-Identifier: GPL-3.0-or-later
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
    int64_t recorded = 0;  // when the activity was recorded, as the file tells (0: it does not)
    std::string name;      // the activity's name or sport, as the file tells (may be empty)

    // When the activity was recorded, else when the file was last written (a copy makes that the
    // copying time).
    int64_t when() const { return recorded != 0 ? recorded : modified; }
};

// Every file of the unit's recording folders (under `root`, folders matched in any case) with
// the extension the description gives, the most recently recorded first (then by path). Folders
// that are there but cannot be read go to `unreadable` as "<folder>: <reason>".
std::vector<DeviceRecording> listDeviceRecordings(const std::string& root, const GarminDevice& device,
                                                  std::vector<std::string>* unreadable = nullptr);

// Local date and time of a recording, "2024-05-01 09:30".
std::string recordingDate(const DeviceRecording& r);

// One line of a recordings list, its columns separated by tabs so that scripts can cut them:
// local date and time, size in bytes, the activity's name, path (last, so `cut -f4` takes it whole).
std::string recordingLine(const DeviceRecording& r);

}  // namespace trakor
