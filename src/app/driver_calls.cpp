// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/driver_calls.h"

#include <memory>
#include <utility>

#include "convert/gdb_pass.h"
#include "core/file_names.h"
#include "core/run_messages.h"
#include "convert/via_points.h"
#include "course/companion_launcher.h"
#include "course/course_writer.h"
#include "course/device_detection.h"
#include "course/fit_course_writer.h"
#include "export/gpx_writer.h"
#include "gdb/down_convert.h"
#include "import/batch_run.h"
#include "import/import_file.h"
#include "import/kmz_archive.h"
#include "import/reader.h"

namespace trakor {

DriverCalls defaultDriverCalls() {
    DriverCalls calls;
    // Every engine call is bound here: the driver counts on each one it needs (requireCall).
    calls.detectDevices = [](Context& ctx) {
        DeviceDetection state;
        detectDevices(ctx, DeviceRoots{}, state);
        return detectedDevice(state);
    };
    auto launcher = std::make_shared<CompanionLauncher>(LaunchSetup::fromEnvironment(Environment::fromProcess()));
    calls.openInMapSource = [launcher](Context& ctx, const std::string& gdbPath) {
        return launcher->openInMapSource(ctx, gdbPath);
    };
    calls.startTrainingCenter = [launcher](Context& ctx) { return launcher->startTrainingCenter(ctx); };
    // The scan as the pass needs it: also the input's version letter for the record layouts.
    calls.scanHeader = scanForGdbPass;
    calls.downConvert = [](Context& ctx, ByteStream& in, uint8_t version) { return downConvert(ctx, in, version); };
    calls.convertGdbRecord = convertGdbRecord;
    calls.viaPointVisibilityPass = viaPointVisibilityPass;
    calls.importFile = [](Context& ctx, const std::string& baseName, ByteStream& in, ByteStream& out) {
        return importFile(ctx, baseName, in, out);
    };
    calls.convertBatch = convertBatch;
    calls.unpackKmz = extractKmz;
    calls.writeCourses = [](Context& ctx, UnitCourses* unit, XmlCheck& check) {
        return writeCourses(ctx, unit, &check);
    };
    calls.writeFitCourses = [](Context& ctx, const std::string& outputPath, UnitCourses* unit) {
        return writeFitCourses(ctx, outputPath, unit);
    };
    calls.writeGpx = [](Context& ctx, const std::string& gpxPath) {
        GpxWriteOptions options;
        options.trackPerPart = ctx.settings.GpxTrackParts == 1;
        GpxLeftOut leftOut;
        options.leftOut = &leftOut;
        const int rc = writeGpxFile(ctx.paths.workGdb, gpxPath, options);
        // Positions off the earth have no place in a GPX file: told as the readers tell theirs.
        for (const auto& [count, waypoints] : {std::pair{leftOut.points, false}, std::pair{leftOut.waypoints, true}})
            if (rc == kGpxWritten && count > 0)
                tellLiteral(ctx, dmsg::kCaptionInfo, impossibleCoordinatesNote(ctx, count, waypoints, baseNameOf(gpxPath)),
                            MsgStyle::Warning);
        return rc;
    };
    return calls;
}

}  // namespace trakor
