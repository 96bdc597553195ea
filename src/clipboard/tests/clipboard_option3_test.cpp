// SPDX-License-Identifier: GPL-3.0-or-later
// Option 3 on the clipboard: routes kept with their via points made invisible.
#include "clipboard/clipboard_conversion.h"
#include "clipboard/tests/clipboard_fixture.h"

namespace trakor::test {
namespace {

struct ClipboardOption3Test : ClipboardTest {
    ClipboardOption3Test() { ctx.settings.CBmode_r = 3; }

    // A route through the named points, 0.01 degrees apart; markers by point.
    static GdbRoute route(const std::string& name, const std::vector<std::string>& points,
                          const std::vector<uint8_t>& markers) {
        GdbRoute r;
        r.rteName = name;
        r.rteAutoName = 1;  // a name MapSource made, which it may make again
        for (size_t i = 0; i < points.size(); ++i) {
            std::vector<GdbLinkPoint> links;
            if (i + 1 < points.size())
                links = {{static_cast<int32_t>(i) * 119304, 0, {}}, {static_cast<int32_t>(i + 1) * 119304, 0, {}}};
            r.points.push_back(routePoint(points[i], links, markers[i]));
        }
        return r;
    }
    static const GdbWaypoint* named(const ImageRecords& r, const std::string& name) {
        for (const GdbWaypoint& w : r.waypoints)
            if (w.wptName == name) return &w;
        return nullptr;
    }
};

TEST_F(ClipboardOption3Test, InnerPointsAndTheirWaypointsBecomeInvisible) {
    GdbImage img;
    img.waypoint("A").waypoint("B", 8, kMarkerVia).waypoint("C", 0, kMarkerNormal).waypoint("D", 8, kMarkerVia);
    img.waypoint("E").waypoint("Other");
    img.route(route("Tour", {"A", "B", "C", "D", "E"},
                    {kMarkerNormal, kMarkerVia, kMarkerNormal, kMarkerVia, kMarkerNormal}));
    img.track(northTrack("T", 3)).end();
    ctx.settings.CBmode_t = 22;
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(dest, kDestinationMapSourceForced);
    EXPECT_EQ(counters.routesConverted, 1);
    EXPECT_EQ(counters.tracksConverted, 1);
    ImageRecords r = result();
    // The image's waypoints first, then the route, then what the track became.
    ASSERT_EQ(r.waypoints.size(), 6u + 3u);
    EXPECT_EQ(r.waypoints[5].wptName, "Other");
    EXPECT_EQ(r.records[6].type, 'R');
    ASSERT_EQ(r.routes.size(), 2u);
    const GdbRoute& tour = r.routes[0];
    EXPECT_EQ(tour.rteName, "#Tour");
    EXPECT_EQ(tour.rteAutoName, 0);  // a new automatic name would lose the "#"
    ASSERT_EQ(tour.points.size(), 5u);
    EXPECT_EQ(tour.points[0].marker(), kMarkerNormal);
    EXPECT_EQ(tour.points[4].marker(), kMarkerNormal);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(tour.points[i].rptClass, 8) << i;
        EXPECT_EQ(tour.points[i].rptSubclass, subclassTemplate(kMarkerInvisible)) << i;
        const GdbWaypoint* w = named(r, tour.points[i].rptName);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->wptClass, 8);
        EXPECT_EQ(w->wptMarker(), kMarkerInvisible);
    }
    EXPECT_EQ(named(r, "A")->wptMarker(), kMarkerNormal);
    EXPECT_EQ(named(r, "Other")->wptMarker(), kMarkerNormal);
    // The route made from the track is not touched.
    EXPECT_EQ(r.routes[1].rteName, "T");
    EXPECT_EQ(r.routes[1].points[1].marker(), kMarkerVia);
}

