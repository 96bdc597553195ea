// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/context.h"
#include "gdb/records.h"
#include "testsupport/gdb_image.h"

namespace trakor {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes range(const Bytes& b, size_t from, size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

int32_t int32At(const Bytes& b, size_t at) {
    return static_cast<int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24));
}

// The data of the one record in `b` (after length and type).
Bytes recordData(const Bytes& b) { return Bytes(b.begin() + 5, b.end()); }

TEST(FileHeader, NewHeaderAndEndRecordByteForByte) {
    setenv("TZ", "UTC", 1);
    tzset();
    MemoryStream out;
    writeNewHeader(out, 1796651109);  // 2026-12-07 13:45:09 UTC
    writeEndRecord(out);
    std::string expected("MsRcf\0\x02\0\0\0Dm\0\x1e\0\0\0A\x63\x01vorlek\0Dec 07 2026\0"
                         "13:45:09\0Trakor3\0\x02\0\0\0V\0\x01",
                         63);
    EXPECT_EQ(std::string(out.bytes().begin(), out.bytes().end()), expected);

    // The header reads back with its own length.
    out.seek(0);
    GdbHeader h;
    ASSERT_EQ(readFileHeader(out, h), 0);
    EXPECT_EQ(h.length, kNewHeaderLength);
    EXPECT_EQ(h.version, 'm');
    EXPECT_EQ(h.creatorVersion, 355);
    EXPECT_EQ(h.creatorName, "Trakor3");
    EXPECT_EQ(h.buildDate, "Dec 07 2026");
}

TEST(FileHeader, VersionByteDecidesTheDownConversion) {
    MemoryStream later(Bytes{'M', 's', 'R', 'c', 'f', 0, 2, 0, 0, 0, 'D', 0x84, 0, 9});
    later.seek(9);
    EXPECT_EQ(readVersionByte(later), 0x84);
    EXPECT_EQ(later.tell(), 0);
    EXPECT_TRUE(isLaterVersion(0x84));
    EXPECT_FALSE(isLaterVersion('m'));
    MemoryStream shortFile(Bytes{'M', 's', 'R', 'c', 'f', 0, 2, 0, 0, 0, 'D'});
    EXPECT_EQ(readVersionByte(shortFile), -1);
    MemoryStream other(Bytes{'M', 's', 'R', 'c', 'f', 1, 2, 0, 0, 0, 'D', 'm'});
    EXPECT_EQ(readVersionByte(other), -1);
}

TEST(FileHeader, RecordWalkStopsAtBadLengths) {
    // A good record, then one whose length runs past the end.
    Bytes image = {2, 0, 0, 0, 'V', 0, 1, 9, 0, 0, 0, 'W', 1, 2};
    size_t pos = 0;
    RecordView rec;
    ASSERT_TRUE(nextRecord(image.data(), image.size(), pos, rec));
    EXPECT_EQ(rec.type, 'V');
    EXPECT_EQ(rec.length, 2);
    EXPECT_FALSE(nextRecord(image.data(), image.size(), pos, rec));
    EXPECT_EQ(pos, 7u);

    Bytes negative = {0xFE, 0xFF, 0xFF, 0xFF, 'W', 0, 0};
    pos = 0;
    EXPECT_FALSE(nextRecord(negative.data(), negative.size(), pos, rec));
    Bytes zero = {0, 0, 0, 0, 'W'};
    EXPECT_FALSE(nextRecord(zero.data(), zero.size(), pos, rec));
    EXPECT_FALSE(nextRecord(zero.data(), 3, pos, rec));

    MemoryStream in(Bytes{5, 0, 0, 0, 'T', 0, 0, 0, 0});
    char type = 0;
    EXPECT_EQ(readRecordFrame(in, type), 5);
    EXPECT_EQ(type, 'T');
    MemoryStream end(Bytes{});
    EXPECT_EQ(readRecordFrame(end, type), 0);
    EXPECT_EQ(type, 'V');
}

