// SPDX-License-Identifier: GPL-3.0-or-later
// A Garmin unit's own description of itself (GarminDevice.xml, namespaces GarminDevice v2 and v3):
// its model and, per kind of data, where it takes files and where it offers them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trakor {

enum class TransferDirection { Unknown, InputToUnit, OutputFromUnit, InputOutput };

// One File element of a DataType.
struct DeviceFileKind {
    std::string dataType;   // "FIT_TYPE_6", "GPSData", "FitnessCourses", ...
    std::string path;       // folder relative to the device's root, as the unit writes it ("GARMIN/NEWFILES")
    std::string baseName;   // fixed base name, when the unit names one ("current")
    std::string extension;  // "FIT", "GPX", "tcx"
    TransferDirection direction = TransferDirection::Unknown;

    bool toUnit() const { return direction == TransferDirection::InputToUnit || direction == TransferDirection::InputOutput; }
    bool fromUnit() const {
        return direction == TransferDirection::OutputFromUnit || direction == TransferDirection::InputOutput;
    }
};

struct GarminDevice {
    int schemaVersion = 0;   // 2 or 3 for the GarminDevice namespaces, 0 for another or none
    std::string model;       // Model/Description
    std::string partNumber;  // Model/PartNumber
    std::string unitId;      // Id
    std::vector<DeviceFileKind> files;

    // The first file of `dataType` the unit takes; nullptr when it takes none.
    const DeviceFileKind* input(std::string_view dataType) const;
    // Courses as FIT files (FIT_TYPE_6 into the unit), as TCX (FitnessCourses), GPX (GPSData).
    const DeviceFileKind* fitCourses() const { return input("FIT_TYPE_6"); }
    const DeviceFileKind* tcxCourses() const { return input("FitnessCourses"); }
    const DeviceFileKind* gpxData() const { return input("GPSData"); }
    // Whether the description says anything about the unit's files at all.
    bool listsFiles() const { return !files.empty(); }
    // What the unit takes, for the drive list: "FIT courses, GPX"; empty when it lists nothing.
    std::string takes() const;
    // The recordings the unit offers: FIT activities, GPX tracks and TCX history.
    std::vector<const DeviceFileKind*> recordings() const;
};

// Reads a description; nullopt when the text holds no Device element.
std::optional<GarminDevice> parseGarminDevice(std::string_view xml);

// Where a device keeps its description, relative to its root (matched without regard to case).
inline constexpr const char* kGarminDeviceFile = "Garmin/GarminDevice.xml";

}  // namespace trakor