TEST_F(ClipboardOption3Test, RouteWithHiddenPointsLosesItsOtherViaPoints) {
    GdbImage img;
    img.waypoint("A").waypoint("B", 8, kMarkerVia).waypoint("C").waypoint("D", 8, kMarkerVia).waypoint("E");
    img.route(route("Tour", {"A", "B", "C", "D", "E"},
                    {kMarkerNormal, kMarkerInvisible2, kMarkerNormal, kMarkerVia, kMarkerNormal}));
    img.end();
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    ImageRecords r = result();
    ASSERT_EQ(r.routes.size(), 1u);
    const GdbRoute& tour = r.routes[0];
    EXPECT_EQ(tour.rteName, "#Tour");
    // D (class 8, visible) goes; the user waypoint C and the hidden B stay.
    ASSERT_EQ(tour.points.size(), 4u);
    EXPECT_EQ(tour.points[1].rptName, "B");
    EXPECT_EQ(tour.points[2].rptName, "C");
    EXPECT_EQ(tour.points[3].rptName, "E");
    EXPECT_EQ(named(r, "D")->wptMarker(), kMarkerInvisible);
    EXPECT_EQ(named(r, "C")->wptMarker(), kMarkerNormal);
    EXPECT_EQ(tour.rteAutoName, 0);
    // D's waypoint record changes in its marker only.
    const ImageRecords in = readImage(img.bytes());
    const RecordView& was = in.records[3];
    const RecordView& d = r.records[3];
    ASSERT_EQ(d.type, 'W');
    std::vector<uint8_t> expected(was.data, was.data + was.length);
    ClassBlockPos pos;
    ASSERT_TRUE(locateClassBlock(expected.data(), expected.size(), pos));
    expected[pos.marker] = kMarkerInvisible;
    EXPECT_EQ(std::vector<uint8_t>(d.data, d.data + d.length), expected);
}

TEST_F(ClipboardOption3Test, ShortRoutesOnlyGetTheMarkAndMarkedRoutesKeepTheirName) {
    GdbImage img;
    img.waypoint("A").waypoint("B");
    img.route(route("Short", {"A", "B"}, {kMarkerNormal, kMarkerNormal}));
    img.route(route("#Done", {"A", "B"}, {kMarkerNormal, kMarkerNormal}));
    img.end();
    ASSERT_EQ(convert(img.bytes()), kPassConverted);
    EXPECT_EQ(counters.routesConverted, 2);
    ImageRecords r = result();
    ASSERT_EQ(r.routes.size(), 2u);
    EXPECT_EQ(r.routes[0].rteName, "#Short");
    EXPECT_EQ(r.routes[1].rteName, "#Done");
    EXPECT_EQ(r.routes[0].points.size(), 2u);
    EXPECT_EQ(r.routes[0].rteAutoName, 1);
    // The record lengths follow the edits: the whole image reads to its end record.
    EXPECT_TRUE(r.endRecord);
}

TEST_F(ClipboardOption3Test, ClipboardDestinationTurnsIntoMapSource) {
    TempDir dir;
    ctx.paths.workGdb = dir.file("Trakor3.gdb");
    MemoryClipboard clipboard;
    GdbImage img;
    img.waypoint("A").waypoint("B").waypoint("C").route(route("R", {"A", "B", "C"}, {255, 15, 255})).end();
    clipboard.add(kGarminClipboardFormat, makeBlock(img.bytes()));
    int starts = 0;
    ClipboardCalls calls;
    calls.openInMapSource = [&](Context&) { return ++starts, 0; };
    EXPECT_EQ(convertClipboard(ctx, clipboard, kDestinationClipboard, calls), kClipboardDone);
    EXPECT_EQ(notes.keys(), std::vector<std::string>{"$MSG43"});
    EXPECT_EQ(notes.entries[0].style, MsgStyle::Information);
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(clipboard.hasData());
    const std::string work = readFile(ctx.paths.workGdb);
    ImageRecords r = readImage(std::vector<uint8_t>(work.begin(), work.end()));
    ASSERT_EQ(r.routes.size(), 1u);
    EXPECT_EQ(r.routes[0].rteName, "#R");
}

}  // namespace
}  // namespace trakor::test