TEST(RecordTemplates, ClassBlockAndWaypointTail) {
    // 08, eight 00, four FF, 1F, seven FF, two 00, four FF
    Bytes expected = {8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x1F, 0xFF,
                      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    auto block = classBlock(8, kMarkerInvisible);
    EXPECT_EQ(Bytes(block.begin(), block.end()), expected);
    EXPECT_EQ(block[kClassBlockMarker], 31);

    auto tail = waypointTail(0x1234);
    Bytes t(tail.begin(), tail.end());
    Bytes zeros(31, 0);
    zeros[10] = 0x34;
    zeros[11] = 0x12;
    EXPECT_EQ(t, zeros);
}

TEST(WaypointRecord, ProgramWaypointLayoutAndRoundTrip) {
    GdbWaypoint w;
    w.wptName = ":12";
    w.setClassAndMarker(8, kMarkerVia);
    w.wptLat = 596523235;
    w.wptLon = -12345678;
    w.wptSymbol = 18;
    MemoryStream out;
    writeWaypointRecord(out, w, 'm');
    const Bytes& b = out.bytes();
    ASSERT_EQ(b.size(), 5u + 4 + 27 + 8 + 1 + 31 + 9);
    EXPECT_EQ(int32At(b, 0), static_cast<int32_t>(b.size() - 5));
    EXPECT_EQ(b[4], 'W');
    auto block = classBlock(8, 15);
    EXPECT_EQ(range(b, 9, 27), Bytes(block.begin(), block.end()));
    EXPECT_EQ(int32At(b, 36), 596523235);
    EXPECT_EQ(int32At(b, 40), -12345678);
    EXPECT_EQ(b[44], 0);  // no altitude
    auto tail = waypointTail(18);
    EXPECT_EQ(range(b, 45, 31), Bytes(tail.begin(), tail.end()));
    EXPECT_EQ(range(b, 76, 9), Bytes(9, 0));

    // Versions before "m" have no nine closing bytes.
    MemoryStream v2;
    writeWaypointRecord(v2, w, 'l');
    EXPECT_EQ(v2.bytes().size(), b.size() - 9);

    // Every field written comes back.
    w.wptAltitude = {true, 321.25};
    w.wptComment = "note";
    w.hasProximity = true;
    w.wptProximity = 50.0;
    w.wptCountry = "DE";
    w.wptCity = "Jena";
    w.hasDepth = true;
    w.wptDepth = 3.5;
    MemoryStream full;
    writeWaypointRecord(full, w, 'm');
    Bytes data = recordData(full.bytes());
    GdbWaypoint r;
    ASSERT_EQ(parseWaypoint(data.data(), data.size(), 'm', r), kRecordOk);
    EXPECT_EQ(r.wptName, ":12");
    EXPECT_EQ(r.classByte(), 8);
    EXPECT_EQ(r.wptMarker(), 15);
    EXPECT_EQ(r.wptCountry, "DE");
    EXPECT_EQ(r.wptLat, w.wptLat);
    EXPECT_EQ(r.wptLon, w.wptLon);
    EXPECT_TRUE(r.wptAltitude.valid);
    EXPECT_EQ(r.wptAltitude.metres, 321.25);
    EXPECT_EQ(r.wptComment, "note");
    EXPECT_EQ(r.wptProximity, 50.0);
    EXPECT_EQ(r.wptSymbol, 18);
    EXPECT_EQ(r.wptCity, "Jena");
    EXPECT_TRUE(r.hasDepth);
    EXPECT_EQ(r.wptDepth, 3.5);

    // The class block is found behind a non-empty country as well.
    ClassBlockPos pos;
    ASSERT_TRUE(locateClassBlock(data.data(), data.size(), pos));
    EXPECT_EQ(pos.nameLength, 3u);
    EXPECT_EQ(data[pos.classByte], 8);
    EXPECT_EQ(data[pos.marker], 15);
}

GdbRoutePoint routePoint(const std::string& name, int32_t lat, int32_t lon) {
    GdbRoutePoint p;
    p.rptName = name;
    p.links = {{lat, lon, {}}};
    return p;
}

// A direct route of three points as the program writes it.
GdbRoute threePointRoute() {
    GdbRoute r;
    r.rteName = "Tour";
    r.rteColour = 5;
    r.points = {routePoint("A", 100, 200), routePoint("B", 300, 100), routePoint("C", 250, 400)};
    r.points[1].links[0].alt = {true, 12.5};
    for (size_t i = 0; i + 1 < r.points.size(); ++i) {
        r.points[i].links.push_back(r.points[i + 1].links[0]);
        r.points[i].hasBox = true;
        r.points[i].box = test::boxOver(r.points[i].links);
    }
    r.points.back().links.clear();
    std::vector<GdbLinkPoint> all = {{100, 200, {}}, {300, 100, {}}, {250, 400, {}}};
    r.box = test::boxOver(all);
    return r;
}

TEST(RouteRecord, ThreePointRouteLayoutInVersion3) {
    GdbRoute r = threePointRoute();
    MemoryStream out;
    writeRouteRecord(out, r, 'm');
    const Bytes& b = out.bytes();
    EXPECT_EQ(int32At(b, 0), static_cast<int32_t>(b.size() - 5));
    EXPECT_EQ(b[4], 'R');
    // name, auto-name 0, no-box 0, box, point count
    size_t at = 5 + 5;
    EXPECT_EQ(b[at], 0);
    EXPECT_EQ(b[at + 1], 0);
    EXPECT_EQ(int32At(b, at + 2), 300);  // maxLat
    EXPECT_EQ(int32At(b, at + 6), 400);  // maxLon
    EXPECT_EQ(b[at + 10], 0);            // no altitude
    EXPECT_EQ(int32At(b, at + 11), 100);
    EXPECT_EQ(int32At(b, at + 15), 100);
    EXPECT_EQ(b[at + 19], 0);
    EXPECT_EQ(int32At(b, at + 20), 3);
    // The record ends with no link texts, the colour index and five zero bytes.
    EXPECT_EQ(range(b, b.size() - 10, 10), (Bytes{0, 0, 0, 0, 5, 0, 0, 0, 0, 0}));

    GdbRoute back;
    Bytes data = recordData(b);
    ASSERT_EQ(parseRoute(data.data(), data.size(), 'm', back), kRecordOk);
    ASSERT_EQ(back.points.size(), 3u);
    EXPECT_EQ(back.rteName, "Tour");
    EXPECT_EQ(back.colourIndex(), 5);
    const int expectedLinks[] = {2, 2, 0};
    for (size_t i = 0; i < 3; ++i) {
        const GdbRoutePoint& p = back.points[i];
        EXPECT_EQ(p.links.size(), static_cast<size_t>(expectedLinks[i]));
        EXPECT_EQ(p.hasBox, i < 2);
        EXPECT_EQ(p.classByte(), 0);
        EXPECT_EQ(p.marker(), 0xFF);
        EXPECT_EQ(p.fixed19[1], 3);
        // Each route point ends in eight 0xFF and two zero bytes.
        Bytes tail = range(data, p.offset + p.size - 10, 10);
        EXPECT_EQ(tail, (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
        // Each point starts with its name.
        EXPECT_EQ(data[p.offset], static_cast<uint8_t>('A' + i));
    }
    EXPECT_EQ(back.points[0].links[1].alt.metres, 12.5);
    EXPECT_EQ(back.points[0].box.maxAlt, 12.5);
    EXPECT_EQ(back.points[0].box.minAlt, 12.5);
    EXPECT_EQ(back.points[1].links[0].lat, 300);
    EXPECT_EQ(back.points[1].links[1].lon, 400);
    // The last point has a no-box flag of 1 right after its link count of 0.
    const GdbRoutePoint& last = back.points[2];
    EXPECT_EQ(data[last.offset + last.size - 11], 1);
}

TEST(RouteRecord, VersionTailsDifferByVersion) {
    GdbRoute r = threePointRoute();
    MemoryStream v1, v2, v3;
    writeRouteRecord(v1, r, 'k');
    writeRouteRecord(v2, r, 'l');
    writeRouteRecord(v3, r, 'm');
    // 8 bytes per route point in "l"; 10 per point, link text count, colour and a byte in "m".
    EXPECT_EQ(v2.bytes().size(), v1.bytes().size() + 3 * 8);
    EXPECT_EQ(v3.bytes().size(), v1.bytes().size() + 3 * 10 + 9);
    for (auto [stream, version] : {std::pair<MemoryStream*, char>{&v1, 'k'}, {&v2, 'l'}, {&v3, 'm'}}) {
        Bytes data = recordData(stream->bytes());
        GdbRoute back;
        EXPECT_EQ(parseRoute(data.data(), data.size(), version, back), kRecordOk) << version;
        EXPECT_EQ(back.points.size(), 3u) << version;
    }
    // A set flag among the fixed bytes brings eight more bytes, read and written alike.
    r.points[1].fixed19[0] = 1;
    r.points[1].extra = {1, 2, 3, 4, 5, 6, 7, 8};
    MemoryStream flagged;
    writeRouteRecord(flagged, r, 'm');
    Bytes data = recordData(flagged.bytes());
    GdbRoute back;
    ASSERT_EQ(parseRoute(data.data(), data.size(), 'm', back), kRecordOk);
    ASSERT_EQ(back.points.size(), 3u);
    EXPECT_EQ(back.points[1].extra[7], 8);
    EXPECT_EQ(back.points[2].rptName, "C");
}

TEST(TrackRecord, PointsWithAndWithoutTimeAndAltitude) {
    GdbTrack t;
    t.trkName = "Hike";
    t.trkColour = 9;
    t.points.resize(2);
    t.points[0] = {10, 20, {true, 455.5}, 1700000000};
    t.points[1] = {11, 21, {}, 0};
    MemoryStream out;
    writeTrackRecord(out, t, 'm');
    const Bytes& b = out.bytes();
    // name, display 1, colour (low byte, three zeros), count
    EXPECT_EQ(range(b, 10, 5), (Bytes{1, 9, 0, 0, 0}));
    EXPECT_EQ(int32At(b, 15), 2);
    // point 1: lat, lon, alt flag 1 + 8, time flag 1 + 4, depth 0, temperature 0
    EXPECT_EQ(b[27], 1);
    EXPECT_EQ(b[36], 1);
    EXPECT_EQ(int32At(b, 37), 1700000000);
    EXPECT_EQ(range(b, 41, 2), (Bytes{0, 0}));
    // point 2: no altitude, time 0 written as flag 0 alone
    EXPECT_EQ(range(b, 51, 4), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(b.size(), 55u + 4);  // trailer of four zero bytes in version "m"

    MemoryStream v2;
    writeTrackRecord(v2, t, 'l');
    EXPECT_EQ(v2.bytes().size(), b.size() - 3);

    Bytes data = recordData(b);
    GdbTrack back;
    ASSERT_EQ(parseTrack(data.data(), data.size(), 'm', back), kRecordOk);
    EXPECT_EQ(back.trkName, "Hike");
    EXPECT_EQ(back.trkDisplay, 1);
    EXPECT_EQ(back.colourIndex(), 9);
    ASSERT_EQ(back.points.size(), 2u);
    EXPECT_EQ(back.points[0].tptTime, 1700000000);
    EXPECT_EQ(back.points[0].alt.metres, 455.5);
    EXPECT_FALSE(back.points[1].alt.valid);
    EXPECT_EQ(back.points[1].tptTime, 0);
    EXPECT_EQ(back.points[1].tptLon, 21);
}

// Boxes as the program computes and writes them.
TEST(BoundingBoxes, AltitudeFlagsAndAntimeridian) {
    const int32_t e = kSemicirclesPerDegree;
    // No altitude anywhere: both altitude flags 0.
    MemoryStream out;
    writeBox(out, test::boxOver({{0, 0, {}}, {e, e, {}}}));
    ASSERT_EQ(out.bytes().size(), 18u);
    EXPECT_EQ(out.bytes()[8], 0);
    EXPECT_EQ(out.bytes()[17], 0);
    // An extreme of exactly 0.0 is written with flag 0 as well; others with flag 1 and the value.
    MemoryStream mixed;
    writeBox(mixed, GdbBox{1, 2, 250.0, 3, 4, 0.0});
    ASSERT_EQ(mixed.bytes().size(), 26u);
    EXPECT_EQ(mixed.bytes()[8], 1);
    EXPECT_EQ(mixed.bytes()[25], 0);
    MemoryStream back(mixed.bytes());
    EXPECT_EQ(readInt32(back), 1);
    EXPECT_EQ(readInt32(back), 2);
    EXPECT_EQ(readU8(back), 1);
    EXPECT_EQ(readDouble(back), 250.0);

    // 179.5 and -179.5 degrees: written with maxLon -179.5 and minLon 179.5.
    MemoryStream across;
    writeBox(across, test::boxOver({{0, degreesToSemicircles(179.5), {}}, {e, degreesToSemicircles(-179.5), {}}}));
    MemoryStream in(across.bytes());
    EXPECT_EQ(readInt32(in), e);
    EXPECT_EQ(readInt32(in), degreesToSemicircles(-179.5));
    readU8(in);
    EXPECT_EQ(readInt32(in), 0);
    EXPECT_EQ(readInt32(in), degreesToSemicircles(179.5));
}

// Every prefix of a record and every damaged length gives a defined result without reading
// outside the data.
TEST(RecordReaders, TruncatedAndDamagedRecords) {
    GdbRoute r = threePointRoute();
    MemoryStream rs;
    writeRouteRecord(rs, r, 'm');
    GdbTrack t;
    t.trkName = "T";
    t.points.resize(3, GdbTrackPoint{1, 2, {true, 3.0}, 4});
    MemoryStream ts;
    writeTrackRecord(ts, t, 'm');
    GdbWaypoint w;
    w.wptName = "W";
    MemoryStream ws;
    writeWaypointRecord(ws, w, 'm');

    Bytes rd = recordData(rs.bytes()), td = recordData(ts.bytes()), wd = recordData(ws.bytes());
    // The two closing bytes of a route are not read.
    for (size_t n = 0; n + 2 < rd.size(); ++n) {
        Bytes cut(rd.begin(), rd.begin() + n);  // exact size, so a sanitizer sees any overrun
        GdbRoute back;
        int res = parseRoute(cut.data(), cut.size(), 'm', back);
        EXPECT_EQ(res, kRecordTruncated) << n;
        EXPECT_LE(back.points.size(), 3u);
    }
    for (size_t n = 0; n < td.size(); ++n) {
        Bytes cut(td.begin(), td.begin() + n);
        GdbTrack back;
        parseTrack(cut.data(), cut.size(), 'm', back);
        // The trailer is not needed; every point either came whole or not at all.
        for (const auto& p : back.points) EXPECT_EQ(p.tptTime, 4);
    }
    for (size_t n = 0; n < 40; ++n) {
        Bytes cut(wd.begin(), wd.begin() + n);
        GdbWaypoint back;
        EXPECT_EQ(parseWaypoint(cut.data(), cut.size(), 'm', back), kRecordTruncated) << n;
        ClassBlockPos pos;
        EXPECT_EQ(locateClassBlock(cut.data(), cut.size(), pos), n >= 2 + 4 + 1 + 22) << n;
    }

    // A huge point count in a small record neither allocates for it nor runs past the data.
    Bytes huge = {'X', 0, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3};
    GdbTrack ht;
    EXPECT_EQ(parseTrack(huge.data(), huge.size(), 'm', ht), kRecordTruncated);
    EXPECT_TRUE(ht.points.empty());
    Bytes negative = {'X', 0, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(parseTrack(negative.data(), negative.size(), 'm', ht), kRecordTruncated);

    // Stream readers always end after the record, and cope with lengths the data cannot hold.
    MemoryStream two(ts.bytes());
    two.seek(two.size());
    two.write(ws.bytes().data(), ws.bytes().size());
    two.seek(5);
    GdbTrack got;
    EXPECT_EQ(readTrackRecord(two, int32At(ts.bytes(), 0), 'm', got), kRecordOk);
    EXPECT_EQ(got.points.size(), 3u);
    EXPECT_EQ(two.tell(), static_cast<int64_t>(ts.bytes().size()));
    two.seek(static_cast<int64_t>(ts.bytes().size()) + 5);
    GdbWaypoint gw;
    EXPECT_EQ(readWaypointRecord(two, 1 << 30, 'm', gw), kRecordTruncated);
    EXPECT_EQ(gw.wptName, "W");
    EXPECT_EQ(two.tell(), two.size());
    two.seek(0);
    EXPECT_EQ(readWaypointRecord(two, -5, 'm', gw), kRecordTruncated);
    EXPECT_EQ(two.tell(), 0);
}

}  // namespace
}  // namespace trakor
