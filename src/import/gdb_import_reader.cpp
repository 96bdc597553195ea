// SPDX-License-Identifier: GPL-3.0-or-later
// A GDB file on the import path: its routes and tracks are read as tracks, its user waypoints
// are copied under numbered names.
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/waypoint_details.h"
#include "import/reader.h"

namespace trakor {

namespace {

// A waypoint of a version 1 or 2 file in the layout of version 3, which the output has: its
// fields are kept with their texts in UTF-8, the ones version 3 adds are empty. false when the
// record does not read whole.
bool toVersion3(const RecordView& rec, char version, GdbWaypoint& w) {
    if (parseWaypoint(rec.data, static_cast<size_t>(rec.length), version, w) != kRecordOk) return false;
    waypointTextsForVersion3(w);
    WaypointDetails old;
    size_t used = 0;
    MemoryStream details;
    // Details that do not read in their layout give way to the empty ones the writer puts.
    if (parseWaypointDetails(w.trailing.data(), w.trailing.size(), version, old, used))
        writeWaypointDetails(details, detailsForVersion3(old), kGdbVersion3);
    w.trailing = std::move(details.bytes());
    return true;
}

// Copies a waypoint record under the name "%s-%u"; the rest of its data stays as it was, in the
// layout of version 3.
void copyRenamedWaypoint(Context& ctx, ImportJob& job, const RecordView& rec, char version) {
    ClassBlockPos pos;
    if (!locateClassBlock(rec.data, static_cast<size_t>(rec.length), pos)) return;
    if (rec.data[pos.classByte] != 0) return;  // only user waypoints
    GdbWaypoint w;
    if (version != kGdbVersion3 && !toVersion3(rec, version, w)) return;
    ++ctx.run.waypointCount;
    ByteStream& out = job.output;
    if (version != kGdbVersion3) {
        w.wptName = numberedName(w.wptName, static_cast<uint32_t>(ctx.run.waypointCount));
        writeWaypointRecord(out, w, kGdbVersion3);
        return;
    }
    const std::string name(reinterpret_cast<const char*>(rec.data), pos.nameLength);
    beginRecord(out, 'W');
    writeString(numberedName(name, static_cast<uint32_t>(ctx.run.waypointCount)), out);
    out.write(rec.data + pos.nameLength + 1, static_cast<size_t>(rec.length) - pos.nameLength - 1);
    endRecord(recordDataLength(out), out);
}

void readTrack(Context& ctx, ImportJob& job, const RecordView& rec, char version) {
    GdbTrack trk;
    parseTrack(rec.data, static_cast<size_t>(rec.length), version, trk);  // a cut record keeps what was read
    PointStore& s = ctx.store;
    s.count = 0;
    ctx.run.displayColor = trk.colourIndex();
    for (const GdbTrackPoint& p : trk.points)
        s.addPoint(ctx.run, p.tptLat, p.tptLon, p.alt.valid ? p.alt.metres : 0.0, p.alt.valid ? 1 : 0, 0, p.tptTime);
    finishImportedTrack(ctx, job, version == kGdbVersion3 ? trk.trkName : version3Text(trk.trkName));
}

void readRouteAsTrack(Context& ctx, ImportJob& job, const RecordView& rec, char version) {
    GdbRoute rte;
    parseRoute(rec.data, static_cast<size_t>(rec.length), version, rte);
    PointStore& s = ctx.store;
    s.count = 0;
    for (const GdbRoutePoint& rp : rte.points)
        for (const GdbLinkPoint& lp : rp.links)
            s.addPoint(ctx.run, lp.lat, lp.lon, lp.alt.valid ? lp.alt.metres : 0.0, lp.alt.valid ? 1 : 0, 0, 0);
    uint8_t colour = version == kGdbVersion3 ? rte.colourIndex() : 0;
    ctx.run.displayColor = colour != 0 ? colour : 14;
    finishImportedTrack(ctx, job, version == kGdbVersion3 ? rte.rteName : version3Text(rte.rteName));
}

}  // namespace

int readGdbForImport(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length <= kVersionOffset) return kReadInvalid;
    const char version = static_cast<char>(bytes[kVersionOffset]);
    if (!isReadableVersion(version)) return kReadInvalid;

    size_t pos = 0;
    RecordView rec;
    // A header that breaks off (its creator name without its end among them): cut before any record.
    if (!firstDataRecord(bytes, length, pos) || pos > length) {
        ctx.run.cutNote = "the rest of its header";
        return kReadNothing;
    }

    bool emitted = false;
    bool ended = false;
    while (pos < length && nextRecord(bytes, length, pos, rec)) {
        if (rec.type == 'V') {
            ended = true;
            break;
        }
        if (rec.type == 'W') {
            copyRenamedWaypoint(ctx, job, rec, version);
        } else if (rec.type == 'T') {
            readTrack(ctx, job, rec, version);
            emitted = true;
        } else if (rec.type == 'R' && routesReadAsTracks(ctx)) {
            readRouteAsTrack(ctx, job, rec, version);
            emitted = true;
        }
    }
    // Bytes left that make no whole record: the file was cut inside one; none left and no end
    // record: it was cut between two.
    if (!ended && pos < length) ctx.run.cutNote = cutRecordNote(length - pos > 4 ? static_cast<char>(bytes[pos + 4]) : 0);
    if (!ended && pos >= length) ctx.run.cutNote = "its end record (it breaks off between two records)";
    return emitted ? kReadDone : kReadNothing;
}

}  // namespace trakor
