// SPDX-License-Identifier: GPL-3.0-or-later
// A unit's description file from any bytes: read, and what the drive list and target GPS ask of it.
// No folder it names may lead out of the unit: every component taken from it stays one name.
#include "course/garmin_device.h"
#include "platform/unit_files.h"

namespace {

void checkStaysBeneath(const std::string& path) {
    const auto parts = trakor::unitPathComponents(path);
    if (!parts) return;  // refused
    for (const std::string& p : *parts) {
        if (p.empty() || p == "." || p == ".." || p.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos)
            __builtin_trap();
    }
    if (!parts->empty() && (*parts)[0].size() == 2 && (*parts)[0][1] == ':') __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    auto d = parseGarminDevice(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!d) return 0;
    d->takes();
    for (const DeviceFileKind* k : d->recordings())
        if (k->path.empty()) __builtin_trap();
    if (const DeviceFileKind* k = d->fitCourses(); k != nullptr && !k->toUnit()) __builtin_trap();
    for (const DeviceFileKind& k : d->files) checkStaysBeneath(k.path);
    return 0;
}
