#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

class KmlReaderTest : public ImportFixture {};

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

TEST_F(KmlReaderTest, LineStringsOfOnePlacemarkFormOneTrack) {
    const std::string kml =
        " <Placemark><MultiGeometry><LineString><coordinates>1,1 2,2</coordinates></LineString>"
        "<LineString><coordinates>3,3</coordinates></LineString></MultiGeometry></Placemark>"
        "<Placemark><name>Second</name><LineString><coordinates>4,4 5,5</coordinates></LineString></Placemark>";
    read(readKml, kml);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Track-1");
    EXPECT_EQ(tracks[0].points.size(), 3u);
    EXPECT_EQ(tracks[1].name, "Second-2");
    EXPECT_EQ(tracks[1].points.size(), 2u);
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

TEST_F(KmlReaderTest, ExponentsAndPlusSignsAreNotNumberCharacters) {
    const std::string kml =
        " <Placemark><LineString><coordinates>1e1,20,5 3,4 +6,7</coordinates></LineString></Placemark>";
    read(readKml, kml);
    ASSERT_EQ(tracks.size(), 1u);
    const auto& p = tracks[0].points;
    // "1e1" ends the longitude at 'e', which is taken as the separator: the rest of the text
    // shifts into the following fields and tuples; '+' is skipped.
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].lon, semi(1));
    EXPECT_EQ(p[0].lat, semi(1));
    EXPECT_DOUBLE_EQ(p[0].alt, 20.0);
    EXPECT_EQ(p[1].lon, semi(5));
    EXPECT_EQ(p[1].lat, semi(3));
    EXPECT_EQ(p[2].lon, semi(6));
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

}  // namespace
}  // namespace trakor::test
