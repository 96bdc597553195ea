// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "gdb/down_convert.h"
#include "gdb/header_scan.h"
#include "testsupport/gdb_image.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

using Bytes = std::vector<uint8_t>;
using test::GdbImage;

Bytes convert(const Bytes& input, uint8_t version) {
    MemoryStream in(input);
    MemoryStream out;
    EXPECT_EQ(downConvertStream(in, version, out), 0);
    return out.bytes();
}

// The same waypoints, routes and tracks in any version.
void fill(GdbImage& image) {
    GdbWaypoint w;
    w.wptName = "Start";
    w.wptLat = 123456;
    w.wptLon = -654321;
    w.wptAltitude = {true, 88.0};
    w.wptComment = "first";
    image.waypoint(w).waypoint(":2", 8, kMarkerVia, 5, 6);

    GdbRoute r;
    r.rteName = "Tour";
    r.rteAutoName = 1;
    r.rteColour = 3;
    r.linkTexts = {"a link"};
    GdbRoutePoint a, b;
    a.rptName = "Start";
    a.links = {{1, 2, {true, 7.5}}, {3, 4, {}}, {5, 6, {}}};
    a.hasBox = true;
    a.box = test::boxOver(a.links);
    b.rptName = ":2";
    b.setClassAndMarker(8, kMarkerVia);
    // A set flag in the first fixed byte: eight more bytes follow, and are copied too.
    b.fixed19[0] = 1;
    b.extra = {1, 2, 3, 4, 5, 6, 7, 8};
    r.points = {a, b};
    r.box = a.box;
    image.route(r);

    GdbTrack t;
    t.trkName = "Hike";
    t.trkColour = 4;
    t.points = {{10, 20, {true, 1.0}, 1000}, {11, 21, {}, 0, true, 2.5, true, 18.0}, {12, 22, {}, 1002}};
    image.track(t);
    image.end();
}

TEST(DownConvert, LaterVersionsGiveTheVersion3File) {
    GdbImage v3('m');
    fill(v3);
    for (uint8_t version : {kGdbLaterS, kGdbLater84, kGdbLater8A}) {
        GdbImage later(version);
        fill(later);
        ASSERT_GT(later.bytes().size(), v3.bytes().size());
        EXPECT_EQ(convert(later.bytes(), version), v3.bytes()) << int(version);
    }
}

TEST(DownConvert, HeaderIsCopiedWithVersionM) {
    GdbImage later(kGdbLaterS, "BaseCamp");
    later.end();
    Bytes out = convert(later.bytes(), kGdbLaterS);
    ASSERT_EQ(out.size(), later.bytes().size());
    EXPECT_EQ(out[kVersionOffset], 'm');
    Bytes in = later.bytes();
    in[kVersionOffset] = 'm';
    EXPECT_EQ(out, in);
}

TEST(DownConvert, WaypointLosesItsLastBytes) {
    Bytes record = {60, 0, 0, 0, 'W'};
    for (int i = 0; i < 60; ++i) record.push_back(static_cast<uint8_t>(i + 1));
    GdbImage later(kGdbLaterS);
    later.raw(record).end();
    Bytes out = convert(later.bytes(), kGdbLaterS);
    size_t at = static_cast<size_t>(later.headerLength);
    EXPECT_EQ(out[at], 57);
    EXPECT_EQ(out[at + 4], 'W');
    EXPECT_EQ(Bytes(out.begin() + at + 5, out.begin() + at + 62), Bytes(record.begin() + 5, record.begin() + 62));
    EXPECT_EQ(out.size(), at + 62 + 7);
}

