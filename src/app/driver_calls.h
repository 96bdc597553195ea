// SPDX-License-Identifier: GPL-3.0-or-later
// The engines the conversion driver reaches, as a table of calls; defaultDriverCalls binds every
// one. An engine call the driver needs and finds empty is a fault of the program (requireCall);
// the browse and waiting calls are optional.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/context.h"
#include "app/conversion_request.h"
#include "course/course_walk.h"
#include "course/xml_check.h"
#include "gdb/stream.h"

namespace trakor {

struct DriverCalls {
    // GDB header scan: 0 = header length known, waypoint index and route name index built;
    // 1 = not a usable GDB file. The input is left at any position.
    std::function<int(Context&, ByteStream& in, int32_t& headerLength)> scanHeader;
    // GDB conversion pass, one record per call; returns the record's type letter ('1' and 'V' end
    // the loop). May set the run's information flag and text.
    std::function<char(Context&, ByteStream& in, ByteStream& out)> convertGdbRecord;
    // Options 3 and 4 over a whole GDB file: 0 = done, 1 = memory exhausted.
    std::function<int(Context&, ByteStream& in, ByteStream& out)> viaPointVisibilityPass;
    // Turns a later GDB version (0x73, 0x84, 0x8A) into version 3 in ctx.paths.downGdb.
    // The input is at its start; 0 = written.
    std::function<int(Context&, ByteStream& in, uint8_t version)> downConvert;
    // Reads one non-GDB (or option 0) input into GDB records: 0 = done, 2 = memory exhausted,
    // 3 = the input is larger than the importers read (nothing written).
    // baseName is the file name without folder and extension.
    std::function<int(Context&, const std::string& baseName, ByteStream& in, ByteStream& out)> importFile;
    // Converts every listed input into `out`, one CSV log line per route, track or failure:
    // 0 = done, 2 = memory exhausted (the output is incomplete).
    std::function<int(Context&, FILE* log, ByteStream& out, const std::vector<std::string>& inputs)>
        convertBatch;
    // Extracts the first entry of a KMZ archive into the working folder; the extracted file's
    // path, or empty when the archive cannot be read.
    std::function<std::string(Context&, const std::string& kmzPath)> unpackKmz;
    // Turns the tracks of the work GDB file into courses (work TCX file; for target GPS also one
    // file per course on the unit, when `unit` is given): 0 = written, 1 = nothing to write (the
    // user was told). Fills `check` with the verdict on the work TCX file, reached as it was written.
    std::function<int(Context&, UnitCourses* unit, XmlCheck& check)> writeCourses;
    // The same courses as FIT course files: to outputPath when given (several courses chained in
    // one file), and one file per course on the unit when given. 0 = written, 1 = not (told).
    std::function<int(Context&, const std::string& outputPath, UnitCourses* unit)> writeFitCourses;
    // Writes the work GDB file as GPX 1.1 to gpxPath, which is replaced only when complete:
    // 0 = written, other = not written (the driver tells the user).
    std::function<int(Context&, const std::string& gpxPath)> writeGpx;
    // GPS device detection.
    std::function<DetectedDevice(Context&)> detectDevices;
    // Opens a GDB file in MapSource: 0 = started, 1 = not possible (the user was told).
    std::function<int(Context&, const std::string& gdbPath)> openInMapSource;
    // Starts Training Center on the work TCX file: 0 = started, 1 = not possible (told).
    std::function<int(Context&)> startTrainingCenter;
    // Told when another run holds the work files and this one waits for them; gets the lock file.
    std::function<void(const std::string& lockPath)> waitingForWorkFiles;
    // Lets the user pick the input or the output file when the field is empty; may fill it.
    std::function<void(ConversionRequest&)> browseInput;
    std::function<void(ConversionRequest&)> browseOutput;
};

// The calls of every engine that is part of this build; the rest stay empty.
DriverCalls defaultDriverCalls();

}  // namespace trakor
