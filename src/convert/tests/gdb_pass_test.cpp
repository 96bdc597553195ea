// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "convert/tests/convert_fixture.h"

namespace trakor {
namespace {

using test::GdbImage;
using test::OutRecord;
using test::RoutePointSpec;

const std::vector<RoutePointSpec> kTour = {{"Home", 0, 255, 50, 8}, {"V1", 8, 15, 50.1, 8.1}, {"Dir", 10, 31, 50.2, 8},
                                           {"Goal", 0, 255, 50.3, 8.2}};

// Waypoints of the tour's points, the route Tour, and a track.
GdbImage tourImage(const std::string& routeName = "Tour", const std::string& trackName = "Walk") {
    GdbImage img;
    for (const RoutePointSpec& p : kTour) img.waypoint(p.name, p.cls, p.marker, test::deg(p.lat), test::deg(p.lon));
    GdbRoute r = test::calculatedRoute(routeName, kTour, 4, 9);
    r.rteAutoName = 1;
    img.route(r).track(test::straightTrack(trackName, 6));
    return img;
}

std::vector<std::string> keys(const test::RecordingNotifier& n) { return n.keys(); }

TEST(GdbPass, RoutesBecomeTracks) {
    auto input = tourImage().end().bytes();
    test::PassRun all;
    auto recs = all.records(input, 11);
    // Waypoints of route points are dropped (the route is gone); user waypoints stay.
    ASSERT_EQ(test::outline(recs), "W:Home W:Goal T:Tour T:Walk V:");
    EXPECT_EQ(recs[2].trk.points.size(), 3u * 5 + 1);
    EXPECT_EQ(recs[2].trk.colourIndex(), 9);
    EXPECT_EQ(all.ctx.run.routeCounter, 1);
    EXPECT_EQ(all.ctx.run.nextWaypointNumber, 1 + 16);

    test::PassRun only;
    recs = only.records(input, 12);
    ASSERT_EQ(recs[2].type, 'T');
    ASSERT_EQ(recs[2].trk.points.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(recs[2].trk.points[i].tptLat, test::deg(kTour[i].lat));
        EXPECT_EQ(recs[2].trk.points[i].tptTime, 0);
    }
}

TEST(GdbPass, KeptRouteCopiesAndPartNames) {
    test::PassRun run;
    run.ctx.settings.SaveRoute = 1;
    run.ctx.settings.Split = 1;
    auto recs = run.records(tourImage().route(test::calculatedRoute("!Old", kTour)).end().bytes(), 14);
    // The kept copy comes first, untouched but for its name and auto-name flag; the input's
    // waypoints stay, so only the generated ones are written.
    ASSERT_EQ(test::outline(recs), "W:Home W:V1 W:Dir W:Goal R:!Tour W::2 W::3 R:Tour#1 T:Walk R:!!Old V:");
    EXPECT_EQ(recs[4].rte.rteAutoName, 0);
    EXPECT_EQ(recs[4].rte.points.size(), 4u);
    EXPECT_EQ(recs[7].rte.rteAutoName, 1);
    EXPECT_EQ(recs[9].rte.rteAutoName, 0);
    EXPECT_EQ(run.ctx.run.routeCounter, 1);
    // Kept input waypoints: the via point's waypoint gets the symbol, the hidden one stays as it was.
    EXPECT_EQ(recs[1].wpt.wptSymbol, 18);
    EXPECT_EQ(recs[2].wpt.wptSymbol, 0);
    EXPECT_EQ(recs[0].wpt.wptSymbol, 0);

    test::PassRun plain;
    auto recs2 = plain.records(tourImage().route(test::calculatedRoute("!Old", kTour)).end().bytes(), 14);
    // The "!" route in the input keeps the input's waypoints here as well.
    EXPECT_EQ(test::outline(recs2), "W:Home W:V1 W:Dir W:Goal W::2 W::3 R:Tour T:Walk R:!Old V:");
    EXPECT_EQ(recs2[6].rte.points.size(), 4u);
    test::PassRun fresh;
    EXPECT_EQ(test::outline(fresh.records(tourImage().end().bytes(), 14)), "W:Home W:Goal W::2 W::3 R:Tour T:Walk V:");
}

TEST(GdbPass, SaveRouteKeepsTheWaypointsOfTheKeptCopy) {
    test::PassRun run;
    run.ctx.settings.SaveRoute = 1;
    auto recs = run.records(tourImage().end().bytes(), 12);
    // Without a "!" route in the input, the kept copy still needs V1 and Dir.
    EXPECT_EQ(test::outline(recs), "W:Home W:V1 W:Dir W:Goal R:!Tour T:Tour T:Walk V:");
}

TEST(GdbPass, SpreadRouteKeepsItsName) {
    test::PassRun run;
    run.ctx.settings.Split = 1;
    run.ctx.settings.MaximumPoints = 6;
    run.ctx.settings.ExtraDistance = 1;
    auto recs = run.records(tourImage().end().bytes(), 15);
    ASSERT_EQ(recs[recs.size() - 3].type, 'R');
    const GdbRoute& r = recs[recs.size() - 3].rte;
    EXPECT_EQ(r.rteName, "Tour");
    // First point, the via points Home and Goal, evenly spaced points and the last point.
    ASSERT_LE(r.points.size(), 6u);
    EXPECT_EQ(r.points.front().rptName, "Home");
    EXPECT_EQ(r.points.back().rptName, "Goal");
    EXPECT_EQ(run.ctx.run.infoFlag, 0);
}

TEST(GdbPass, DirectRouteNamesItsPoints) {
    test::PassRun run;
    run.ctx.settings.WaypointPriority = 1;
    auto recs = run.records(tourImage().end().bytes(), 14);
    // With priority the via point keeps its waypoint; the direction point gets a name of its own.
    ASSERT_EQ(test::outline(recs), "W:Home W:Goal W:V1 W::3 R:Tour T:Walk V:");
    const GdbRoute& r = recs[4].rte;
    ASSERT_EQ(r.points.size(), 4u);
    const char* names[] = {"Home", "V1", ":3", "Goal"};
    const uint8_t classes[] = {0, 8, 8, 0}, markers[] = {255, 15, 15, 255};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.points[i].rptName, names[i]);
        EXPECT_EQ(r.points[i].classByte(), classes[i]);
        EXPECT_EQ(r.points[i].marker(), markers[i]);
    }
    EXPECT_EQ(recs[3].wpt.classByte(), 8);
    EXPECT_EQ(recs[3].wpt.wptMarker(), 15);
    EXPECT_EQ(r.rteAutoName, 1);
    EXPECT_EQ(r.colourIndex(), 9);
}