TEST(DownConvert, BoxFlagsAndUnknownRecords) {
    // A route whose no-box flag is 5, with a point without link points whose leg box is present.
    Bytes route = {'R', 'x', 0, 0, 5, 1, 0, 0, 0};
    route.insert(route.end(), {'P', 0, 0, 0, 0, 0, 0});
    auto sub = subclassTemplate();
    route.insert(route.end(), sub.begin(), sub.end());
    route.insert(route.end(), 19, 0);
    route.insert(route.end(), {0, 0, 0, 0, 0});  // no link points; leg box present
    Bytes box = {1, 0, 0, 0, 2, 0, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0};
    route.insert(route.end(), box.begin(), box.end());
    route.insert(route.end(), 10, 0xFF);
    route.insert(route.end(), 5, 0xEE);  // extra bytes of 0x73
    route.insert(route.end(), {0, 0, 0, 0, 9, 0, 0, 0, 7, 7});
    Bytes framed = {static_cast<uint8_t>(route.size() - 1), 0, 0, 0};
    framed.insert(framed.end(), route.begin(), route.end());

    GdbTrack t;
    t.trkName = "T";
    t.points = {{1, 1, {}, 0}};
    GdbImage later(kGdbLaterS);
    later.raw(framed).track(t).raw({3, 0, 0, 0, 'L', 1, 2, 3}).track(t).end();
    Bytes out = convert(later.bytes(), kGdbLaterS);

    MemoryStream in(out);
    Context ctx;
    HeaderScanResult scan;
    ASSERT_EQ(scanHeader(ctx, in, scan), 0);
    size_t pos = static_cast<size_t>(scan.headerLength);
    RecordView rec;
    std::string types;
    while (nextRecord(out.data(), out.size(), pos, rec)) {
        types += rec.type;
        if (rec.type == 'R') {
            EXPECT_EQ(rec.data[3], 1);  // the no-box flag 5 became 1, no box follows
            GdbRoute r;
            ASSERT_EQ(parseRoute(rec.data, static_cast<size_t>(rec.length), 'm', r), kRecordOk);
            EXPECT_FALSE(r.hasBox);
            ASSERT_EQ(r.points.size(), 1u);
            EXPECT_TRUE(r.points[0].links.empty());
            EXPECT_TRUE(r.points[0].hasBox);
            EXPECT_EQ(r.points[0].box.minLon, 4);
            EXPECT_EQ(r.colourIndex(), 9);
            // The two closing bytes are written as zeros.
            EXPECT_EQ(rec.data[rec.length - 1], 0);
            EXPECT_EQ(rec.data[rec.length - 2], 0);
        }
    }
    EXPECT_EQ(types, "RTTV");
    EXPECT_EQ(pos, out.size());
}

TEST(DownConvert, TrackPointsOf84LoseFourBytesEach) {
    GdbTrack t;
    t.trkName = "Long";
    for (int i = 0; i < 25; ++i) t.points.push_back({i, -i, {}, i * 10});
    GdbImage later(kGdbLater84);
    later.track(t).end();
    GdbImage v3('m');
    v3.track(t).end();
    Bytes out = convert(later.bytes(), kGdbLater84);
    size_t at = static_cast<size_t>(later.headerLength);
    int32_t inLen = 0, outLen = 0;
    std::memcpy(&inLen, &later.bytes()[at], 4);
    std::memcpy(&outLen, &out[at], 4);
    EXPECT_EQ(inLen - outLen, 25 * 4);
    EXPECT_EQ(out, v3.bytes());
}

// Cut or damaged inputs: the output's records always frame correctly and end with an end record.
TEST(DownConvert, DamagedInputsGiveWellFramedOutput) {
    GdbImage later(kGdbLater8A);
    fill(later);
    const Bytes& full = later.bytes();
    for (size_t n = static_cast<size_t>(later.headerLength); n < full.size(); ++n) {
        Bytes cut(full.begin(), full.begin() + n);
        Bytes out = convert(cut, kGdbLater8A);
        size_t pos = static_cast<size_t>(later.headerLength);
        RecordView rec;
        char last = 0;
        while (nextRecord(out.data(), out.size(), pos, rec)) {
            last = rec.type;
            if (rec.type == 'R') {
                GdbRoute r;
                parseRoute(rec.data, static_cast<size_t>(rec.length), 'm', r);
            }
        }
        ASSERT_EQ(pos, out.size()) << n;
        ASSERT_EQ(last, 'V') << n;
    }

    // Lengths that are negative or too short for what they must drop.
    GdbImage bad(kGdbLaterS);
    bad.raw({2, 0, 0, 0, 'W', 1, 2}).waypoint("Kept").raw({0xF0, 0xFF, 0xFF, 0xFF, 'W'}).waypoint("Lost");
    Bytes out = convert(bad.bytes(), kGdbLaterS);
    size_t pos = static_cast<size_t>(bad.headerLength);
    RecordView rec;
    std::string types;
    while (nextRecord(out.data(), out.size(), pos, rec)) types += rec.type;
    // The waypoint too short for its dropped bytes is left out; the negative length ends the copy.
    EXPECT_EQ(types, "WV");
    EXPECT_EQ(pos, out.size());
}

TEST(DownConvert, WritesTheDownConvertedFileReadOnly) {
    test::TempDir dir;
    Context ctx;
    ctx.paths.downGdb = dir.file("Trakor3.bcd");
    GdbImage v3('m');
    fill(v3);
    for (int round = 0; round < 2; ++round) {
        GdbImage later(kGdbLater84);
        fill(later);
        MemoryStream in = later.stream();
        ASSERT_EQ(downConvert(ctx, in, kGdbLater84), 0);
        Bytes written;
        ASSERT_TRUE(readWholeFile(ctx.paths.downGdb, written));
        EXPECT_EQ(written, v3.bytes());
        auto perms = std::filesystem::status(ctx.paths.downGdb).permissions();
        EXPECT_EQ(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none);
    }
    ctx.paths.downGdb = dir.file("missing/folder/x.bcd");
    MemoryStream in = v3.stream();
    EXPECT_EQ(downConvert(ctx, in, kGdbLater84), 1);
}

}  // namespace
}  // namespace trakor
