// SPDX-License-Identifier: GPL-3.0-or-later
// The reader contract: every input format fills the point store one route or track at a time
// and hands it to emitImportedTrack.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/route_writer.h"
#include "core/context.h"
#include "gdb/stream.h"

namespace trakor {

// What an input says of a waypoint beyond its place and name (GPX cmt/desc/time, KML
// description/TimeStamp, TCX course point notes, FIT location descriptions).
struct ImportedWaypointDetails {
    std::string comment;      // GPX <cmt>, or the only text an input has
    std::string description;  // GPX <desc>, KML <description>
    int32_t time = 0;         // seconds since 1970-01-01 UTC, 0: none
};

struct ImportJob {
    ByteStream& output;          // the GDB file being written
    FILE* log = nullptr;         // CSV log in batch mode, null otherwise
    std::string inputPath{};     // full path of the input, for log lines
    std::string baseName{};      // input file name without folder and extension
    int32_t option = 0;          // conversion option (Mode)
    // Test hook: when set, emitImportedTrack hands each finished route or track here
    // (after its own checks) instead of writing records.
    std::function<void(Context& ctx, const std::string& name)> onEmit{};
    // Test hook: when set, writeImportedWaypoint hands each waypoint here (slot 0 of the point
    // store holds its position) instead of writing a record.
    std::function<void(Context& ctx, const std::string& name, int32_t symbol, const ImportedWaypointDetails& details)>
        onWaypoint{};
};

// Reader results.
constexpr int kReadDone = 0;      // at least one route or track was emitted
constexpr int kReadNothing = 1;   // none found
constexpr int kReadInvalid = 2;   // the data are not valid for the reader

using ReaderFn = int (*)(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);

int readGdbForImport(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readGpx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readTcx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);  // TCX and CRS
int readFit(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readKml(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readItn(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readNmea(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);

// The common back end: the point store holds one finished route or track.
void emitImportedTrack(Context& ctx, ImportJob& job, const std::string& name, int32_t option);

// Longest generated name, without its zero byte (the readers' 256-byte name buffers).
constexpr size_t kMaxImportName = 255;
// A name of the input as the readers keep it: at most kMaxImportName bytes, cut on a character
// boundary.
std::string importedName(std::string_view text);
// "%s-%u" of a name and a number, cut to kMaxImportName.
std::string numberedName(const std::string& name, uint32_t number);
// The end of every route or track a reader collected: glitch removal, the track counter + 1,
// and emitImportedTrack under "%s-%u" (name, track counter).
void finishImportedTrack(Context& ctx, ImportJob& job, const std::string& name);
// A waypoint of the input at slot 0 of the point store: the waypoint count + 1, and a visible
// user waypoint named "%s-%u" (name, waypoint count) with the given symbol and details.
void writeImportedWaypoint(Context& ctx, ImportJob& job, const std::string& name, int32_t symbol,
                           const ImportedWaypointDetails& details = {});
// A point read in degrees (NaN for a text without a number): appended to the point store, or left
// out and counted when it lies off the earth. finishImportedTrack reports the count.
void addDegreesPoint(Context& ctx, double latDeg, double lonDeg, double alt, uint8_t altValid, int32_t time);
// The same for a waypoint at slot 0 of the point store; false (and counted, importFile reports
// the count) when it is left out.
bool placeDegreesWaypoint(Context& ctx, double latDeg, double lonDeg);
// "N points (or waypoints) with impossible coordinates were left out of <of>".
std::string impossibleCoordinatesNote(const Context& ctx, int32_t count, bool waypoints, const std::string& of);
// A route of the input kept as a route (GPX routes with the setting GPX Routes): written with its
// waypoints in the route's colour (displayColor), counted with the tracks, and logged.
void emitInputRoute(Context& ctx, ImportJob& job, const std::string& name, uint8_t autoName,
                    const std::vector<InputRoutePoint>& points);
// Asks once per Convert action whether routes are read as tracks; true when they are.
bool routesReadAsTracks(Context& ctx);

}  // namespace trakor