TEST(GdbPass, ViaPointsWithoutAnIndexedWaypointKeepTheirNames) {
    GdbImage img;
    img.waypoint("Home").waypoint("Hidden", 10, 31, test::deg(50.2), test::deg(8));
    img.route(test::calculatedRoute("T", {{"Home", 0, 255, 50, 8}, {"Lost", 0, 255, 50.1, 8}, {"Hidden", 10, 31, 50.2, 8}}, 2));
    img.end();
    test::PassRun run;
    auto recs = run.records(img.bytes(), 14);
    // The hidden waypoint record is dropped with the route's other waypoints and written anew.
    ASSERT_EQ(test::outline(recs), "W:Home W:Lost W:Hidden R:T V:");
    EXPECT_EQ(recs[2].wpt.classByte(), 10);
    EXPECT_EQ(recs[2].wpt.wptMarker(), 15);
    EXPECT_EQ(recs[3].rte.points[1].rptName, "Lost");
    EXPECT_EQ(recs[3].rte.points[2].rptName, "Hidden");
}

TEST(GdbPass, LongNamesAreCutBeforeNaming) {
    test::PassRun run;
    run.ctx.settings.Split = 1;
    const std::string longName(400, 'n');
    auto recs = run.records(GdbImage().track(test::straightTrack(longName, 4)).end().bytes(), 22);
    ASSERT_EQ(recs.size(), 4 + 1 + 1u);
    EXPECT_EQ(recs[4].name(), longName.substr(0, 255) + "#1");
}

