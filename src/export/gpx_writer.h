// SPDX-License-Identifier: GPL-3.0-or-later
// GPX 1.1 output: a GDB image (as the conversions write it) turned into a GPX file record by
// record, without building a document tree. Waypoints become <wpt>, routes <rte> whose points
// carry Garmin's trip extension (visible via points, hidden shaping points) and their link
// points as <gpxx:rpt>, tracks <trk>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gdb/stream.h"

namespace trakor {

// Points and waypoints left out of the GPX for positions off the earth (latitude beyond 90
// degrees), which no GPX reader accepts.
struct GpxLeftOut {
    int32_t points = 0;
    int32_t waypoints = 0;
};

struct GpxWriteOptions {
    // The parts of a split track ("Tour#1", "Tour#2", ...) as tracks of their own under their
    // part names; otherwise as the segments of one track under the base name.
    bool trackPerPart = false;
    // Where the counts of what was left out go; none when null.
    GpxLeftOut* leftOut = nullptr;
};

// Writer results.
constexpr int kGpxWritten = 0;
constexpr int kGpxNotGdb = 2;     // the image is not a GDB file of versions 1 to 3
constexpr int kGpxWriteFailed = 3;

// Writes the GPX form of a GDB image to `out`.
int writeGpx(const uint8_t* gdb, size_t length, ByteStream& out, const GpxWriteOptions& options = {});

// Writes the GPX form of a GDB image to `gpxPath`, which is replaced only when the whole file
// could be written.
int writeGpxFile(const uint8_t* gdb, size_t length, const std::string& gpxPath, const GpxWriteOptions& options = {});
// The same for a GDB file.
int writeGpxFile(const std::string& gdbPath, const std::string& gpxPath, const GpxWriteOptions& options = {});

}  // namespace trakor
