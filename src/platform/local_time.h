// Local time with the system's time-zone rules, fast enough for a time stamp per track point.
#pragma once

#include <ctime>

namespace trakor {

// The instant taken to local time and back, as the readers store times. `local` receives the
// local fields when given (-1 is returned when the instant has none). The way back keeps the
// daylight-saving flag of the local fields, so every instant comes back as itself, also in the
// repeated hour when daylight saving ends (with the flag left unknown that hour's local times
// would take the later offset and those points would move by an hour).
time_t localRoundTrip(time_t instant, std::tm* local = nullptr);

}  // namespace trakor