TEST(GdbPass, TracksBecomeRoutes) {
    test::PassRun run;
    run.ctx.settings.Prefix = ':';
    auto input = tourImage("Tour", "Tour").track(test::straightTrack("Hike", 3)).end().bytes();
    auto recs = run.records(input, 21);
    // The track named like the route becomes "*Tour"; the route is copied unchanged.
    ASSERT_EQ(recs.size(), 4 + 1 + 6 + 1 + 3 + 1 + 1u);
    EXPECT_EQ(recs[4].type, 'R');
    EXPECT_EQ(recs[4].name(), "Tour");
    EXPECT_EQ(recs[5].name(), ":1");
    EXPECT_EQ(recs[11].name(), "*Tour");
    EXPECT_EQ(recs[11].rte.points.size(), 6u);
    EXPECT_EQ(recs[11].rte.points[0].rptName, ":1");
    EXPECT_EQ(recs[12].name(), ":7");
    EXPECT_EQ(recs[15].name(), "Hike");
    EXPECT_EQ(run.ctx.run.trackCounter, 2);
    EXPECT_EQ(run.ctx.run.nextWaypointNumber, 10);

    test::PassRun hidden;
    auto recs23 = hidden.records(test::GdbImage().track(test::straightTrack("#Hike", 3)).track(test::straightTrack("Walk", 3)).end().bytes(), 23);
    EXPECT_EQ(test::outline(recs23), "W::1 W::2 W::3 R:#Hike W::4 W::5 W::6 R:#Walk V:");
}

TEST(GdbPass, OlderVersionsKeepTheirLayout) {
    for (uint8_t version : {'k', 'l'}) {
        GdbImage img(version);
        for (const RoutePointSpec& p : kTour) img.waypoint(p.name, p.cls, p.marker, test::deg(p.lat), test::deg(p.lon));
        img.route(test::calculatedRoute("Tour", kTour, 2)).track(test::straightTrack("Walk", 4)).end();
        for (int option : {2, 3, 4, 11, 13, 15, 21, 23}) {
            test::PassRun run;
            auto recs = run.records(img.bytes(), option);  // every record must parse in its version
            ASSERT_EQ(run.version, static_cast<char>(version));
            ASSERT_FALSE(recs.empty());
            EXPECT_EQ(recs.back().type, 'V') << version << option;
            size_t points = 0;
            for (const auto& r : recs) points += r.rte.points.size() + r.trk.points.size();
            EXPECT_GE(points, 4u) << version << option;
        }
    }
}

TEST(GdbPass, KeptTrackCopies) {
    test::PassRun run;
    run.ctx.settings.SaveTrack = 1;
    GdbImage img;
    img.route(test::calculatedRoute("Tour", {{"A", 0, 255, 50, 8}, {"B", 0, 255, 51, 8}}));
    img.track(test::straightTrack("Tour", 3)).track(test::straightTrack("!Old", 3)).end();
    auto recs = run.records(img.bytes(), 24);
    EXPECT_EQ(test::outline(recs), "R:Tour T:!*Tour T:Tour T:!!Old V:");
    EXPECT_EQ(recs[1].trk.points.size(), 3u);
    EXPECT_EQ(run.ctx.run.trackCounter, 1);

    // Route options copy tracks, marking those that share a route's name.
    test::PassRun other;
    EXPECT_EQ(test::outline(other.records(img.bytes(), 11)), "T:Tour T:*Tour T:!Old V:");
}

TEST(GdbPass, TrackFilterSplitsIntoNamedParts) {
    test::PassRun run;
    run.ctx.settings.Split = 1;
    run.ctx.settings.Splittype = 2;
    run.ctx.run.splitValue = 10;
    auto recs = run.records(GdbImage().track(test::straightTrack("Long", 25)).end().bytes(), 24);
    EXPECT_EQ(test::outline(recs), "T:Long#1 T:Long#2 T:Long#3 V:");
    size_t total = 0;
    for (int i = 0; i < 3; ++i) total += recs[i].trk.points.size();
    EXPECT_EQ(total, 25u + 2);  // boundary points appear in both parts
    EXPECT_EQ(recs[0].trk.colourIndex(), 3);

    run.ctx.run.splitValue = 2;
    auto many = run.records(GdbImage().track(test::straightTrack("Long", 25)).end().bytes(), 24);
    EXPECT_EQ(many.front().name(), "Long#01");
    EXPECT_EQ(many[10].name(), "Long#11");
}

