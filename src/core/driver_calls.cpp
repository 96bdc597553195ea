#include "core/driver_calls.h"

namespace trakor {

DriverCalls defaultDriverCalls() {
    DriverCalls calls;
    // Each engine is bound here once it is part of the build; until then its entry stays empty
    // and the driver reports the feature as not available.
    return calls;
}

}  // namespace trakor
