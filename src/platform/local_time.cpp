#include "platform/local_time.h"

namespace trakor {

// mktime with the flag localtime_r gave is localtime_r's exact inverse, so the way back is the
// instant itself; mktime would also re-read the zone file on every call. localtime_r reads the
// zone rules once (and again after tzset) and is only asked when the fields are wanted.
time_t localRoundTrip(time_t instant, std::tm* local) {
    if (local && localtime_r(&instant, local) == nullptr) return -1;
    return instant;
}

}  // namespace trakor