TEST(GdbPass, PointNumbersStopAt99999) {
    test::PassRun run;
    run.ctx.settings.Prefix = ':';
    GdbImage img;
    img.waypoint(":99899");  // next number 99900
    img.track(test::straightTrack("Big", 200)).track(test::straightTrack("Small", 50)).end();
    auto recs = run.records(img.bytes(), 21);
    ASSERT_GE(recs.size(), 3u);
    EXPECT_EQ(recs[0].name(), ":99899");
    EXPECT_EQ(recs[1].name(), ":99900");
    EXPECT_EQ(recs.end()[-2].name(), "Small");
    EXPECT_EQ(recs.size(), 1 + 50 + 1 + 1u);
    ASSERT_EQ(run.notes.entries.size(), 1u);
    EXPECT_EQ(run.notes.entries[0].key, "Info");
    EXPECT_EQ(run.notes.entries[0].text, "Cannot convert more than 99999 trackpoints,\ntrack \"Big\" skipped.");
    EXPECT_EQ(run.ctx.run.nextWaypointNumber, 99950);

    // Option 23 counts the skipped points all the same, so the small track no longer fits either.
    test::PassRun hidden;
    hidden.ctx.settings.Prefix = ':';
    EXPECT_EQ(test::outline(hidden.records(img.bytes(), 23)), "W::99899 V:");
    EXPECT_EQ(hidden.ctx.run.nextWaypointNumber, 99900 + 200 + 50);
    EXPECT_EQ(hidden.notes.entries.size(), 2u);
}

TEST(GdbPass, TooShortRoutesAndTracksAreReported) {
    GdbImage img;
    img.route(test::calculatedRoute("One", {{"A", 0, 255, 50, 8}}));
    img.track(test::straightTrack("Dot", 1)).end();
    test::PassRun routes;
    EXPECT_EQ(test::outline(routes.records(img.bytes(), 13)), "T:Dot V:");
    EXPECT_EQ(keys(routes.notes), std::vector<std::string>{"$MSG32"});
    EXPECT_EQ(routes.ctx.run.routeFailures, 1);
    test::PassRun tracks;
    EXPECT_EQ(test::outline(tracks.records(img.bytes(), 22)), "R:One V:");
    EXPECT_EQ(keys(tracks.notes), std::vector<std::string>{"$MSG35"});
    EXPECT_EQ(tracks.ctx.run.trackFailures, 1);
}

TEST(GdbPass, MissingEndRecordAndDamagedInput) {
    auto whole = tourImage().end().bytes();
    auto cut = std::vector<uint8_t>(whole.begin(), whole.end() - 7);  // no end record
    test::PassRun run;
    auto out = run.run(std::vector<uint8_t>(whole.begin(), whole.end() - 7), 22);
    auto recs = test::readRecords(out, 'm');
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(recs.back().type, 'V');

    // A "1" record ends the pass; the output is closed all the same.
    test::PassRun one;
    auto ended = one.records(GdbImage().raw({2, 0, 0, 0, '1', 7, 7}).track(test::straightTrack("After", 3)).end().bytes(), 24);
    EXPECT_EQ(test::outline(ended), "1: V:");

    std::mt19937 rng(5);
    for (int round = 0; round < 150; ++round) {
        std::vector<uint8_t> bad = whole;
        const int headerLength = GdbImage().headerLength;
        for (int k = 0; k < 3; ++k) bad[headerLength + rng() % (bad.size() - headerLength)] = static_cast<uint8_t>(rng());
        if (round % 3 == 0) bad.resize(headerLength + rng() % (bad.size() - headerLength));
        for (int option : {1, 3, 4, 12, 13, 15, 21, 23, 24}) {
            test::PassRun r;
            auto result = r.run(bad, option);
            ASSERT_FALSE(result.empty());
        }
    }
}

}  // namespace
}  // namespace trakor
