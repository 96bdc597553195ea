// SPDX-License-Identifier: GPL-3.0-or-later
// Test helpers for the GDB conversions: small GDB images, a context to run them in, and the
// records of an output read back.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "convert/gdb_pass.h"
#include "convert/via_points.h"
#include "core/context.h"
#include "gdb/file_header.h"
#include "gdb/header_scan.h"
#include "gdb/records.h"
#include "testsupport/gdb_image.h"
#include "testsupport/testsupport.h"

namespace trakor::test {

inline int32_t deg(double d) { return degreesToSemicircles(d); }

// One record of an output file, parsed by the shared record readers.
struct OutRecord {
    char type = 0;
    std::vector<uint8_t> data;
    GdbWaypoint wpt;
    GdbRoute rte;
    GdbTrack trk;
    std::string name() const {
        return type == 'W' ? wpt.wptName : type == 'R' ? rte.rteName : type == 'T' ? trk.trkName : std::string();
    }
};

inline std::vector<OutRecord> readRecords(const std::vector<uint8_t>& image, char version) {
    std::vector<OutRecord> out;
    MemoryStream in(image.data(), image.size());
    GdbHeader header;
    if (readFileHeader(in, header) != 0) return out;
    size_t pos = static_cast<size_t>(header.length);
    RecordView rec;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        OutRecord r;
        r.type = rec.type;
        r.data.assign(rec.data, rec.data + rec.length);
        if (rec.type == 'W') {
            EXPECT_EQ(parseWaypoint(rec.data, rec.length, version, r.wpt), kRecordOk);
        } else if (rec.type == 'R') {
            EXPECT_EQ(parseRoute(rec.data, rec.length, version, r.rte), kRecordOk);
        } else if (rec.type == 'T') {
            EXPECT_EQ(parseTrack(rec.data, rec.length, version, r.trk), kRecordOk);
        }
        out.push_back(std::move(r));
    }
    return out;
}

// Types and names of the records, e.g. "W:3 R:Tour V:".
inline std::string outline(const std::vector<OutRecord>& recs) {
    std::string s;
    for (const OutRecord& r : recs) s += std::string(s.empty() ? "" : " ") + r.type + ":" + r.name();
    return s;
}

// A route point of a test route: its waypoint name, class byte, marker and position in degrees.
struct RoutePointSpec {
    std::string name;
    uint8_t cls = 0;
    uint8_t marker = kMarkerNormal;
    double lat = 0, lon = 0;
};

// A calculated route: each leg runs from one route point to the next through `shape` evenly
// spaced link points; the last route point has no links.
inline GdbRoute calculatedRoute(const std::string& name, const std::vector<RoutePointSpec>& pts, int shape = 0,
                                int32_t colour = 0) {
    GdbRoute r;
    r.rteName = name;
    r.rteColour = colour;
    for (size_t k = 0; k < pts.size(); ++k) {
        GdbRoutePoint p;
        p.rptName = pts[k].name;
        p.setClassAndMarker(pts[k].cls, pts[k].marker);
        if (k + 1 < pts.size()) {
            for (int s = 0; s <= shape + 1; ++s) {
                double f = static_cast<double>(s) / (shape + 1);
                GdbLinkPoint lp;
                lp.lat = deg(pts[k].lat + f * (pts[k + 1].lat - pts[k].lat));
                lp.lon = deg(pts[k].lon + f * (pts[k + 1].lon - pts[k].lon));
                lp.alt = {true, 100.0 + s};
                p.links.push_back(lp);
            }
            p.hasBox = true;
            const GdbLinkPoint& a = p.links.front();
            const GdbLinkPoint& b = p.links.back();
            p.box = {std::max(a.lat, b.lat), std::max(a.lon, b.lon), 101.0 + shape,
                     std::min(a.lat, b.lat), std::min(a.lon, b.lon), 100.0};
        }
        r.points.push_back(std::move(p));
    }
    return r;
}

// A track of n points along a line from (lat, lon), one step of `step` degrees north each.
inline GdbTrack straightTrack(const std::string& name, int n, double lat = 50.0, double lon = 8.0,
                              double step = 0.001, int32_t colour = 3) {
    GdbTrack t;
    t.trkName = name;
    t.trkColour = colour;
    for (int i = 0; i < n; ++i) {
        GdbTrackPoint p;
        p.tptLat = deg(lat + i * step);
        p.tptLon = deg(lon + (i % 2) * step * 0.3);  // a zigzag, so that no point lies on a straight line
        p.alt = {i % 3 != 0, 200.0 + i};
        p.tptTime = 1600000000 + i * 10;
        t.points.push_back(p);
    }
    return t;
}

// A context as the driver prepares it for a GDB pass.
struct PassRun {
    Context ctx;
    RecordingNotifier notes;
    PassRun() {
        ctx.notifier = &notes;
        ctx.settings.RemovalDistance = 0;
        ctx.run.splitValue = ctx.settings.Splitlen_t;
        ctx.run.filterValue = ctx.settings.Filtersize_t;
    }

    // Scans the image's header, runs the pass with `option`, returns the output image.
    std::vector<uint8_t> run(const std::vector<uint8_t>& input, int option) {
        ctx.settings.Mode = option;
        ctx.run.savedRouteMarker = ctx.settings.SaveRoute;
        MemoryStream in(input);
        int32_t headerLength = 0;
        EXPECT_EQ(scanForGdbPass(ctx, in, headerLength), 0);
        version = ctx.run.outputVersion;
        MemoryStream out;
        if (option == 3 || option == 4)
            EXPECT_EQ(viaPointVisibilityPass(ctx, in, out), 0);
        else
            convertGdbFile(ctx, in, out, headerLength);
        return out.bytes();
    }

    std::vector<OutRecord> records(const std::vector<uint8_t>& input, int option) {
        std::vector<uint8_t> out = run(input, option);
        return readRecords(out, version);
    }

    char version = 'm';
};

}  // namespace trakor::test
