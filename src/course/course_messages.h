// SPDX-License-Identifier: GPL-3.0-or-later
// Every message of the course writer: key, built-in English text, style.
#pragma once

#include "core/messages.h"

namespace trakor {

namespace cmsg {
inline constexpr KeyedMessage kNoTracks{"$MSG51", "No tracks available for conversion.\nConversion failed.",
                                         MsgStyle::Plain};
inline constexpr KeyedMessage kCoursePoints{"$MSG52", "Trakor3 has generated %d course points.", MsgStyle::Plain};
// Name lines of the course points; a language file gives the whole translated line.
inline constexpr KeyedMessage kLeftLine{"$MSG49", "        <Name>Left</Name>\n", MsgStyle::Plain};
inline constexpr KeyedMessage kRightLine{"$MSG50", "        <Name>Right</Name>\n", MsgStyle::Plain};
// Longest translated name line that is looked up.
inline constexpr size_t kNameLineLimit = 64;

// A file of that name on the GPS device: replaced only when the user agrees.
inline constexpr KeyedMessage kReplaceOnDevice{"$DEV03", "The GPS device already holds the file\n%s\nReplace it?",
                                                MsgStyle::Question};
// FIT courses: times the format cannot hold, and a file run of several courses (one a file),
// followed by the files' names.
inline constexpr KeyedMessage kFitTimesOutOfRange{
    "$RUN37", "Course \"%s\": its times lie outside the years FIT holds;\nit is timed from the average speed.",
    MsgStyle::Warning};
inline constexpr KeyedMessage kFitCourseFiles{"$RUN38", "%d courses written, one a file:", MsgStyle::Plain};

// A course file that could not be written; literal caption, as the driver's copy error.
inline constexpr const char* kCaptionDone = "Klaar";
inline constexpr const char* kWriteError = "write error\n";
}  // namespace cmsg

}  // namespace trakor
