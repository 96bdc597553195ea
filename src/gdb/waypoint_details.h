// SPDX-License-Identifier: GPL-3.0-or-later
// The fields of a waypoint record after its depth field, laid out by the version letter the way
// MapSource writes them (and as gpsbabel reads them back):
//
//   'k', 'l': lead byte, 5 route bytes, description, link text, category (u16), one byte,
//             time (optional int32)
//   'm':      street address, 5 route bytes, description, link count (int32) and link texts,
//             category (u16), one byte, time (optional int32), phone count (int32) with two
//             strings per phone entry, country, postal code
//
// The 5 route bytes (a byte and an int32) carry the directions index of the points of
// calculated routes. The program's own waypoints hold all these fields empty: 12 zero bytes,
// 21 in version 'm'.
//
// No byte of either layout is free for the program's own use: every one is a field that
// MapSource or BaseCamp fills (the lead byte of versions 1 and 2 became the street address in
// version 3, the byte before the time is where Garmin waypoints keep a temperature flag).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gdb/stream.h"

namespace trakor {

struct GdbWaypoint;

struct WaypointDetails {
    uint8_t leadByte = 0;                // 'k', 'l'
    std::string address;                 // 'm'
    std::array<uint8_t, 5> routeBytes{};
    std::string description;
    std::vector<std::string> links;      // 'k', 'l': exactly one text (empty when none)
    uint16_t category = 0;
    uint8_t beforeTime = 0;
    bool hasTime = false;
    int32_t time = 0;
    std::vector<std::string> phoneTexts;  // 'm': two per phone entry
    std::string country, postalCode;      // 'm'
};

// Parses the bytes after the depth field. true when every field of the version's layout lies
// inside `length` bytes (strings terminated inside them); `used` is then the bytes the fields
// take (a record may carry more after them).
bool parseWaypointDetails(const uint8_t* data, size_t length, char version, WaypointDetails& d, size_t& used);

class FieldWalk;
// The same walk without keeping the fields: true when they all lie inside the walk's data.
bool skipWaypointDetails(FieldWalk& w, char version);

// Writes the fields in the layout of `version` ('m', or 'k' / 'l').
void writeWaypointDetails(ByteStream& out, const WaypointDetails& d, char version);

// The same details in the layout of version 'm': the lead byte gives way to an empty street
// address, a link text becomes a list of one (none when empty); phone, country and postal code
// are empty. The texts become UTF-8 (version3Text).
WaypointDetails detailsForVersion3(const WaypointDetails& old);

// A text of a version 1 or 2 file, which hold the Windows code page (1252), as version 3 holds
// texts: UTF-8. Valid UTF-8 stays as it is, as the GPX writer reads every version.
std::string version3Text(std::string_view old);
// The texts of a waypoint of a version 1 or 2 file (name, country, comment, city, state,
// facility) as version 3 holds them.
void waypointTextsForVersion3(GdbWaypoint& w);

// A text as a GDB string field can hold it: up to its first zero byte, at most
// kMaxGdbString - 1 bytes, cut before a UTF-8 character that would not fit whole.
std::string_view storableText(std::string_view text);

// A comment, description and time given to a waypoint the program writes: the comment into its
// comment field, description and time into the details after its depth (`version`'s layout).
// Nothing is added where all three are empty.
void setWaypointTexts(GdbWaypoint& w, std::string_view comment, std::string_view description, int32_t time,
                      char version);

}  // namespace trakor
