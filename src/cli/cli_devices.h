// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's views of GPS devices: the drive list and the recordings a unit offers.
#pragma once

#include <cstdio>
#include <string>

#include "app/driver_calls.h"

namespace trakor::cli {

// The connected device as detection finds it; without one, the folder `gpsDrive` (when given)
// when it holds a Garmin description.
DetectedDevice findDevice(Context& ctx, const DriverCalls& calls, const std::string& gpsDrive);

// --list-devices: the entries of the desktop program's drive box, one a line.
int printDeviceList(Context& ctx, const DriverCalls& calls, const std::string& gpsDrive, FILE* out);

// --list-device-files: the recordings of the device at `mount` (else the detected one), newest
// first, one a line: date, size in bytes, path. 0 when a device was found.
int printDeviceFiles(Context& ctx, const DriverCalls& calls, const std::string& mount, FILE* out);

}  // namespace trakor::cli
