// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialogs reach outside themselves: the engine context, the settings store, the driver
// and the platform services. The application fills it; tests put their own pieces in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/context.h"
#include "app/conversion_request.h"
#include "app/driver.h"
#include "app/driver_calls.h"
#include "platform/settings_store.h"

namespace trakor {

// One entry of the GPS drive box: the mount point written to and the text shown.
struct DriveEntry {
    std::string root;
    std::string text;
};

// A device detection run as the drive box needs it.
struct DriveScan {
    DetectedDevice device;
    std::vector<DriveEntry> entries;
    int selected = -1;
};

struct UiServices {
    UiServices(Context& context, SettingsStore& settingsStore) : ctx(context), store(settingsStore) {}

    Context& ctx;
    SettingsStore& store;
    DriverCalls calls;
    // The Convert and View actions; tests replace them to see the request.
    std::function<int(Context&, const DriverCalls&, ConversionRequest&)> convert = runConversion;
    std::function<int(Context&, const DriverCalls&, ConversionRequest&)> view = viewInput;
    // Clipboard conversion to the clipboard (0) or MapSource (1); empty when not in this build.
    std::function<int(Context&, int destination)> convertClipboard;
    // Help file in the PDF reader and the symbol table in MapSource; empty when not in this build.
    std::function<int(Context&)> showHelp;
    std::function<int(Context&)> openSymbolTable;
    // Chooses the initial language and loads the language file, as the main dialog opens.
    std::function<void(Context&)> prepareLanguage;
    // Starts MapSource on a GDB file without telling the user when it cannot; true when started.
    // Set: the map view stands in when MapSource cannot be started. Empty: the driver's calls as they are.
    std::function<bool(const std::string& gdbPath)> startMapSource;
    // The GDB image on the clipboard now (empty when there is none); the clipboard dialog keeps it
    // from before and after a conversion for the map view. Empty: no before/after.
    std::function<std::vector<uint8_t>()> clipboardImage;
    // Device detection for the drive box; empty when not in this build.
    std::function<DriveScan(Context&)> scanDrives;
    // Asks for the folder of a unit the detection does not find, starting at `start`; empty when
    // the user cancels. Empty: the desktop's folder dialog.
    std::function<std::string(const std::string& start)> chooseDriveFolder;
    // Opens a file in the desktop's program for it (the batch log); empty: the desktop services.
    std::function<void(const std::string& path)> openFile;
    // Mount table watched for device changes; empty: not watched.
    std::string mountTable;
    // Folder of the lock that lets one clipboard dialog open across running copies.
    std::string lockFolder;
};

}  // namespace trakor
