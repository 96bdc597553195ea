// SPDX-License-Identifier: GPL-3.0-or-later
// A unit's description file from any bytes: read, and what the drive list and target GPS ask of it.
#include "course/garmin_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    auto d = parseGarminDevice(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!d) return 0;
    d->takes();
    for (const DeviceFileKind* k : d->recordings())
        if (k->path.empty()) __builtin_trap();
    if (const DeviceFileKind* k = d->fitCourses(); k != nullptr && !k->toUnit()) __builtin_trap();
    return 0;
}
