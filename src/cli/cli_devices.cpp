// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_devices.h"

#include "cli/cli_help.h"

#include "app/driver.h"
#include "app/driver_messages.h"
#include "course/device_recordings.h"

namespace trakor::cli {

DetectedDevice findDevice(Context& ctx, const DriverCalls& calls, const std::string& gpsDrive) {
    DetectedDevice dev;
    if (calls.detectDevices) dev = calls.detectDevices(ctx);
    if (!dev.connected && !gpsDrive.empty()) dev = deviceAtFolder(gpsDrive);
    return dev;
}

int printDeviceList(Context& ctx, const DriverCalls& calls, const std::string& gpsDrive, FILE* out) {
    if (!calls.detectDevices && gpsDrive.empty()) return reportUnavailable(ctx, "GPS device detection");
    DetectedDevice dev = findDevice(ctx, calls, gpsDrive);
    for (const std::string& entry : dev.deviceList) std::fprintf(out, "%s\n", entry.c_str());
    return kDelivered;
}

int printDeviceFiles(Context& ctx, const DriverCalls& calls, const std::string& mount, FILE* out) {
    DetectedDevice dev = mount.empty() ? findDevice(ctx, calls, mount) : deviceAtFolder(mount);
    if (!dev.connected) {
        say(ctx, dmsg::kNoGps);
        return kRunStopped;
    }
    if (!dev.description) return kDelivered;
    std::vector<std::string> unreadable;
    for (const DeviceRecording& r : listDeviceRecordings(dev.root, *dev.description, &unreadable))
        std::fprintf(out, "%s\n", recordingLine(r).c_str());
    for (const std::string& folder : unreadable)
        std::fprintf(stderr, "%s: %s\n", ctx.paths.appName.c_str(),
                     cliText(ctx, clitext::UnreadableRecordings, folder.c_str()).c_str());
    return unreadable.empty() ? kDelivered : kRunFailed;
}

}  // namespace trakor::cli
