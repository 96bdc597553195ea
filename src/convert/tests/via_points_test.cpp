#include <gtest/gtest.h>

#include "convert/tests/convert_fixture.h"
#include "convert/via_points.h"

namespace trakor {
namespace {

using test::GdbImage;
using test::OutRecord;
using test::RoutePointSpec;

const OutRecord* find(const std::vector<OutRecord>& recs, char type, const std::string& name) {
    for (const OutRecord& r : recs)
        if (r.type == type && r.name() == name) return &r;
    return nullptr;
}

// Class byte and marker of every route point, as "8/31 0/255 ...".
std::string blocks(const GdbRoute& r) {
    std::string s;
    for (const GdbRoutePoint& p : r.points)
        s += (s.empty() ? "" : " ") + std::to_string(p.classByte()) + "/" + std::to_string(p.marker());
    return s;
}
std::string names(const GdbRoute& r) {
    std::string s;
    for (const GdbRoutePoint& p : r.points) s += (s.empty() ? "" : " ") + p.rptName;
    return s;
}

// A file with a route Tour through the given points and one waypoint record per point.
std::vector<uint8_t> tourFile(const std::vector<RoutePointSpec>& pts, const std::string& name = "Tour") {
    GdbImage img;
    for (const RoutePointSpec& p : pts) img.waypoint(p.name, p.cls, p.marker, test::deg(p.lat), test::deg(p.lon));
    img.route(test::calculatedRoute(name, pts, 3)).track(test::straightTrack("Walk", 5)).end();
    return img.bytes();
}

TEST(ViaPointOptions, Option1MakesViaPointsUserWaypoints) {
    test::PassRun run;
    run.ctx.settings.WaypointSymbol = 77;
    auto recs = run.records(tourFile({{"A", 0, 255, 50, 8}, {"B", 8, 15, 50.1, 8}, {"C", 10, 31, 50.2, 8}, {"D", 8, 15, 50.3, 8}}), 1);
    const OutRecord* route = find(recs, 'R', "Tour");
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(blocks(route->rte), "0/255 0/255 10/31 0/255");
    EXPECT_EQ(find(recs, 'W', "B")->wpt.classByte(), 0);
    EXPECT_EQ(find(recs, 'W', "B")->wpt.wptMarker(), 255);
    EXPECT_EQ(find(recs, 'W', "C")->wpt.wptMarker(), 31);
    for (const char* n : {"A", "B", "C", "D"}) EXPECT_EQ(find(recs, 'W', n)->wpt.wptSymbol, 77) << n;
    EXPECT_EQ(run.ctx.run.routeCounter, 1);
    // Everything else passes unchanged.
    EXPECT_EQ(find(recs, 'T', "Walk")->trk.points.size(), 5u);
}

TEST(ViaPointOptions, Option2MakesDirectionPointsViaPoints) {
    test::PassRun run;
    auto input = tourFile({{"A", 0, 255, 50, 8}, {"B", 10, 31, 50.1, 8}, {"C", 12, 33, 50.2, 8}, {"D", 0, 255, 50.3, 8}});
    auto recs = run.records(input, 2);
    EXPECT_EQ(blocks(find(recs, 'R', "Tour")->rte), "0/255 8/15 8/15 0/255");
    EXPECT_EQ(find(recs, 'W', "B")->wpt.classByte(), 10);  // a waypoint keeps its class
    EXPECT_EQ(find(recs, 'W', "B")->wpt.wptMarker(), 15);
    EXPECT_EQ(find(recs, 'W', "C")->wpt.wptMarker(), 15);
    // The records keep their lengths.
    auto before = test::readRecords(input, 'm');
    ASSERT_EQ(before.size(), recs.size());
    for (size_t i = 0; i < recs.size(); ++i) EXPECT_EQ(before[i].data.size(), recs[i].data.size());
}

TEST(ViaPointOptions, Option3HidesInnerPointsAndOption4ShowsThemAgain) {
    const std::vector<RoutePointSpec> pts = {
        {"A", 0, 255, 50, 8}, {"B", 8, 15, 50.1, 8}, {"C", 0, 255, 50.2, 8}, {"D", 8, 15, 50.3, 8}, {"E", 0, 255, 50.4, 8}};
    test::PassRun hide;
    auto hidden = hide.run(tourFile(pts), 3);
    auto recs = test::readRecords(hidden, 'm');
    const OutRecord* route = find(recs, 'R', "#Tour");
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(blocks(route->rte), "0/255 8/31 8/31 8/31 0/255");
    EXPECT_EQ(route->rte.points[1].rptSubclass, subclassTemplate(31));
    for (const char* n : {"B", "C", "D"}) {
        EXPECT_EQ(find(recs, 'W', n)->wpt.classByte(), 8) << n;
        EXPECT_EQ(find(recs, 'W', n)->wpt.wptMarker(), 31) << n;
    }
    EXPECT_EQ(find(recs, 'W', "A")->wpt.wptMarker(), 255);
    EXPECT_EQ(hide.ctx.run.routeCounter, 1);

    test::PassRun show;
    auto recs2 = show.records(hidden, 4);
    route = find(recs2, 'R', "Tour");
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(blocks(route->rte), "0/255 8/15 8/15 8/15 0/255");
    for (const char* n : {"B", "C", "D"}) EXPECT_EQ(find(recs2, 'W', n)->wpt.wptMarker(), 15) << n;
    // The link points travel unchanged.
    EXPECT_EQ(route->rte.points[2].links.size(), 5u);
}

TEST(ViaPointOptions, Option4LeavesVisiblePointsAlone) {
    test::PassRun run;
    auto recs = run.records(tourFile({{"A", 0, 255, 50, 8}, {"U", 0, 255, 50.1, 8}, {"H", 8, 31, 50.2, 8},
                                      {"V", 8, 15, 50.3, 8}, {"E", 0, 255, 50.4, 8}}, "Plain"), 4);
    EXPECT_EQ(blocks(find(recs, 'R', "Plain")->rte), "0/255 0/255 8/15 8/15 0/255");
    EXPECT_EQ(find(recs, 'W', "U")->wpt.wptMarker(), 255);
    EXPECT_EQ(find(recs, 'W', "H")->wpt.wptMarker(), 15);
}

TEST(ViaPointOptions, ShortSavedAndHashedRoutes) {
    GdbImage img;
    img.waypoint("A").waypoint("B", 8, 15);
    img.route(test::calculatedRoute("Two", {{"A", 0, 255, 50, 8}, {"B", 8, 15, 50.1, 8}}));
    img.route(test::calculatedRoute("!Kept", {{"A", 0, 255, 50, 8}, {"B", 8, 15, 50.1, 8}, {"A", 0, 255, 50.2, 8}}));
    img.route(test::calculatedRoute("#Done", {{"A", 0, 255, 50, 8}, {"B", 8, 15, 50.1, 8}, {"A", 0, 255, 50.2, 8}}));
    img.end();
    test::PassRun run;
    auto recs = run.records(img.bytes(), 3);
    EXPECT_EQ(test::outline(recs), "W:A W:B R:#Two R:!Kept R:#Done V:");
    EXPECT_EQ(blocks(recs[2].rte), "0/255 8/15");
    EXPECT_EQ(blocks(recs[3].rte), "0/255 8/15 0/255");
    EXPECT_EQ(test::readRecords(img.bytes(), 'm')[3].data, recs[3].data);
    EXPECT_EQ(blocks(recs[4].rte), "0/255 8/31 0/255");
}

TEST(ViaPointOptions, RemovedViaPointsComeBackBetweenHiddenPoints) {
    // A calculated route whose shaping points carry marker 33; B and D are via points.
    const std::vector<RoutePointSpec> pts = {{"A", 0, 255, 50, 8},     {"s1", 12, 33, 50.1, 8}, {"B", 8, 15, 50.2, 8},
                                             {"s2", 12, 33, 50.3, 8},  {"D", 8, 15, 50.4, 8},   {"s3", 12, 33, 50.5, 8},
                                             {"E", 0, 255, 50.6, 8}};
    test::PassRun hide;
    auto hidden = hide.run(tourFile(pts), 3);
    auto recs = test::readRecords(hidden, 'm');
    const OutRecord* route = find(recs, 'R', "#Tour");
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(names(route->rte), "A s1 s2 s3 E");
    EXPECT_EQ(find(recs, 'W', "B")->wpt.wptMarker(), 31);
    EXPECT_EQ(find(recs, 'W', "D")->wpt.wptMarker(), 31);
    EXPECT_EQ(find(recs, 'W', "s1")->wpt.wptMarker(), 33);

    test::PassRun show;
    auto recs2 = show.records(hidden, 4);
    route = find(recs2, 'R', "Tour");
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(names(route->rte), "A s1 B s2 D s3 E");
    EXPECT_EQ(blocks(route->rte), "0/255 12/33 8/15 12/33 8/15 12/33 0/255");
    EXPECT_EQ(find(recs2, 'W', "B")->wpt.wptMarker(), 15);
    // Nothing is left to restore a second time.
    test::PassRun again;
    auto recs3 = again.records(show.run(hidden, 4), 4);
    EXPECT_EQ(names(find(recs3, 'R', "Tour")->rte), "A s1 B s2 D s3 E");
}

TEST(ViaPointOptions, DamagedFilesPassWithoutHarm) {
    auto input = tourFile({{"A", 0, 255, 50, 8}, {"B", 8, 15, 50.1, 8}, {"C", 0, 255, 50.2, 8}});
    for (int option : {3, 4}) {
        for (size_t cut = 60; cut < input.size(); cut += 7) {
            std::vector<uint8_t> part(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(cut));
            Context ctx;
            ctx.settings.Mode = option;
            MemoryStream in(part), out;
            ASSERT_EQ(viaPointVisibilityPass(ctx, in, out), 0);
            // Whatever could not be walked is carried over as it was.
            EXPECT_GE(out.bytes().size() + 1, part.size());
        }
    }
    Context ctx;
    MemoryStream notGdb(std::vector<uint8_t>{'x', 'y'}), out;
    EXPECT_EQ(viaPointVisibilityPass(ctx, notGdb, out), 0);
    EXPECT_EQ(out.bytes().size(), 2u);
}

}  // namespace
}  // namespace trakor
