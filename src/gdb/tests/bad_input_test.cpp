// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged GDB data: every reader of this folder gives a defined result and stays inside the data
// (run under the sanitizer build to see any overrun).
#include <gtest/gtest.h>

#include <random>

#include "gdb/down_convert.h"
#include "gdb/header_scan.h"
#include "testsupport/gdb_image.h"

namespace trakor {
namespace {

using Bytes = std::vector<uint8_t>;
using test::GdbImage;

Bytes sampleImage(uint8_t version) {
    GdbImage image(version);
    image.waypoint("A", 0, kMarkerNormal, 1, 2).waypoint(":7", 8, kMarkerVia, 3, 4);
    GdbRoute r;
    r.rteName = "R";
    GdbRoutePoint p;
    p.rptName = "A";
    p.links = {{1, 2, {true, 5.0}}, {3, 4, {}}};
    p.hasBox = true;
    r.points = {p, p};
    r.points[1].links.clear();
    r.points[1].hasBox = false;
    image.route(r);
    GdbTrack t;
    t.trkName = "T";
    t.points = {{1, 2, {true, 1.0}, 10}, {2, 3, {}, 0}};
    image.track(t).end();
    return image.bytes();
}

// Every reader over one image; none may crash or read outside it.
void readEverything(const Bytes& image, uint8_t version) {
    Context ctx;
    HeaderScanResult scan;
    MemoryStream in(image);
    if (scanHeader(ctx, in, scan) == 0) {
        EXPECT_EQ(in.tell(), 0);
        EXPECT_GE(ctx.run.nextWaypointNumber, 1);
    }
    size_t pos = std::min(image.size(), static_cast<size_t>(scan.headerLength > 0 ? scan.headerLength : 13));
    RecordView rec;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        // Exact-size copies, so an overrun shows under the sanitizer.
        Bytes data(rec.data, rec.data + rec.length);
        GdbWaypoint w;
        GdbRoute r;
        GdbTrack t;
        ClassBlockPos block;
        parseWaypoint(data.data(), data.size(), 'm', w);
        parseRoute(data.data(), data.size(), 'm', r);
        parseTrack(data.data(), data.size(), 'm', t);
        if (locateClassBlock(data.data(), data.size(), block)) {
            EXPECT_LT(block.marker, data.size());
        }
    }
    MemoryStream later(image);
    MemoryStream out;
    EXPECT_EQ(downConvertStream(later, version, out), 0);
    // When the input's header is whole, the copy frames its records and ends with an end record.
    GdbHeader h;
    MemoryStream inHeader(image);
    MemoryStream back(out.bytes());
    if (readFileHeader(inHeader, h) == 0) {
        ASSERT_EQ(readFileHeader(back, h), 0);
        size_t p = static_cast<size_t>(h.length);
        char last = 0;
        while (nextRecord(out.bytes().data(), out.bytes().size(), p, rec)) last = rec.type;
        EXPECT_EQ(last, 'V');

    }
}

TEST(BadInput, RandomlyDamagedImages) {
    std::mt19937 rng(20261207);
    for (uint8_t version : {uint8_t('m'), kGdbLater84, kGdbLaterS}) {
        const Bytes good = sampleImage(version);
        for (int round = 0; round < 400; ++round) {
            Bytes bad = good;
            int edits = 1 + static_cast<int>(rng() % 4);
            for (int e = 0; e < edits; ++e) {
                size_t at = rng() % bad.size();
                switch (rng() % 4) {
                    case 0: bad[at] = static_cast<uint8_t>(rng()); break;         // any byte
                    case 1: bad[at] = (rng() & 1) ? 0xFF : 0x00; break;           // lengths and flags
                    case 2: bad.resize(at); break;                                 // cut short
                    default: bad.insert(bad.begin() + at, static_cast<uint8_t>(rng())); break;
                }
                if (bad.empty()) bad.push_back('M');
            }
            readEverything(bad, version);
        }
    }
}

// Strings that never end: the scan ignores the record, the copier stops inside the record.
TEST(BadInput, StringsWithoutTerminator) {
    GdbImage image('m');
    image.raw({6, 0, 0, 0, 'W', 'a', 'b', 'c', 'd', 'e', 'f'}).raw({4, 0, 0, 0, 'R', '!', 'x', 'y', 'z'});
    image.waypoint("Next").route("Route").end();
    Context ctx;
    HeaderScanResult scan;
    MemoryStream in = image.stream();
    ASSERT_EQ(scanHeader(ctx, in, scan), 0);
    ASSERT_EQ(ctx.waypointIndex.rows.size(), 1u);
    EXPECT_EQ(ctx.waypointIndex.rows[0].name, "Next");
    EXPECT_EQ(ctx.routeNameIndex.names, std::vector<std::string>{"Route"});
    EXPECT_EQ(ctx.run.savedRouteMarker, 0);

    // A route whose name runs to the end of its record is copied within that record.
    MemoryStream later = image.stream();
    MemoryStream out;
    downConvertStream(later, 'm', out);
    size_t pos = static_cast<size_t>(image.headerLength);
    RecordView rec;
    std::string types;
    while (nextRecord(out.bytes().data(), out.bytes().size(), pos, rec)) types += rec.type;
    EXPECT_EQ(types, "WRWRV");
    EXPECT_EQ(pos, out.bytes().size());
}

}  // namespace
}  // namespace trakor
