// UTC dates and times of the text importers as stored times.
#pragma once

#include <cstdint>

namespace trakor {

// A UTC date and time as the stored time (seconds since 1970): converted to local time with the
// system's time-zone rules and back with the daylight-saving flag unknown. 0 for an invalid date
// or one outside what 32 bits hold.
int32_t storedTimeFromUtc(int year, int month, int day, int hour, int minute, int second);

}  // namespace trakor
