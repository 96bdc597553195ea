// SPDX-License-Identifier: GPL-3.0-or-later
// What a unit's recording says of itself: when it was recorded and the activity's name, read
// from the start of the file (a unit over MTP reads slowly: the whole file is not needed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trakor {

struct RecordingDetails {
    int64_t recorded = 0;  // seconds since 1970 UTC; 0 when the file does not tell
    std::string name;      // the activity's name or sport; empty when the file does not tell
};

// How much of a recording is read for its details.
inline constexpr size_t kRecordingHeadBytes = 64 * 1024;

// A FIT file's time_created (file_id message) and its sport's name (sport message).
RecordingDetails fitRecordingDetails(std::string_view bytes);

// A GPX file's metadata time (else its first point's time) and metadata name (else its first
// track's or route's name); a TCX file's first activity Id or lap start and its sport, or its
// first course's name. A cut file gives what its start holds.
RecordingDetails xmlRecordingDetails(std::string_view bytes);

// The details of the file at `path`, by its ending (.fit, .gpx, .tcx); none when it cannot be read.
RecordingDetails recordingDetails(const std::string& path);

}  // namespace trakor
