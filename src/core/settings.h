// SPDX-License-Identifier: GPL-3.0-or-later
// The settings record: every stored setting is a signed 32-bit integer known by its value name.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace trakor {

struct Settings {
    int32_t Language = 0;
    int32_t OutputOption = 1;
    int32_t Mode = 1;
    int32_t CBmode_r = 11;
    int32_t CBmode_t = 22;
    int32_t SaveRoute = 0;
    int32_t SaveTrack = 0;
    int32_t Filter = 0;
    int32_t Filtertype = 1;
    int32_t Filter_CBR = 200;
    int32_t Filter_CBT = 500;
    int32_t Filtersize_r = 200;
    int32_t Filtersize_t = 500;
    int32_t Filtersize_p = 50;
    int32_t Filtersize_c = 30;
    int32_t Split = 0;
    int32_t Splittype = 1;
    int32_t Splitlen_r = 50;
    int32_t Splitlen_t = 50;
    int32_t Splitsize_r = 200;
    int32_t Splitsize_t = 500;
    int32_t WaypointSymbol = 18;
    int32_t Prefix = 58;
    int32_t RemovalGlitches = 0;
    int32_t RemovalDistance = 30;
    int32_t ExtraDistance = 3;
    int32_t MaximumPoints = 50;
    int32_t WaypointPriority = 0;
    int32_t EdgeSupport = 0;
    int32_t UseFileTimes = 0;
    int32_t CoursePoints = 0;
    int32_t CourseTurn = 30;
    int32_t TurnWarnings = 0;
    int32_t AverageSpeed = 15;
    // GPX output: 1 writes the parts of a split track as tracks of their own, 0 as the segments of one.
    int32_t GpxTrackParts = 0;
    // GPX input to GDB output: 1 keeps GPX routes as routes, 0 reads them as tracks.
    int32_t GpxRoutes = 0;
    int32_t LeftTrakor3Menu = 0;
    int32_t TopTrakor3Menu = 0;
    int32_t LeftClipboardMenu = 0;
    int32_t TopClipboardMenu = 0;

    // Derived at every start, never stored: 1 = statute units.
    int32_t milesMode = 0;

    // Value by stored name ("Save Route", letter case aside); nullptr for an unknown name.
    int32_t* byName(std::string_view valueName);
    const int32_t* byName(std::string_view valueName) const;
};

// One row per stored setting, in load order, with the defaults of both back ends.
struct SettingDef {
    const char* valueName;
    int32_t Settings::*field;
    int32_t iniDefault;
    int32_t nativeDefault;
};
std::span<const SettingDef> settingTable();

// Defaults of one back end.
Settings defaultSettings(bool portable);

// Display and entry in statute units; stored values stay metric.
inline int32_t kmToMiles(int32_t km) { return static_cast<int32_t>(km * 0.6214 + 0.5); }
inline int32_t milesToKm(int32_t mi) { return static_cast<int32_t>(mi / 0.6214 + 0.5); }
inline int32_t metresToFeet(int32_t m) { return static_cast<int32_t>(m * 3.2808 + 0.5); }
inline int32_t feetToMetres(int32_t ft) { return static_cast<int32_t>(ft / 3.2808 + 0.5); }

}  // namespace trakor
