#include "core/driver_calls.h"

#include "gdb/down_convert.h"
#include "gdb/header_scan.h"

namespace trakor {

DriverCalls defaultDriverCalls() {
    DriverCalls calls;
    // Each engine is bound here once it is part of the build; until then its entry stays empty
    // and the driver reports the feature as not available.
    calls.scanHeader = [](Context& ctx, ByteStream& in, int32_t& headerLength) {
        HeaderScanResult scan;
        int rc = scanHeader(ctx, in, scan);
        headerLength = scan.headerLength;
        return rc;
    };
    calls.downConvert = downConvert;
    return calls;
}

}  // namespace trakor
