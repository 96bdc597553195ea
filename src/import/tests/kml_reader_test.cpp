// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <cmath>

#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

class KmlReaderTest : public ImportFixture {
protected:
    // A body that starts with a blank is a list of placemarks: it is read inside a KML root.
    int read(ReaderFn reader, const std::string& body) {
        if (!body.starts_with(' ')) return ImportFixture::read(reader, body);
        return ImportFixture::read(reader, "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
                                           "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">" + body + "</kml>");
    }
};

TEST_F(KmlReaderTest, LineStringTuplesWithAndWithoutAltitude) {
    const std::string kml =
        " <Placemark><name>Path</name><LineString><coordinates>\n"
        "   5.1,52.3,10 5.2,52.4\n\t200,52.5,1 5.3,-91,0 -5.4,-52.6,-3.5\n"
        "</coordinates></LineString></Placemark>";
    EXPECT_EQ(read(readKml, kml), kReadDone);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "Path-1");
    EXPECT_EQ(tracks[0].color, 0);
    const auto& p = tracks[0].points;
    ASSERT_EQ(p.size(), 3u);  // longitude 200 and latitude -91 are skipped
    EXPECT_EQ(p[0].lat, semi(52.3));
    EXPECT_EQ(p[0].lon, semi(5.1));
    EXPECT_EQ(p[0].altValid, 1);
    EXPECT_DOUBLE_EQ(p[0].alt, 10.0);
    EXPECT_EQ(p[1].altValid, 0);
    EXPECT_EQ(p[2].lat, semi(-52.6));
    EXPECT_EQ(p[2].lon, semi(-5.4));
    EXPECT_DOUBLE_EQ(p[2].alt, -3.5);
}

TEST_F(KmlReaderTest, PointPlacemarksBecomeWaypointsAtTheirLastValidTuple) {
    ctx.settings.WaypointSymbol = 18;
    const std::string kml =
        " <Placemark><name><![CDATA[Top]]></name><Point><coordinates>1,2,3 4,5</coordinates></Point></Placemark>"
        "<Placemark><Point><coordinates>7,8,9 300,1</coordinates></Point></Placemark>";
    EXPECT_EQ(read(readKml, kml), kReadNothing);
    ASSERT_EQ(waypoints.size(), 2u);
    EXPECT_EQ(waypoints[0].name, "Top-1");
    EXPECT_EQ(waypoints[0].at.lat, semi(5));
    EXPECT_EQ(waypoints[0].at.lon, semi(4));
    EXPECT_EQ(waypoints[0].at.altValid, 0);
    EXPECT_EQ(waypoints[0].symbol, 18);
    EXPECT_EQ(waypoints[1].name, "Waypoint-2");
    EXPECT_EQ(waypoints[1].at.lat, semi(8));
    EXPECT_DOUBLE_EQ(waypoints[1].at.alt, 9.0);
}

TEST_F(KmlReaderTest, LinesOfAMultiGeometryAreTracksOfTheirOwn) {
    const std::string kml =
        " <Placemark><MultiGeometry><LineString><coordinates>1,1 2,2</coordinates></LineString>"
        "<LineString><coordinates>3,3 4,4</coordinates></LineString></MultiGeometry></Placemark>"
        "<Placemark><name>Second</name><LineString><coordinates>4,4 5,5</coordinates></LineString></Placemark>";
    read(readKml, kml);
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].name, "Track-1");
    EXPECT_EQ(tracks[0].points.size(), 2u);
    EXPECT_EQ(tracks[1].name, "Track-2");
    EXPECT_EQ(tracks[1].points[0].lat, semi(3));
    EXPECT_EQ(tracks[2].name, "Second-3");
    EXPECT_EQ(tracks[2].points.size(), 2u);
}

TEST_F(KmlReaderTest, PolygonPlacemarkIsATooShortTrack) {
    const std::string kml =
        " <Placemark><name>Area</name><Polygon><outerBoundaryIs><LinearRing><coordinates>1,1 2,2 3,1 1,1"
        "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark>";
    EXPECT_EQ(read(readKml, kml), kReadDone);
    EXPECT_TRUE(tracks.empty());
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG35"});
    EXPECT_EQ(ctx.run.trackFailures, 1);
}

TEST_F(KmlReaderTest, ExponentsAreNumbers) {
    read(readKml, " <Placemark><LineString><coordinates>1e1,20,5 3,4 +6,7</coordinates></LineString></Placemark>");
    ASSERT_EQ(tracks.size(), 1u);
    const auto& p = tracks[0].points;
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].lon, semi(10));
    EXPECT_EQ(p[0].lat, semi(20));
    EXPECT_DOUBLE_EQ(p[0].alt, 5.0);
    EXPECT_EQ(p[1].lon, semi(3));
    EXPECT_EQ(p[2].lat, semi(7));
}

TEST_F(KmlReaderTest, UnclosedPlacemarkIsNotEmitted) {
    const std::string kml =
        " <Placemark><LineString><coordinates>1,1 2,2</coordinates></LineString></Placemark>"
        "<Placemark><name>Open</name><LineString><coordinates>3,3 4,4";
    readEveryPrefix(readKml, kml);
    EXPECT_EQ(read(readKml, kml), kReadDone);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "Track-1");
}


