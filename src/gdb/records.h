// SPDX-License-Identifier: GPL-3.0-or-later
// The GDB waypoint ("W"), route ("R") and track ("T") records: their parsed forms, the one
// reader of each (bounded by the record length), the one writer of each (with the program's
// templates).
//
// Reading: readWaypointRecord / readRouteRecord / readTrackRecord take the record length and a
// stream positioned after the type letter, and always leave the stream after the record's
// data, whatever they found inside. The parse* forms take the data bytes of a record held in memory. Every field
// is read inside the record: a field that would cross its end is not read, the parse stops
// there and the result is kRecordTruncated; the struct then holds the fields read before.
// Bytes after the last field parsed (the closing bytes of a route or track) are skipped by the
// record length; a waypoint keeps the bytes after its depth field. Records that read whole are
// written back byte for byte, as long as their flags are 0 or 1 and a box altitude with flag 1
// is not exactly 0.0.
//
// Writing: default-constructed structs hold exactly what the program writes (class 0, the
// empty country, the subclass template with marker 0xFF, empty strings, flags 0, ...), so a
// writer sets only the fields that carry data. Each write*Record emits one framed record with
// beginRecord / endRecord; the versions 'k', 'l' and 'm' differ only where the layout does.
// For records too large to build in memory first (tracks of the point store), the
// writeTrackHead / writeTrackPoint / writeTrackTail and writeRouteHead / writeRoutePoint /
// writeRouteTail pieces write the same bytes between beginRecord and endRecord.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "gdb/file_header.h"
#include "gdb/stream.h"

namespace trakor {

// Reader results.
constexpr int kRecordOk = 0;
constexpr int kRecordTruncated = 2;  // the data ended inside a field (or the length was negative)

// Markers (byte 8 of the subclass).
constexpr uint8_t kMarkerNormal = 0xFF;     // an ordinary waypoint
constexpr uint8_t kMarkerVia = 15;          // a visible via point, not listed as a waypoint
constexpr uint8_t kMarkerInvisible = 31;    // an invisible via point
constexpr uint8_t kMarkerInvisible2 = 33;   // read like 31, never written
// Class low byte of a route-generated point.
constexpr uint8_t kClassRoutePoint = 8;

inline bool isInvisibleMarker(uint8_t m) { return m == kMarkerInvisible || m == kMarkerInvisible2; }

// Size of the class block (class, empty country, subclass) and of the waypoint tail.
constexpr size_t kClassBlockSize = 27;
constexpr size_t kWaypointTailSize = 31;
// Offsets in the class block of the class low byte and of the marker.
constexpr size_t kClassBlockClassByte = 0;
constexpr size_t kClassBlockMarker = 13;

using Subclass = std::array<uint8_t, 22>;
// 00 00 00 00, twelve 0xFF, 00 00, four 0xFF; byte 8 is the marker.
Subclass subclassTemplate(uint8_t marker = kMarkerNormal);
// The 27-byte class block: class (low byte given, others 0), empty country, subclass template.
std::array<uint8_t, kClassBlockSize> classBlock(uint8_t classByte, uint8_t marker);
// The 31-byte waypoint tail as the program writes it, with the symbol in the low 16 bits.
std::array<uint8_t, kWaypointTailSize> waypointTail(uint16_t symbol);

// Altitude field in parsed form: `valid` is the flag (the value follows when it is set).
struct Altitude {
    bool valid = false;
    double metres = 0.0;
};

// Bounding box field of a route or of a route leg, as stored; the box of a run of points of the
// point store is computed by boundingBox (convert/geometry.h). An altitude of exactly 0.0 is
// written with flag 0.
struct GdbBox {
    int32_t maxLat = 0, maxLon = 0;
    double maxAlt = 0.0;
    int32_t minLat = 0, minLon = 0;
    double minAlt = 0.0;
};

struct GdbWaypoint {
    std::string wptName;
    int32_t wptClass = 0;
    std::string wptCountry;
    Subclass wptSubclass = subclassTemplate();
    int32_t wptLat = 0, wptLon = 0;
    Altitude wptAltitude;
    std::string wptComment;
    bool hasProximity = false;
    double wptProximity = 0.0;
    int32_t wptDisplay = 0;
    int32_t wptColour = 0;
    int32_t wptSymbol = 0;  // low 16 bits: symbol number
    std::string wptCity, wptState, wptFacility;
    uint8_t spareByte = 0;  // field 16
    bool hasDepth = false;
    double wptDepth = 0.0;
    // Where wptSymbol and the bytes after wptDepth lie in the record data (set by the readers).
    int32_t symbolOffset = 0;
    int32_t tailOffset = 0;
    // Bytes after the depth field as read (times, links, ... of MapSource). Empty: the writer
    // puts the program's twelve zero bytes (and nine more in version 'm') there.
    std::vector<uint8_t> trailing;

    uint8_t classByte() const { return static_cast<uint8_t>(wptClass & 0xFF); }
    uint8_t wptMarker() const { return wptSubclass[8]; }
    void setClassAndMarker(uint8_t cls, uint8_t marker) {
        wptClass = cls;
        wptSubclass[8] = marker;
    }
};

struct GdbLinkPoint {
    int32_t lat = 0, lon = 0;
    Altitude alt;
};

struct GdbRoutePoint {
    std::string rptName;
    int32_t rptClass = 0;
    std::string rptCountry;
    Subclass rptSubclass = subclassTemplate();
    // The 19 fixed bytes; when the first is not 0, `extra` (8 bytes) follows them.
    std::array<uint8_t, 19> fixed19 = {0x00, 0x03};
    std::array<uint8_t, 8> extra{};
    std::vector<GdbLinkPoint> links;  // rptLinkCount = links.size()
    bool hasBox = false;               // rptNoBox 0
    GdbBox box;
    // Version tail: 'l' writes the first 8 bytes, 'm' all 10.
    std::array<uint8_t, 10> tail = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    // Where the point lies in the record data (set by the readers): offset and size in bytes.
    int32_t offset = 0;
    int32_t size = 0;

