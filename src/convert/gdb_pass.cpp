// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/gdb_pass.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "convert/convert_texts.h"
#include "convert/route_reader.h"
#include "convert/route_writer.h"
#include "convert/track_reader.h"
#include "convert/track_writer.h"
#include "convert/via_points.h"
#include "core/context.h"
#include "gdb/file_header.h"
#include "gdb/header_scan.h"
#include "gdb/records.h"

namespace trakor {

namespace {

// Longest route or track name taken over into the names of results; longer names are cut,
// so that prefixes and part numbers always fit the string limit of GDB readers.
constexpr size_t kMaxBaseName = 255;
// Highest generated point number.
constexpr int64_t kMaxPointNumber = 99999;

bool routeOption(int option) { return option >= 11 && option <= 15; }
bool trackOption(int option) { return option >= 21 && option <= 24; }

// Loads the record data; false when the stream ends before `length` bytes. Reads in steps, so
// that a huge length in a small file allocates no more than the file holds.
bool loadRecord(ByteStream& in, int32_t length, std::vector<uint8_t>& data) {
    const size_t want = length > 0 ? static_cast<size_t>(length) : 0;
    data.clear();
    while (data.size() < want) {
        const size_t have = data.size();
        const size_t step = std::min<size_t>(want - have, 1 << 16);
        data.resize(have + step);
        const size_t got = in.read(data.data() + have, step);
        data.resize(have + got);
        if (got < step) return false;
    }
    return true;
}

// A record whose data are known: its length first, no seek back.
void writeRecord(ByteStream& out, char type, std::string_view prefix, const std::vector<uint8_t>& data) {
    writeInt32(out, static_cast<int32_t>(prefix.size() + data.size()));
    writeU8(out, static_cast<uint8_t>(type));
    out.write(prefix.data(), prefix.size());
    out.write(data.data(), data.size());
}

// The record's leading name (without its zero byte); empty when the data hold no terminator.
std::string recordName(const std::vector<uint8_t>& data, size_t* terminator = nullptr) {
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] != 0) continue;
        if (terminator) *terminator = i;
        return std::string(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (terminator) *terminator = data.size();
    return {};
}

std::string baseName(const std::string& name) { return name.size() > kMaxBaseName ? name.substr(0, kMaxBaseName) : name; }

int countParts(const PointStore& s) {
    int n = 0;
    for (int32_t i = 0; i < s.count; ++i) n += s.partMark[i] == 0 ? 1 : 0;
    return n;
}

// Whether the store's points still fit below the highest point number; if not, the record is
// skipped with the information text (or gathered for the run's summary).
bool fitsPointNumbers(Context& ctx, const std::string& name, bool route) {
    if (ctx.store.count + static_cast<int64_t>(ctx.run.nextWaypointNumber) <= kMaxPointNumber) return true;
    if (!ctx.run.noteLeftOut(name, route, LeftOutReason::PointNumbers))
        ctx.run.setInfo(1, formatText(ctx, texts::kOver99999, name.c_str()));
    return false;
}

// A route or track cut at the point store's capacity while read: gathered for the run's summary
// instead of the information text shown after the record, when the run gathers them.
void noteCut(Context& ctx, bool route) {
    if (!std::exchange(ctx.run.cutAtCapacity, false)) return;
    if (ctx.run.infoText == kPointLimitText && ctx.run.noteLeftOut(baseName(ctx.store.name), route, LeftOutReason::Truncated))
        ctx.run.clearInfo();
}

// A copy kept under `Save Route`: "!" before the name, auto-name flag 0.
void writeKeptRoute(ByteStream& out, std::vector<uint8_t> data) {
    size_t terminator = 0;
    recordName(data, &terminator);
    if (terminator + 1 < data.size()) data[terminator + 1] = 0;
    writeRecord(out, 'R', "!", data);
}

void convertRoute(Context& ctx, ByteStream& out, std::vector<uint8_t>& data, int option) {
    if (routeOption(option)) {
        const std::string name = recordName(data);
        if (!name.empty() && name[0] == '!') {
            if (ctx.settings.SaveRoute == 1)
                writeKeptRoute(out, data);
            else
                writeRecord(out, 'R', "", data);
            return;
        }
        if (ctx.settings.SaveRoute == 1) writeKeptRoute(out, data);
    }
    ++ctx.run.routeCounter;
    if (option == 1 || option == 2) {
        rewriteRouteLinks(ctx, data, option);
        writeRecord(out, 'R', "", data);
        return;
    }
    if (!routeOption(option)) {
        writeRecord(out, 'R', "", data);
        return;
    }
    MemoryStream in(data.data(), data.size());
    ctx.run.cutAtCapacity = false;
    readGdbRoute(ctx, in, static_cast<int32_t>(data.size()), option);
    const int kept = removeGlitchesAndSplitRoute(ctx, option);
    noteCut(ctx, true);
    if (kept != 0) return;
    PointStore& s = ctx.store;
    const std::string name = baseName(s.name);
    if (!fitsPointNumbers(ctx, name, true)) {
        // Counted as not converted, as the import path counts it.
        ++ctx.run.routeFailures;
        ctx.run.nextWaypointNumber += s.count;
        return;
    }
    if (option == 15) {
        writeRoutePart(ctx, out, 1, name, 15);
    } else {
        const int n = countParts(s);
        for (int d = 1; d <= n; ++d) {
            if (option == 11 || option == 12)
                writeTrackPart(ctx, out, partName(ctx, name, d, n), d);
            else
                writeRoutePart(ctx, out, d, partName(ctx, name, d, n), option);
        }
    }
    ctx.run.nextWaypointNumber += s.count;
}

void convertTrack(Context& ctx, ByteStream& out, std::vector<uint8_t>& data, int option) {
    const std::string name = recordName(data);
    if (trackOption(option)) {
        if (!name.empty() && name[0] == '!') {
            writeRecord(out, 'T', ctx.settings.SaveTrack == 1 ? "!" : "", data);
            return;
        }
        if (ctx.settings.SaveTrack == 1) writeRecord(out, 'T', ctx.routeNameIndex.contains(name) ? "!*" : "!", data);
    }
    ++ctx.run.trackCounter;
    if (!trackOption(option)) {
        writeRecord(out, 'T', ctx.routeNameIndex.contains(name) ? "*" : "", data);
        return;
    }
    MemoryStream in(data.data(), data.size());
    ctx.run.cutAtCapacity = false;
    readGdbTrack(ctx, in, static_cast<int32_t>(data.size()));
    const int kept = removeGlitchesAndSplitTrack(ctx, option);
    noteCut(ctx, false);
    if (kept != 0) return;
    PointStore& s = ctx.store;
    std::string current = baseName(s.name);
    if (option == 24) {
        const int n = countParts(s);
        for (int d = 1; d <= n; ++d) writeTrackPart(ctx, out, partName(ctx, current, d, n), d);
        ctx.run.nextWaypointNumber += s.count;
        return;
    }
    if (!fitsPointNumbers(ctx, current, false)) {
        ++ctx.run.trackFailures;
        if (option == 23) ctx.run.nextWaypointNumber += s.count;
        return;
    }
    if (option == 23) {
        writeRoutePart(ctx, out, 1, !current.empty() && current[0] == '#' ? current : "#" + current, 23);
    } else {
        const int n = countParts(s);
        for (int d = 1; d <= n; ++d) {
            // A route made from a track never takes the name of a route of the input.
            if (ctx.routeNameIndex.contains(current)) current.insert(current.begin(), '*');
            writeRoutePart(ctx, out, d, partName(ctx, current, d, n), option);
        }
    }
    ctx.run.nextWaypointNumber += s.count;
}

void convertWaypoint(Context& ctx, ByteStream& out, std::vector<uint8_t>& data, int option) {
    if (option == 1 || option == 2) {
        rewriteWaypoint(ctx, data, option);
    } else if (routeOption(option)) {
        ClassBlockPos pos;
        if (locateClassBlock(data.data(), data.size(), pos)) {
            const uint8_t cls = data[pos.classByte];
            if (ctx.run.savedRouteMarker != 1) {
                // Waypoints of route points are written by the route writer where a route needs them.
                if (cls != 0) return;
            } else if (!isInvisibleMarker(data[pos.marker]) && cls != 0) {
                GdbWaypoint w;
                parseWaypoint(data.data(), data.size(), ctx.run.outputVersion, w);
                if (w.symbolOffset > 0 && static_cast<size_t>(w.symbolOffset) + 2 <= data.size()) {
                    data[w.symbolOffset] = static_cast<uint8_t>(ctx.settings.WaypointSymbol & 0xFF);
                    data[w.symbolOffset + 1] = static_cast<uint8_t>((ctx.settings.WaypointSymbol >> 8) & 0xFF);
                }
            }
        }
    }
    writeRecord(out, 'W', "", data);
}

}  // namespace