// gx:Track and gx:MultiTrack: times pair with coordinates in order, empty coordinates drop
// their time, a multi-track joins into one track named after its placemark.
TEST_F(KmlReaderTest, GxTracksPairTimesWithCoordinates) {
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    const int32_t t0 = 1243850400;  // 2009-06-01T10:00:00Z
    struct Case {
        const char* what;
        std::string kml;
        std::vector<std::string> names;
        std::vector<std::vector<std::array<double, 4>>> points;  // lat, lon, alt (NaN: none), seconds after t0 (-1: no time)
    };
    const double none = std::nan("");
    const std::vector<Case> cases = {
        {"one track",
         " <Placemark><name>Walk</name><gx:Track><altitudeMode>absolute</altitudeMode>"
         "<when>2009-06-01T10:00:00Z</when><when>2009-06-01T10:00:05Z</when><when>2009-06-01T10:00:09.5Z</when>"
         "<gx:coord>5.1 52.3 10</gx:coord><gx:coord>5.2 52.4 11.5</gx:coord><gx:coord>-5.3 -52.5</gx:coord>"
         "<ExtendedData><SchemaData><gx:SimpleArrayData name=\"hr\"><gx:value>90</gx:value></gx:SimpleArrayData>"
         "</SchemaData></ExtendedData></gx:Track></Placemark>",
         {"Walk-1"},
         {{{52.3, 5.1, 10, 0}, {52.4, 5.2, 11.5, 5}, {-52.5, -5.3, none, 10}}}},
        {"empty coordinates skip their times",
         " <Placemark><gx:Track><when>2009-06-01T10:00:00Z</when><when>2009-06-01T10:00:01Z</when>"
         "<when>2009-06-01T10:00:02Z</when><when>2009-06-01T10:00:03Z</when>"
         "<gx:coord/><gx:coord>1 2 3</gx:coord><gx:coord></gx:coord><gx:coord>4 5 6</gx:coord></gx:Track></Placemark>",
         {"Track-1"},
         {{{2, 1, 3, 1}, {5, 4, 6, 3}}}},
        {"multi-track joins, other placemarks stay apart",
         " <Placemark><name>Day</name><gx:MultiTrack><gx:interpolate>0</gx:interpolate>"
         "<gx:Track><when>2009-06-01T10:00:00Z</when><gx:coord>1 1 1</gx:coord></gx:Track>"
         "<gx:Track><when>2009-06-01T11:00:00Z</when><when>2009-06-01T11:00:01Z</when>"
         "<gx:coord>2 2 2</gx:coord><gx:coord>200 3 3</gx:coord></gx:Track></gx:MultiTrack></Placemark>"
         "<Placemark><name>Line</name><LineString><coordinates>7,8 9,10</coordinates></LineString></Placemark>",
         {"Day-1", "Line-2"},
         {{{1, 1, 1, 0}, {2, 2, 2, 3600}}, {{8, 7, none, -1}, {10, 9, none, -1}}}},
        {"fewer times than coordinates",
         " <Placemark><gx:Track><when>2009-06-01T10:00:00Z</when><gx:coord>1 2</gx:coord>"
         "<gx:coord>3 4</gx:coord></gx:Track></Placemark>",
         {"Track-1"},
         {{{2, 1, none, 0}, {4, 3, none, -1}}}},
        {"KML 2.3 tracks without the prefix, times with zones",
         " <Placemark><name>New</name><Track><when>2009-06-01T12:00:00+02:00</when>"
         "<when>2009-06-01T05:00:01-0500</when><coord>1 2 3</coord><coord>4 5 6</coord></Track></Placemark>",
         {"New-1"},
         {{{2, 1, 3, 0}, {5, 4, 6, 1}}}},
        {"signs and comments as devices write them",
         " <Placemark><LineString><coordinates>+008.5155383,+48.2662716,768 <!-- 1,1 <b> --> 9,49"
         "</coordinates></LineString></Placemark>",
         {"Track-1"},
         {{{48.2662716, 8.5155383, 768, -1}, {49, 9, none, -1}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tracks.clear();
        ctx.resetRun();
        EXPECT_EQ(read(readKml, c.kml), kReadDone);
        ASSERT_EQ(tracks.size(), c.names.size());
        for (size_t k = 0; k < tracks.size(); ++k) {
            EXPECT_EQ(tracks[k].name, c.names[k]);
            const auto& got = tracks[k].points;
            ASSERT_EQ(got.size(), c.points[k].size());
            for (size_t i = 0; i < got.size(); ++i) {
                const auto& want = c.points[k][i];
                EXPECT_EQ(got[i].lat, semi(want[0])) << i;
                EXPECT_EQ(got[i].lon, semi(want[1])) << i;
                EXPECT_EQ(got[i].altValid, std::isnan(want[2]) ? 0 : 1) << i;
                if (!std::isnan(want[2])) {
                    EXPECT_DOUBLE_EQ(got[i].alt, want[2]) << i;
                }
                EXPECT_EQ(got[i].time, want[3] < 0 ? 0 : t0 + static_cast<int32_t>(want[3])) << i;
            }
        }
    }
    readEveryPrefix(readKml, cases[2].kml);
}

}  // namespace
}  // namespace trakor::test
