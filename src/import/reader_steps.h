// Steps shared by the FIT, ITN and NMEA readers: cleaning a finished track, writing a waypoint
// of the input straight to the output, and the "%s-%u" names.
#pragma once

#include <cstdint>
#include <string>

#include "import/reader.h"

namespace trakor {

// Glitch removal on the finished route or track in the point store.
void cleanImportedPoints(Context& ctx);

// Writes point `index` of the store as a user waypoint named `name` (option 0, the
// `Waypoint Symbol` setting as symbol).
void writeImportedWaypoint(Context& ctx, ImportJob& job, const std::string& name, int32_t index, int visible);

// A UTC date and time as the stored time (seconds since 1970): converted to local time with the
// system's time-zone rules and back with the daylight-saving flag unknown. 0 for an invalid date
// or one outside what 32 bits hold.
int32_t storedTimeFromUtc(int year, int month, int day, int hour, int minute, int second);

// "name-number", the form of every numbered import name.
inline std::string numberedName(const std::string& name, int32_t number) {
    return name + "-" + std::to_string(static_cast<uint32_t>(number));
}

}  // namespace trakor
