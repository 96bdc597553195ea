// Local time with the system's time-zone rules, fast enough for a time stamp per track point.
#pragma once

#include <ctime>

namespace trakor {

// The instant taken to local time and back with mktime (daylight flag left to the rules), as the
// readers store times. `local` receives the local fields when given. Returns -1 when the instant
// has no local time. mktime re-reads the zone file on every call, so results are kept per minute
// of the instant (zone changes fall on whole minutes) and per value of TZ.
time_t localRoundTrip(time_t instant, std::tm* local = nullptr);

}  // namespace trakor
