// SPDX-License-Identifier: GPL-3.0-or-later
// Per-run variables shared by the driver, the readers and the conversions.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace trakor {

enum class InputType : int32_t { Gdb = 0, Gpx = 1, Tcx = 2, Crs = 3, Fit = 4, Kml = 5, Kmz = 6, Itn = 7, Nmea = 8 };

// Why a route or track was left out of the result, or cut short.
enum class LeftOutReason : int32_t {
    NoPoints,      // no point left after glitch removal
    OnePoint,      // a single point
    PointNumbers,  // its points would be numbered beyond 99999
    Truncated,     // cut at the point store's capacity (kept, but shortened)
    Continued,     // the rest of a track beyond the point store's capacity, kept as a track of its own
};

struct LeftOutItem {
    std::string name;
    bool route = false;
    LeftOutReason reason = LeftOutReason::OnePoint;
};

struct RunState {
    int32_t trackCounter = 0;
    int32_t routeCounter = 0;
    int32_t trackFailures = 0;
    int32_t routeFailures = 0;
    int32_t waypointCount = 0;
    int32_t nextWaypointNumber = 1;
    int32_t filterValue = 0;
    int32_t splitValue = 0;
    // 0 nothing pending, 1 a point dropped or a record skipped, 2 a filtering or via-point warning.
    int32_t infoFlag = 0;
    std::string infoText;
    uint8_t autoName = 0;
    uint8_t displayColor = 14;
    InputType inputType = InputType::Gdb;
    int32_t savedRouteMarker = 0;
    // Answer to the importers' question about routes: 0 not asked, 1 read as tracks, 2 skipped.
    int32_t importQuestion = 0;
    // GPX routes are written as GDB routes (the setting GPX Routes with GDB output).
    bool keepGpxRoutes = false;
    // Names of the waypoints those routes have written to the output, each written once.
    std::set<std::string> routeWaypoints;
    // Version letter of the GDB records being written ('m' on the import path).
    char outputVersion = 'm';
    // Several input files: results go to the CSV log instead of message boxes.
    bool batch = false;
    // Points and waypoints of the input left out for coordinates off the earth (or without a
    // number): of the route or track being read, and of the whole input.
    int32_t impossiblePoints = 0;
    int32_t impossibleWaypoints = 0;
    // What the input lacks when it was cut off (a record, the end of the document); empty when whole.
    std::string cutNote;
    // What the reader found damaged in an input it read up to the damage (a FIT check sum that does
    // not match, a message stream that breaks off), with the byte offset; empty when sound.
    std::string damageNote;
    // Inputs of a batch run that were cut off; their parts read before the cut were converted.
    int32_t cutInputs = 0;
    // Routes and tracks left out or cut short, gathered for one summary at the end of the run
    // when `collectLeftOut` is set (the driver sets it); otherwise each is told on its own.
    bool collectLeftOut = false;
    std::vector<LeftOutItem> leftOut;
    // The point store dropped points at its capacity while the current route or track was read.
    bool cutAtCapacity = false;
    // Point names of ITN input; via values point into it (negative 1-based offsets).
    std::vector<char> namePool;

    void setInfo(int32_t flag, std::string text) {
        infoFlag = flag;
        infoText = std::move(text);
    }
    // Records a route or track for the summary; false when this run does not gather them (the
    // caller then tells it at once).
    bool noteLeftOut(std::string name, bool route, LeftOutReason reason) {
        if (!collectLeftOut) return false;
        leftOut.push_back({std::move(name), route, reason});
        return true;
    }
    // The reason for a route or track of fewer than two points.
    static LeftOutReason tooFew(int32_t points) { return points == 0 ? LeftOutReason::NoPoints : LeftOutReason::OnePoint; }
    void clearInfo() {
        infoFlag = 0;
        infoText.clear();
    }
};

}  // namespace trakor
