// UTC dates and times of the text importers as stored times.
#pragma once

#include <cstdint>
#include <ctime>

namespace trakor {

// The instant of a UTC date and time (fields as written, month 1 to 12); -1 when it has none.
time_t utcInstant(int year, int month, int day, int hour, int minute, int second);

// A UTC date and time as the stored time (seconds since 1970): the instant taken to local time
// and back, which gives the instant itself. 0 for an invalid date or one outside what 32 bits hold.
int32_t storedTimeFromUtc(int year, int month, int day, int hour, int minute, int second);

}  // namespace trakor
