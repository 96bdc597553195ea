// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the import path: message keys with their built-in English texts, and the batch log lines.
#pragma once

namespace trakor::importmsg {

struct Message {
    const char* key;
    const char* english;
};

inline constexpr Message kTooFewPoints{"$MSG35", "Track/Lap/Course %0d skipped\nThere are not enough track points"};
inline constexpr Message kTooManyPoints{"$MSG36",
                                        "Cannot convert more than 99999 trackpoints,\ntrack \"%s\" skipped."};
inline constexpr Message kFilterShortfall{"$MSG37",
                                          "Route is incorrectly filtered.\nThere are more via points than requested."};
inline constexpr Message kRoutesAsTracks{"$MSG59", "Routes in .gdb and .gpx files will be treated as tracks."};

// KMZ refusals; shown with the program's name as caption, in English.
inline constexpr const char* kKmzCannotOpen = "The KMZ archive \"%s\" cannot be opened.";
inline constexpr const char* kKmzTooLarge = "The KMZ entry \"%s\" is larger than %u MiB and is not extracted.";
inline constexpr const char* kKmzBadName = "The KMZ entry \"%s\" has no usable file name and is not extracted.";
inline constexpr const char* kKmzLink = "The KMZ entry \"%s\" is a link and is not extracted.";
inline constexpr const char* kKmzWriteFailed = "The KMZ entry \"%s\" cannot be written to \"%s\".";

// Points left out of a route or track, and waypoints left out of a file, for their coordinates.
inline constexpr Message kImpossiblePoints{"$RUN23", "%d points with impossible coordinates were left out of %s"};
inline constexpr Message kImpossiblePoint{"$RUN24", "1 point with impossible coordinates was left out of %s"};
inline constexpr Message kImpossibleWaypoints{"$RUN25", "%d waypoints with impossible coordinates were left out of %s"};
inline constexpr Message kImpossibleWaypoint{"$RUN26", "1 waypoint with impossible coordinates was left out of %s"};

// A FIT file whose check sum does not match (the byte offset as a number text).
inline constexpr Message kFitCrcMismatch{"$RUN28",
                                         "The check sum at byte %s does not match the FIT data: the file may be damaged."};

// Batch log lines: folder, file name, the record name, then the status ("OK" or what went wrong).
inline constexpr const char* kLogTrack = "\"%s\",\"%s\",\"Track:\",\"%s\",\"%s\"\n";
inline constexpr const char* kLogRoute = "\"%s\",\"%s\",\"Route:\",\"%s\",\"%s\"\n";
inline constexpr const char* kLogOk = "OK";
inline constexpr const char* kLogTrackSkipped = "Invalid track (skipped)";

}  // namespace trakor::importmsg
