// SPDX-License-Identifier: GPL-3.0-or-later
// What the map view draws: the routes, tracks and waypoints of one file, read from a GDB file
// through the record readers (later versions through the down-converter) or from any other
// input through the importers as option 0 reads it. Also the before/after counts of a
// conversion. Plain C++ over the engine; no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/messages.h"

namespace trakor::view {

struct GeoPoint {
    int32_t lat = 0, lon = 0;  // semicircles
    bool operator==(const GeoPoint&) const = default;
};

enum class ItemKind { Track, Route };

// A route point drawn on its route: visible via points (marker 15 or 255 and the like) and
// invisible ones (31, 33) look different.
struct RouteMark {
    GeoPoint pos;
    std::string name;
    bool visible = true;
};

struct MapItem {
    ItemKind kind = ItemKind::Track;
    std::string name;
    uint8_t colour = 0;            // GDB colour index, 0 none, 1 Black ... 16 White
    std::vector<GeoPoint> line;    // track points, or the route's link points in order
    std::vector<RouteMark> marks;  // route points (routes only)
    // Points the input file holds for it before the near-point step of reading; 0 when that
    // step kept them all (or the file is a GDB file, read as it is).
    size_t filePoints = 0;

    // Points as the conversions count them: track points, or route points.
    size_t pointCount() const { return kind == ItemKind::Route ? marks.size() : line.size(); }
};

struct MapWaypoint {
    GeoPoint pos;
    std::string name;
};

struct MapModel {
    std::vector<MapItem> items;
    std::vector<MapWaypoint> waypoints;
    // The near-point step the items were read with: `Removal Distance` (tenths of a metre) and
    // `Removal Glitches`.
    int32_t removalDistance = 0;
    bool removalGlitches = false;

    bool hasPoints() const;
};

// Results of the loaders.
constexpr int kModelRead = 0;
constexpr int kModelUnreadable = 2;

// The records of a GDB image: versions 'k', 'l', 'm'; 0x73, 0x84, 0x8A after down-converting.
// kModelUnreadable when the image is not a GDB file of those versions.
int readGdbModel(const uint8_t* bytes, size_t size, MapModel& model);

// Reads any input the program takes: GDB files by readGdbModel, the other types through their
// importer with option 0 (routes read as tracks, no question asked, no message shown; the
// importer's messages go to `messages`). `ctx` gives the settings and paths (a KMZ file is
// unpacked in the working folder as a conversion would); it is not changed. `error` gets a
// one-line reason for kModelUnreadable.
int loadMapModel(const Context& ctx, const std::string& path, MapModel& model, std::string* error = nullptr,
                 std::vector<std::string>* messages = nullptr);

// For the before-and-after counts: each item's `filePoints`, by reading a non-GDB input once more
// without the near-point step it was read with (nothing for GDB files, or when no step ran).
void addFilePoints(const Context& ctx, const std::string& path, MapModel& model);

// RGB of a GDB colour index (0 and out of range: the program's default magenta for tracks).
uint32_t colourRgb(uint8_t index);

// --- Before and after ----------------------------------------------------------------------

// The name a result item came from: saved-copy, clash and invisible-via prefixes ("!", "!*",
// "*", "#") and a part suffix ("#1", "#07") taken off.
std::string sourceNameOf(const std::string& resultName);
// The part number of a split result's name ("Ride#07": 7), 0 without a part suffix.
int partNumberOf(const std::string& resultName);

struct ItemComparison {
    std::string name;
    ItemKind kind = ItemKind::Track;
    size_t before = 0;
    size_t after = 0;  // points of every part together
    int parts = 0;     // result items made from it (0: none)
    size_t inFile = 0;  // points in the file before the near-point step (0: none dropped)
    int32_t removalDistance = 0;
    bool removalGlitches = false;
};

// Each input route or track with the result items made from it (saved "!" copies left out).
std::vector<ItemComparison> compareModels(const MapModel& before, const MapModel& after);
namespace comparisontext {
inline constexpr UiText NotInResult{"$MAP21", "not in the result", 64};
inline constexpr UiText Points{"$MAP22", "%s points", 64};
inline constexpr UiText Parts{"$MAP23", "%s parts", 64};
inline constexpr UiText NearDropped{"$MAP29", "%s points, %s closer than %s m dropped", 96};
inline constexpr UiText NearOrSpikesDropped{"$MAP30", "%s points, %s closer than %s m or in spikes dropped", 96};
}  // namespace comparisontext
// "Track 1: 24 817 → 500 points, 3 parts" (the name as UTF-8), in the language of `texts`
// (English without it); with points dropped by the near-point step of reading:
// "Track-1: 1 866 points, 1 027 closer than 3 m dropped, 839 → 100 points".
std::string comparisonLine(const ItemComparison& c, const Context* texts = nullptr);
// 24817 -> "24 817"
std::string groupedNumber(size_t n);

}  // namespace trakor::view
