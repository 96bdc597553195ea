// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>

#include "clipboard/tests/clipboard_fixture.h"

namespace trakor::test {
namespace {

using ClipboardPassTest = ClipboardTest;

TEST_F(ClipboardPassTest, TrackToRouteWithVisibleViaPointsNamesEveryPoint) {
    ctx.settings.CBmode_t = 22;
    GdbImage img;
    img.track(northTrack("Ride", 150)).end();
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(counters.tracksConverted, 1);
    EXPECT_EQ(counters.routesConverted, 0);
    ImageRecords r = result();
    EXPECT_EQ(r.header.creatorName, "Trakor3");
    EXPECT_EQ(r.header.creatorTag, "SQA");
    EXPECT_TRUE(r.endRecord);
    ASSERT_EQ(r.waypoints.size(), 150u);
    ASSERT_EQ(r.routes.size(), 1u);
    EXPECT_TRUE(r.tracks.empty());
    // Waypoints come first, the route last.
    EXPECT_EQ(r.records[150].type, 'R');
    EXPECT_EQ(r.waypoints[0].wptName, "START1");
    EXPECT_EQ(r.waypoints[1].wptName, ":1002");
    EXPECT_EQ(r.waypoints[148].wptName, ":1149");
    EXPECT_EQ(r.waypoints[149].wptName, "END1");
    for (const GdbWaypoint& w : r.waypoints) {
        EXPECT_EQ(w.wptClass, 8);
        EXPECT_EQ(w.wptMarker(), kMarkerVia);
        EXPECT_EQ(w.wptSymbol, 18);
    }
    EXPECT_EQ(r.waypoints[7].wptLat, 7 * 11930);
    EXPECT_DOUBLE_EQ(r.waypoints[7].wptAltitude.metres, 107.0);

    const GdbRoute& rte = r.routes[0];
    EXPECT_EQ(rte.rteName, "Ride");
    EXPECT_EQ(rte.rteAutoName, 0);
    EXPECT_EQ(rte.colourIndex(), 5);
    EXPECT_EQ(rte.box.maxLat, 149 * 11930);
    EXPECT_EQ(rte.box.minLat, 0);
    EXPECT_DOUBLE_EQ(rte.box.maxAlt, 249.0);
    ASSERT_EQ(rte.points.size(), 150u);
    for (size_t i = 0; i < 149; ++i) {
        const GdbRoutePoint& p = rte.points[i];
        EXPECT_EQ(p.rptName, r.waypoints[i].wptName);
        ASSERT_EQ(p.links.size(), 2u);
        EXPECT_EQ(p.links[0].lat, static_cast<int32_t>(i) * 11930);
        EXPECT_EQ(p.links[1].lat, static_cast<int32_t>(i + 1) * 11930);
        EXPECT_TRUE(p.hasBox);
        EXPECT_EQ(p.box.maxLat, p.links[1].lat);
    }
    EXPECT_TRUE(rte.points[149].links.empty());
    EXPECT_FALSE(rte.points[149].hasBox);
}

TEST_F(ClipboardPassTest, InvisibleViaPointsKeepTheEndsVisibleAndAreNeverFiltered) {
    ctx.settings.CBmode_t = 23;
    ctx.settings.Filter_CBT = 1;
    ctx.settings.Filtersize_r = 5;
    GdbImage img;
    img.track(northTrack("Ride", 20)).end();
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    ImageRecords r = result();
    ASSERT_EQ(r.waypoints.size(), 20u);
    ASSERT_EQ(r.routes.size(), 1u);
    EXPECT_EQ(r.routes[0].rteName, "#Ride");
    EXPECT_EQ(r.waypoints[1].wptName, ":102");
    for (size_t i = 0; i < 20; ++i) {
        const uint8_t want = i == 0 || i == 19 ? kMarkerVia : kMarkerInvisible;
        EXPECT_EQ(r.waypoints[i].wptMarker(), want) << i;
        EXPECT_EQ(r.routes[0].points[i].marker(), want) << i;
        EXPECT_EQ(r.routes[0].points[i].classByte(), 8);
    }
}

TEST_F(ClipboardPassTest, PointNamesWidenWithTheTrack) {
    EXPECT_EQ(clipboardPointName(':', 3, 0, 99), "START3");
    EXPECT_EQ(clipboardPointName(':', 3, 98, 99), "END3");
    EXPECT_EQ(clipboardPointName(':', 3, 4, 99), ":305");
    EXPECT_EQ(clipboardPointName(':', 3, 4, 100), ":3005");
    EXPECT_EQ(clipboardPointName('P', 12, 4, 1000), "P120005");
    EXPECT_EQ(clipboardPointName(':', 1, 12344, 12345 + 1), ":112345");
}

TEST_F(ClipboardPassTest, TrackFilterKeepsTrackAndRestoresFilterType) {
    ctx.settings.CBmode_t = 24;
    ctx.settings.Filter_CBT = 1;
    ctx.settings.Filtersize_t = 5;
    ctx.settings.Filtersize_r = 9;
    ctx.settings.Filtertype = 3;
    GdbImage img;
    img.track(northTrack("Straight", 50)).end();
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    ImageRecords r = result();
    ASSERT_EQ(r.tracks.size(), 1u);
    EXPECT_TRUE(r.waypoints.empty());
    EXPECT_EQ(r.tracks[0].trkName, "Straight");
    EXPECT_EQ(r.tracks[0].colourIndex(), 5);
    EXPECT_EQ(r.tracks[0].points.size(), 5u);
    EXPECT_EQ(r.tracks[0].points.front().tptTime, 1200000000);
    EXPECT_EQ(r.tracks[0].points.back().tptLat, 49 * 11930);
    EXPECT_EQ(ctx.settings.Filtertype, 3);

    // Option 22 filters to the route size; any value but 1 leaves the filter off.
    ctx.settings.CBmode_t = 22;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(result().waypoints.size(), 9u);
    ctx.settings.Filter_CBT = 500;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(result().waypoints.size(), 50u);
}

TEST_F(ClipboardPassTest, TrackOfOnePointIsReportedAndTheOthersConverted) {
    ctx.settings.CBmode_t = 22;
    GdbImage img;
    img.track(northTrack("A", 3)).track(northTrack("B", 1)).track(northTrack("C", 4)).end();
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(counters.tracksSeen, 3);
    EXPECT_EQ(counters.tracksConverted, 2);
    ASSERT_EQ(notes.entries.size(), 1u);
    EXPECT_EQ(notes.entries[0].key, "$MSG35");
    EXPECT_EQ(notes.entries[0].text, "Track 2 not converted\nThere are not enough track points");
    ImageRecords r = result();
    ASSERT_EQ(r.routes.size(), 2u);
    EXPECT_EQ(r.routes[1].rteName, "C");
    // Names keep the running number of the track read, skipped tracks included.
    EXPECT_EQ(r.routes[1].points[0].rptName, "START3");
    EXPECT_EQ(r.routes[1].points[1].rptName, ":302");
}

TEST_F(ClipboardPassTest, RoutesBecomeTracksThroughLinkPointsOrRoutePoints) {
    // A calculated route: A -> B along three road points, B -> C along two.
    auto lp = [](int32_t lat, int32_t lon) { return GdbLinkPoint{lat, lon, {}}; };
    GdbRoute rte;
    rte.rteName = "Calculated";
    rte.points.push_back(routePoint("A", {lp(0, 0), lp(20000, 1000), lp(40000, 0), lp(60000, 3000)}, kMarkerNormal));
    rte.points.push_back(routePoint("B", {lp(60000, 3000), lp(80000, 9000), lp(100000, 12000)}));
    rte.points.push_back(routePoint("C", {}, kMarkerNormal));
    GdbImage img;
    img.waypoint("A").waypoint("B", 8, kMarkerVia).waypoint("C").route(rte).end();

    ctx.settings.CBmode_r = 11;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(counters.routesConverted, 1);
    ImageRecords r = result();
    EXPECT_TRUE(r.waypoints.empty());
    EXPECT_TRUE(r.routes.empty());
    ASSERT_EQ(r.tracks.size(), 1u);
    EXPECT_EQ(r.tracks[0].trkName, "Calculated");
    EXPECT_EQ(r.tracks[0].colourIndex(), 14);  // colour 0 of a route shows as 14
    std::vector<int32_t> lats;
    for (const GdbTrackPoint& p : r.tracks[0].points) {
        lats.push_back(p.tptLat);
        EXPECT_EQ(p.tptTime, 0);
    }
    EXPECT_EQ(lats, (std::vector<int32_t>{0, 20000, 40000, 60000, 80000, 100000}));

    ctx.settings.CBmode_r = 12;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    lats.clear();
    r = result();
    ASSERT_EQ(r.tracks.size(), 1u);
    for (const GdbTrackPoint& p : r.tracks[0].points) lats.push_back(p.tptLat);
    EXPECT_EQ(lats, (std::vector<int32_t>{0, 60000, 100000}));
}

TEST_F(ClipboardPassTest, RouteWithoutLegsIsReported) {
    GdbRoute rte;
    rte.rteName = "Lonely";
    rte.points.push_back(routePoint("A", {}, kMarkerNormal));
    GdbImage img;
    img.route(rte).track(northTrack("T", 3)).end();
    ctx.settings.CBmode_r = 12;
    ctx.settings.CBmode_t = 24;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(notes.keys(), std::vector<std::string>{"$MSG32"});
    EXPECT_EQ(notes.entries[0].text, "Route 1 not converted\nThere are not enough route points");
    EXPECT_EQ(counters.routesConverted, 0);
    EXPECT_EQ(counters.tracksConverted, 1);
}

TEST_F(ClipboardPassTest, NothingToConvertAndSecondConversion) {
    GdbImage waypointsOnly;
    waypointsOnly.waypoint("A").waypoint("B").end();
    EXPECT_EQ(convert(waypointsOnly.bytes()), kPassNothingConverted);
    // Option 3 keeps waypoints but converts no route here either.
    ctx.settings.CBmode_r = 3;
    EXPECT_EQ(convert(waypointsOnly.bytes()), kPassNothingConverted);

    ctx.settings.CBmode_r = 11;
    GdbImage img;
    img.track(northTrack("T", 3)).end();
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    std::vector<uint8_t> first = out.bytes();
    EXPECT_EQ(convert(first), kPassAlreadyConverted);
    // A creator name that only begins with the mark is someone else's.
    GdbImage other('m', "Trakor3x");
    other.track(northTrack("T", 3)).end();
    EXPECT_EQ(convert(other.bytes()), kPassConverted);
}

TEST_F(ClipboardPassTest, ImageWithoutEndRecordGetsOne) {
    GdbImage img;
    img.track(northTrack("T", 3));
    ctx.settings.CBmode_t = 24;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    ImageRecords r = result();
    EXPECT_EQ(r.tracks.size(), 1u);
    EXPECT_TRUE(r.endRecord);
    // Records after the end record are not read.
    img.end().track(northTrack("After", 3));
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(result().tracks.size(), 1u);
}

TEST_F(ClipboardPassTest, DamagedImagesAreRefused) {
    ctx.settings.CBmode_t = 24;
    GdbImage good;
    good.track(northTrack("T", 3)).end();
    const std::vector<uint8_t> bytes = good.bytes();
    const size_t header = static_cast<size_t>(good.headerLength);

    EXPECT_EQ(convert({}), kPassDamaged);
    std::vector<uint8_t> notGdb = bytes;
    notGdb[0] = 'X';
    EXPECT_EQ(convert(notGdb), kPassDamaged);
    std::vector<uint8_t> badVersion = bytes;
    badVersion[kVersionOffset] = 'n';
    EXPECT_EQ(convert(badVersion), kPassDamaged);
    // Creator record longer than the image, creator name without its end.
    std::vector<uint8_t> creator = bytes;
    creator[13] = 0xFF;
    creator[14] = 0xFF;
    EXPECT_EQ(convert(creator), kPassDamaged);
    EXPECT_EQ(convert(std::vector<uint8_t>(bytes.begin(), bytes.begin() + header - 1)), kPassDamaged);
    // A track record whose length runs past the image.
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 7 - 10);
    EXPECT_EQ(convert(cut), kPassDamaged);
    // A negative record length.
    std::vector<uint8_t> negative = bytes;
    negative[header + 3] = 0x80;
    EXPECT_EQ(convert(negative), kPassDamaged);
    // A track record whose point count claims more points than its data holds.
    std::vector<uint8_t> shortTrack = bytes;
    const size_t count = header + 5 + 2 + 1 + 4;  // name "T", display, colour
    shortTrack[count] = 4;
    EXPECT_EQ(convert(shortTrack), kPassDamaged);
    EXPECT_TRUE(notes.entries.empty());
}

TEST_F(ClipboardPassTest, TemperatureOfATrackPointIsPassedOver) {
    GdbTrack t = northTrack("Warm", 3);
    t.points[0].hasTemperature = true;
    t.points[0].tptTemperature = 21.5;
    t.points[1].hasDepth = true;
    t.points[1].tptDepth = 3.0;
    GdbImage img;
    img.track(t).end();
    ctx.settings.CBmode_t = 24;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    ImageRecords r = result();
    ASSERT_EQ(r.tracks.size(), 1u);
    ASSERT_EQ(r.tracks[0].points.size(), 3u);
    EXPECT_EQ(r.tracks[0].points[1].tptLat, 11930);
    EXPECT_EQ(r.tracks[0].points[2].tptLat, 2 * 11930);
    EXPECT_EQ(r.tracks[0].points[2].tptTime, 1200000002);
}

TEST_F(ClipboardPassTest, OlderAndLaterVersionsKeepAConsistentImage) {
    for (uint8_t version : {uint8_t('l'), uint8_t('k'), uint8_t(0x84)}) {
        SCOPED_TRACE(static_cast<int>(version));
        GdbImage img(version);
        img.track(northTrack("T", 4)).end();
        ctx.settings.CBmode_t = 22;
        ASSERT_EQ(convert(img.bytes()), kPassConverted);
        ImageRecords r = result();
        const uint8_t want = version == 0x84 ? 'm' : version;
        EXPECT_EQ(r.header.version, want);
        EXPECT_EQ(r.waypoints.size(), 4u);
        ASSERT_EQ(r.routes.size(), 1u);
        EXPECT_EQ(r.routes[0].points.size(), 4u);
        EXPECT_EQ(r.routes[0].points[1].links.at(1).lat, 2 * 11930);
        EXPECT_TRUE(r.endRecord);
    }
}

TEST_F(ClipboardPassTest, PointLimitIsShownAfterTheTrack) {
    GdbImage img;
    img.track(northTrack("Long", kMaxPoints + 2)).end();
    ctx.settings.CBmode_t = 24;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(result().tracks.at(0).points.size(), static_cast<size_t>(kMaxPoints));
    ASSERT_EQ(notes.entries.size(), 1u);
    EXPECT_EQ(notes.entries[0].key, "Info");
    EXPECT_EQ(notes.entries[0].text, "Route point limit reached - track truncated!");
    EXPECT_EQ(ctx.run.infoFlag, 0);
}

}  // namespace
}  // namespace trakor::test
