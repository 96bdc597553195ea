// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "convert/tests/convert_fixture.h"
#include "convert/via_points.h"
#include "gdb/file_header.h"
#include "gdb/result_check.h"
#include "gdb/waypoint_details.h"

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

// Without marker-33 points option 4 gives every inner point marker 15, user waypoints too, and
// so the first waypoint record of each name; classes stay.
TEST(ViaPointOptions, Option4ShowsEveryInnerPoint) {
    const std::vector<RoutePointSpec> pts = {{"A", 0, 255, 50, 8}, {"U", 0, 255, 50.1, 8}, {"H", 8, 31, 50.2, 8},
                                             {"V", 8, 15, 50.3, 8}, {"E", 0, 255, 50.4, 8}};
    GdbImage img;
    for (const RoutePointSpec& p : pts) img.waypoint(p.name, p.cls, p.marker, test::deg(p.lat), test::deg(p.lon));
    img.waypoint("U", 0, 255, test::deg(51), test::deg(9));  // a second record of the same name
    img.route(test::calculatedRoute("Plain", pts, 3)).end();
    test::PassRun run;
    auto recs = run.records(img.bytes(), 4);
    EXPECT_EQ(blocks(find(recs, 'R', "Plain")->rte), "0/255 0/15 8/15 8/15 0/255");
    EXPECT_EQ(find(recs, 'W', "U")->wpt.wptMarker(), 15);
    EXPECT_EQ(find(recs, 'W', "U")->wpt.classByte(), 0);
    EXPECT_EQ(find(recs, 'W', "H")->wpt.wptMarker(), 15);
    EXPECT_EQ(recs[5].name(), "U");
    EXPECT_EQ(recs[5].wpt.wptMarker(), 255);
    EXPECT_EQ(find(recs, 'W', "A")->wpt.wptMarker(), 255);
}

// A map point with address texts between two marker-33 points of a calculated route: option 3
// removes it from the route and changes nothing of its waypoint record but the marker; option 4
// puts it back in its place as a via point.
TEST(ViaPointOptions, HiddenMapPointKeepsItsTextsAndComesBack) {
    const std::vector<RoutePointSpec> pts = {{"A", 0, 255, 50, 8},
                                             {"s1", 12, 33, 50.1, 8},
                                             {"Museum", 12, 255, 50.2, 8},
                                             {"s2", 12, 33, 50.3, 8},
                                             {"E", 0, 255, 50.4, 8}};
    GdbImage img;
    for (const RoutePointSpec& p : pts) {
        GdbWaypoint w;
        w.wptName = p.name;
        w.setClassAndMarker(p.cls, p.marker);
        w.wptLat = test::deg(p.lat);
        w.wptLon = test::deg(p.lon);
        WaypointDetails d;
        if (p.name == "Museum") {
            w.wptComment = "Open daily";
            w.wptCity = "Utrecht";
            w.wptState = "UT";
            d.address = "Main Street 1";
            d.description = "Turn right into Main Street";
            d.links = {"http://museum.example/"};
            d.category = 2;
            d.hasTime = true;
            d.time = 1620000000;
            d.phoneTexts = {"0301234", ""};
            d.country = "NL";
            d.postalCode = "3511AB";
        }
        MemoryStream tail;
        writeWaypointDetails(tail, d, 'm');
        w.trailing = tail.bytes();
        img.waypoint(w);
    }
    img.route(test::calculatedRoute("Tour", pts, 3)).end();
    const std::vector<uint8_t> input = img.bytes();
    const auto before = test::readRecords(input, 'm');

    // Each record as it was, with the class byte and marker of `now`.
    auto sameExceptClassAndMarker = [](const OutRecord& was, const OutRecord& now) {
        ClassBlockPos pos;
        if (!locateClassBlock(was.data.data(), was.data.size(), pos)) return false;
        std::vector<uint8_t> expected = was.data;
        expected[pos.classByte] = now.data[pos.classByte];
        expected[pos.marker] = now.data[pos.marker];
        return expected == now.data;
    };

    test::PassRun hide;
    const auto hidden = hide.run(input, 3);
    const auto middle = test::readRecords(hidden, 'm');
    EXPECT_EQ(names(find(middle, 'R', "#Tour")->rte), "A s1 s2 E");
    const OutRecord* museum = find(middle, 'W', "Museum");
    ASSERT_NE(museum, nullptr);
    EXPECT_EQ(museum->wpt.wptMarker(), 31);
    EXPECT_TRUE(sameExceptClassAndMarker(*find(before, 'W', "Museum"), *museum));

    test::PassRun show;
    const auto after = show.records(hidden, 4);
    const OutRecord* route = find(after, 'R', "Tour");
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(names(route->rte), "A s1 Museum s2 E");
    EXPECT_EQ(blocks(route->rte), "0/255 12/33 12/15 12/33 0/255");
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].type == 'W') {
            EXPECT_TRUE(sameExceptClassAndMarker(before[i], after[i])) << before[i].name();
        }
    }
    EXPECT_EQ(find(after, 'W', "Museum")->wpt.wptMarker(), 15);
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

// A file cut anywhere after its header gives the records before the cut and an end record, so the
// result reads back whole, with the cut told when it fell inside a record. Files of versions 1 and
// 2 with the saved marker in a waypoint's time flag (and no time after it) read back whole too.
TEST(ViaPointOptions, CutAndMarkedFilesGiveResultsThatReadBackWhole) {
    auto input = tourFile({{"A", 0, 255, 50, 8}, {"B", 8, 15, 50.1, 8}, {"C", 0, 255, 50.2, 8}});
    MemoryStream whole(input);
    GdbHeader header;
    ASSERT_EQ(readFileHeader(whole, header), 0);
    for (int option : {3, 4}) {
        for (size_t cut = static_cast<size_t>(header.length); cut < input.size(); cut += 7) {
            std::vector<uint8_t> part(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(cut));
            Context ctx;
            ctx.settings.Mode = option;
            MemoryStream in(part), out;
            ASSERT_EQ(viaPointVisibilityPass(ctx, in, out), 0);
            const ResultCheck c = checkGdbImage(out.bytes().data(), out.bytes().size());
            EXPECT_TRUE(c.ok) << option << " cut at " << cut << ": " << c.reason;
        }
    }
    for (uint8_t version : {'k', 'l'}) {
        GdbImage img(version);
        img.waypoint("A", 0, 255, test::deg(50), test::deg(8));
        std::vector<uint8_t> marked = img.bytes();
        marked.back() = 1;  // the time flag, last byte of the record
        GdbImage rest(version);
        rest.waypoint("B", 0, 255, test::deg(50.1), test::deg(8));
        rest.end();
        std::vector<uint8_t> file = marked;
        MemoryStream restStream(rest.bytes());
        GdbHeader restHeader;
        ASSERT_EQ(readFileHeader(restStream, restHeader), 0);
        file.insert(file.end(), rest.bytes().begin() + restHeader.length, rest.bytes().end());
        Context ctx;
        ctx.settings.Mode = 3;
        MemoryStream in(file), out;
        ASSERT_EQ(viaPointVisibilityPass(ctx, in, out), 0);
        const ResultCheck c = checkGdbImage(out.bytes().data(), out.bytes().size());
        EXPECT_TRUE(c.ok) << version << ": " << c.reason;
    }
    Context ctx;
    MemoryStream notGdb(std::vector<uint8_t>{'x', 'y'}), out;
    EXPECT_EQ(viaPointVisibilityPass(ctx, notGdb, out), 0);
    EXPECT_EQ(out.bytes().size(), 2u);
}

}  // namespace
}  // namespace trakor