std::string partName(const Context& ctx, std::string_view name, int d, int n) {
    std::string out(name);
    if (ctx.settings.Split != 1) return out;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, n > 9 ? "#%02d" : "#%d", d);
    return out + suffix;
}

char convertGdbRecord(Context& ctx, ByteStream& in, ByteStream& out) {
    ctx.run.clearInfo();
    char type = 0;
    const int32_t length = readRecordFrame(in, type);
    std::vector<uint8_t> data;
    if (length <= 0 || !loadRecord(in, length, data)) {
        if (length > 0) ctx.run.cutNote = cutRecordNote(type);
        // End of usable data without an end record: close the output properly.
        writeEndRecord(out);
        return 'V';
    }
    const int option = ctx.settings.Mode;
    switch (type) {
        case 'R': convertRoute(ctx, out, data, option); break;
        case 'T': convertTrack(ctx, out, data, option); break;
        case 'W': convertWaypoint(ctx, out, data, option); break;
        default: writeRecord(out, type, "", data); break;
    }
    // A "1" record ends the pass like the end record, which the output then still needs.
    if (type == '1') writeEndRecord(out);
    return type;
}

int scanForGdbPass(Context& ctx, ByteStream& in, int32_t& headerLength) {
    // The saved-route marker as preset from `Save Route`: the scan only ever adds to it.
    const bool keepWaypoints = ctx.run.savedRouteMarker == 1;
    HeaderScanResult scan;
    if (scanHeader(ctx, in, scan) != 0) return 1;
    headerLength = scan.headerLength;
    if (keepWaypoints && ctx.run.savedRouteMarker != 1) {
        ctx.run.savedRouteMarker = 1;
        for (WaypointRow& row : ctx.waypointIndex.rows) row.inOutput = 1;
    }
    return 0;
}

int32_t convertGdbFile(Context& ctx, ByteStream& in, ByteStream& out, int32_t headerLength) {
    in.seek(0);
    copyBytes(headerLength, &out, in);
    const int64_t total = in.size();
    int32_t records = 0;
    for (;;) {
        const char type = convertGdbRecord(ctx, in, out);
        ++records;
        if (ctx.run.infoFlag == 1 || ctx.run.infoFlag == 2) tellLiteral(ctx, "Info", ctx.run.infoText, MsgStyle::Warning);
        if (ctx.progress) ctx.progress(static_cast<int>(in.tell() * 100 / (total > 0 ? total : 1)), 100);
        if (type == 'V' || type == '1') break;
    }
    return records;
}

}  // namespace trakor
