// SPDX-License-Identifier: GPL-3.0-or-later
// Clipboard images for the tests: GDB images built with the record writers or read from the
// corpus, and the records of a converted image.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "clipboard/clipboard_pass.h"
#include "core/context.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "testsupport/gdb_image.h"
#include "testsupport/testsupport.h"

namespace trakor::test {

// A track of n points running north, 0.001 degrees (about 111 m) apart, with altitudes and times.
inline GdbTrack northTrack(const std::string& name, int n, int32_t startLat = 0, int32_t lon = 100000) {
    GdbTrack t;
    t.trkName = name;
    t.trkColour = 5;
    for (int i = 0; i < n; ++i) {
        GdbTrackPoint p;
        p.tptLat = startLat + i * 11930;
        p.tptLon = lon;
        p.alt = {true, 100.0 + i};
        p.tptTime = 1200000000 + i;
        t.points.push_back(p);
    }
    return t;
}

// A route point of a calculated route with the given link points.
inline GdbRoutePoint routePoint(const std::string& name, std::vector<GdbLinkPoint> links, uint8_t marker = kMarkerVia) {
    GdbRoutePoint p;
    p.rptName = name;
    p.setClassAndMarker(marker == kMarkerNormal ? 0 : kClassRoutePoint, marker);
    p.links = std::move(links);
    p.hasBox = !p.links.empty();
    if (p.hasBox) p.box = boxOver(p.links);
    return p;
}

// The records of a converted image, after its header.
struct ImageRecords {
    GdbHeader header;
    std::vector<RecordView> records;
    std::vector<GdbWaypoint> waypoints;
    std::vector<GdbRoute> routes;
    std::vector<GdbTrack> tracks;
    bool endRecord = false;  // the last record is the standard end record
};

inline ImageRecords readImage(const std::vector<uint8_t>& image) {
    ImageRecords r;
    MemoryStream in(image.data(), image.size());
    EXPECT_EQ(readFileHeader(in, r.header), 0);
    const char version = static_cast<char>(r.header.version);
    size_t pos = static_cast<size_t>(r.header.length);
    RecordView rec;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        r.records.push_back(rec);
        const size_t n = static_cast<size_t>(rec.length);
        if (rec.type == 'W') {
            r.waypoints.emplace_back();
            EXPECT_EQ(parseWaypoint(rec.data, n, version, r.waypoints.back()), kRecordOk);
        } else if (rec.type == 'R') {
            r.routes.emplace_back();
            EXPECT_EQ(parseRoute(rec.data, n, version, r.routes.back()), kRecordOk);
        } else if (rec.type == 'T') {
            r.tracks.emplace_back();
            EXPECT_EQ(parseTrack(rec.data, n, version, r.tracks.back()), kRecordOk);
        }
    }
    r.endRecord = !r.records.empty() && r.records.back().type == 'V' && r.records.back().length == 2 &&
                  r.records.back().data[0] == 0 && r.records.back().data[1] == 1 && pos == image.size();
    return r;
}

// A context with a recording notifier and the settings of a first portable start.
struct ClipboardTest : ::testing::Test {
    ClipboardTest() { ctx.notifier = &notes; }

    int convert(const std::vector<uint8_t>& image, int destination = kDestinationClipboard) {
        out = MemoryStream();
        counters = ClipboardCounters{};
        dest = destination;
        return convertClipboardImage(ctx, image, dest, counters, out);
    }
    ImageRecords result() { return readImage(out.bytes()); }

    Context ctx;
    RecordingNotifier notes;
    MemoryStream out;
    ClipboardCounters counters;
    int dest = kDestinationClipboard;
};

}  // namespace trakor::test
