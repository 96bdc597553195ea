#include "core/driver_calls.h"

#include "gdb/down_convert.h"
#include "gdb/header_scan.h"

namespace trakor {

DriverCalls defaultDriverCalls() {
    DriverCalls calls;
    calls.scanHeader = [](Context& ctx, ByteStream& in, int32_t& headerLength) {
        HeaderScanResult result;
        int rc = scanHeader(ctx, in, result);
        headerLength = result.headerLength;
        return rc;
    };
    calls.downConvert = [](Context& ctx, ByteStream& in, uint8_t version) { return downConvert(ctx, in, version); };
    // Engines not yet part of the build keep empty entries; the driver reports them as not available.
    return calls;
}

}  // namespace trakor