    uint8_t classByte() const { return static_cast<uint8_t>(rptClass & 0xFF); }
    uint8_t marker() const { return rptSubclass[8]; }
    void setClassAndMarker(uint8_t cls, uint8_t marker) {
        rptClass = cls;
        rptSubclass[8] = marker;
    }
};

struct GdbRoute {
    std::string rteName;
    uint8_t rteAutoName = 0;
    bool hasBox = true;  // rteNoBox 0
    GdbBox box;
    std::vector<GdbRoutePoint> points;  // rtePointCount = points.size()
    // Version 'm' only.
    std::vector<std::string> linkTexts;
    int32_t rteColour = 0;  // low byte: colour index
    size_t dataUsed = 0;    // bytes the parsed fields take (set by the readers)

    uint8_t colourIndex() const { return static_cast<uint8_t>(rteColour & 0xFF); }
};

struct GdbTrackPoint {
    int32_t tptLat = 0, tptLon = 0;
    Altitude alt;
    int32_t tptTime = 0;  // 0: no time (written with flag 0)
    bool hasDepth = false;
    double tptDepth = 0.0;
    bool hasTemperature = false;
    double tptTemperature = 0.0;
};

struct GdbTrack {
    std::string trkName;
    uint8_t trkDisplay = 1;
    int32_t trkColour = 0;  // low byte: colour index
    std::vector<GdbTrackPoint> points;
    size_t dataUsed = 0;  // bytes the parsed fields take (set by the readers)

    uint8_t colourIndex() const { return static_cast<uint8_t>(trkColour & 0xFF); }
};

// --- Readers -------------------------------------------------------------------------------

// Parse the data of one record (the bytes after the type letter).
int parseWaypoint(const uint8_t* data, size_t length, char version, GdbWaypoint& wpt);
int parseRoute(const uint8_t* data, size_t length, char version, GdbRoute& rte);
int parseTrack(const uint8_t* data, size_t length, char version, GdbTrack& trk);
// The same, with each track point handed to `onPoint` as it is read instead of kept in trk.points.
int parseTrack(const uint8_t* data, size_t length, char version, GdbTrack& trk,
               const std::function<void(const GdbTrackPoint&)>& onPoint);

// Read one record from a stream positioned after its type letter; consume exactly its data
// (what there is of it). A negative length consumes nothing.
int readWaypointRecord(ByteStream& in, int32_t length, char version, GdbWaypoint& wpt);
int readRouteRecord(ByteStream& in, int32_t length, char version, GdbRoute& rte);
int readTrackRecord(ByteStream& in, int32_t length, char version, GdbTrack& trk);
// The same with each point handed to onPoint as it is read instead of kept in trk.points.
int readTrackRecord(ByteStream& in, int32_t length, char version, GdbTrack& trk,
                    const std::function<void(const GdbTrackPoint&)>& onPoint);

// Where the class low byte and the marker of a waypoint or route point lie: the name starts at
// `data`; the country string is skipped by its terminator. false when the name, the country or
// the class block does not end inside `length` bytes. On true, `nameLength` excludes the zero byte.
struct ClassBlockPos {
    size_t nameLength = 0;
    size_t classByte = 0;  // offset of the class low byte
    size_t marker = 0;     // offset of the marker
};
bool locateClassBlock(const uint8_t* data, size_t length, ClassBlockPos& pos);

// --- Writers -------------------------------------------------------------------------------

void writeAltitude(ByteStream& out, const Altitude& alt);
void writeBox(ByteStream& out, const GdbBox& box);

void writeWaypointRecord(ByteStream& out, const GdbWaypoint& wpt, char version);
void writeRouteRecord(ByteStream& out, const GdbRoute& rte, char version);
void writeTrackRecord(ByteStream& out, const GdbTrack& trk, char version);

// Pieces of a route record, for writers that stream points: head (name, auto-name, box,
// point count), each point, tail (version 'm': link texts and colour; then the closing byte).
void writeRouteHead(ByteStream& out, const std::string& name, uint8_t autoName, const GdbBox* box, int32_t pointCount);
void writeRoutePoint(ByteStream& out, const GdbRoutePoint& rpt, char version);
void writeRouteTail(ByteStream& out, int32_t colour, char version, std::span<const std::string> linkTexts = {});
// Pieces of a track record.
void writeTrackHead(ByteStream& out, const std::string& name, uint8_t display, int32_t colour, int32_t pointCount);
void writeTrackPoint(ByteStream& out, const GdbTrackPoint& tpt);
void writeTrackTail(ByteStream& out, char version);
// Bytes writeTrackPoint and writeTrackTail write, for a record length known before its points.
inline size_t trackPointSize(const GdbTrackPoint& p) {
    return 4 + 4 + 1 + (p.alt.valid ? 8 : 0) + 1 + (p.tptTime != 0 ? 4 : 0) + 1 + (p.hasDepth ? 8 : 0) + 1 +
           (p.hasTemperature ? 8 : 0);
}
inline size_t trackTailSize(char version) { return version == kGdbVersion3 ? 4 : 1; }

}  // namespace trakor
