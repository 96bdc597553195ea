// SPDX-License-Identifier: GPL-3.0-or-later
// The record pass of the clipboard conversion: walks a GDB image held in memory and builds the
// converted image, record by record, with the clipboard options `CBmode_r` and `CBmode_t`.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "gdb/stream.h"

namespace trakor {

struct Context;

// Where the result goes: the clipboard, MapSource, or MapSource because option 3 asked for it.
constexpr int kDestinationClipboard = 0;
constexpr int kDestinationMapSource = 1;
constexpr int kDestinationMapSourceForced = 2;

// Answers of the record pass.
constexpr int kPassConverted = 0;
constexpr int kPassAlreadyConverted = 1;  // the creator name says this program wrote the image
constexpr int kPassNothingConverted = 2;
constexpr int kPassDamaged = 3;           // not a GDB image, or a record frame or record cut short
constexpr int kPassOutOfMemory = 4;

// Creator name that marks images this program has converted.
inline constexpr std::string_view kConvertedCreatorName = "Trakor3";

struct ClipboardCounters {
    int32_t routesSeen = 0;
    int32_t tracksSeen = 0;
    int32_t routesConverted = 0;
    int32_t tracksConverted = 0;
};

// Converts `image` into `out` (empty on entry): header copied with the creator name replaced by
// "Trakor3", routes under `CBmode_r` (3, 11, 12), tracks under `CBmode_t` (22, 23, 24), and the
// end record. Routes and tracks with fewer than two points are reported one by one. Under
// option 3 a destination of 0 becomes 2. Images of the later GDB versions are down-converted
// first; the records written follow the image's version letter. Every read stays inside the
// image; a damaged image gives kPassDamaged and nothing is reported here.
int convertClipboardImage(Context& ctx, std::span<const uint8_t> image, int& destination, ClipboardCounters& counters,
                          MemoryStream& out);

// Name of point i of a track of `count` points made into waypoints: "START<track>" and
// "END<track>" at the ends, else the prefix, the track number and i + 1 in 2 to 5 digits.
std::string clipboardPointName(char prefix, int32_t track, int32_t i, int32_t count);

}  // namespace trakor
