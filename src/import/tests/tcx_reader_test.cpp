// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

class TcxReaderTest : public ImportFixture {};

std::string trackpoint(double lat, double lon, const std::string& extra = "") {
    return "<Trackpoint><Position><LatitudeDegrees>" + std::to_string(lat) + "</LatitudeDegrees><LongitudeDegrees>" +
           std::to_string(lon) + "</LongitudeDegrees></Position>" + extra + "</Trackpoint>";
}

TEST_F(TcxReaderTest, ActivityLapsAreNamedAfterTheirLocalStartTimes) {
    ScopedTimeZone tz("XXX-2");  // two hours ahead of UTC all year
    std::string tcx = "<Activities><Activity Sport=\"Biking\"><Id>2009-06-01T10:00:00Z</Id>";
    const char* starts[] = {"2009-06-01T10:00:00Z", "2009-06-01T22:30:05Z", "2009-12-31T23:00:00Z"};
    for (const char* s : starts)
        tcx += std::string("<Lap StartTime=\"") + s + "\"><Track>" + trackpoint(1, 2, std::string("<AltitudeMeters>7.5</AltitudeMeters><Time>") + s + "</Time>") +
               trackpoint(1.5, 2.5) + "</Track></Lap>";
    tcx += "</Activity></Activities>";
    EXPECT_EQ(read(readTcx, tcx), kReadDone);
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].name, "Lap 1-6-2009 12:00:00-1");
    EXPECT_EQ(tracks[1].name, "Lap 2-6-2009 00:30:05-2");
    EXPECT_EQ(tracks[2].name, "Lap 1-1-2010 01:00:00-3");
    EXPECT_EQ(tracks[0].points[0].time, 1243850400);
    EXPECT_EQ(tracks[0].points[0].altValid, 1);
    EXPECT_DOUBLE_EQ(tracks[0].points[0].alt, 7.5);
    EXPECT_EQ(tracks[0].points[1].altValid, 0);
    EXPECT_EQ(tracks[0].points[1].time, 0);
    EXPECT_EQ(tracks[0].color, 0);
}

TEST_F(TcxReaderTest, CourseTakesItsFirstNameAndCoursePointsBecomeWaypoints) {
    ctx.settings.WaypointSymbol = 7;
    const std::string crs =
        "<Courses><Course><Name>Loop</Name><Lap><TotalTimeSeconds>1</TotalTimeSeconds></Lap><Track>" +
        trackpoint(50, 6) + trackpoint(50.1, 6.1) + "</Track>"
        "<CoursePoint><Name>Turn</Name><Position><LatitudeDegrees>50.1</LatitudeDegrees>"
        "<LongitudeDegrees>6.1</LongitudeDegrees></Position><AltitudeMeters>300</AltitudeMeters></CoursePoint>"
        "</Course><Course><Track>" + trackpoint(1, 1) + trackpoint(2, 2) + "</Track>"
        "<CoursePoint><Name>Left</Name><Position><LatitudeDegrees>2</LatitudeDegrees>"
        "<LongitudeDegrees>2</LongitudeDegrees></Position></CoursePoint></Course></Courses>";
    EXPECT_EQ(read(readTcx, crs), kReadDone);
    ASSERT_EQ(waypoints.size(), 2u);  // all course points come before any track
    EXPECT_EQ(waypoints[0].name, "Turn-1");
    EXPECT_EQ(waypoints[0].symbol, 7);
    EXPECT_EQ(waypoints[0].at.lat, semi(50.1));
    EXPECT_EQ(waypoints[0].at.altValid, 1);
    EXPECT_EQ(waypoints[1].name, "Left-2");
    EXPECT_EQ(waypoints[1].at.altValid, 0);
    ASSERT_EQ(tracks.size(), 2u);
    // The course's own <Lap> and <Track> belong to the course.
    EXPECT_EQ(tracks[0].name, "Loop-1");
    EXPECT_EQ(tracks[0].points.size(), 2u);
    // Without a name of its own a course takes that of its first course point.
    EXPECT_EQ(tracks[1].name, "Left-2");
}

TEST_F(TcxReaderTest, PointsNeedBothCoordinates) {
    const std::string tcx = "<Track>" + trackpoint(1, 1) +
                            "<Trackpoint><Position><LatitudeDegrees>5</LatitudeDegrees></Position></Trackpoint>" +
                            "<Trackpoint><Time>2009-06-01T10:00:00Z</Time></Trackpoint>"
                            "<Trackpoint><LatitudeDegrees>7</LatitudeDegrees><LatitudeDegrees>8</LatitudeDegrees></Trackpoint>" +
                            trackpoint(95, 1) + trackpoint(2, 2) + "</Track>";
    read(readTcx, tcx);
    ASSERT_EQ(tracks.size(), 1u);
    ASSERT_EQ(tracks[0].points.size(), 2u);
    EXPECT_EQ(tracks[0].points[1].lat, semi(2));
    EXPECT_EQ(tracks[0].name, "Track-1");
    // A point beyond the pole is left out and told with its track.
    ASSERT_EQ(notifier.entries.size(), 1u);
    EXPECT_EQ(notifier.entries[0].text, "1 point with impossible coordinates was left out of Track-1");
}

TEST_F(TcxReaderTest, LapWithoutAttributesIsNoLap) {
    const std::string tcx = "<Activity><Lap><Track>" + trackpoint(1, 1) + trackpoint(2, 2) + "</Track></Lap></Activity>";
    read(readTcx, tcx);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "Track-1");
}

TEST_F(TcxReaderTest, NothingWithoutCourseLapOrTrack) {
    EXPECT_EQ(read(readTcx, "<Trackpoint><Position><LatitudeDegrees>1</LatitudeDegrees></Position></Trackpoint>"),
              kReadNothing);
    EXPECT_TRUE(tracks.empty());
}

TEST_F(TcxReaderTest, TruncatedInputEndsCleanly) {
    const std::string tcx = "<TrainingCenterDatabase><Course><Name>C</Name><Track>" + trackpoint(1, 1) + trackpoint(2, 2) +
                            "</Track><CoursePoint><Name>P</Name><Position><LatitudeDegrees>2</LatitudeDegrees>"
                            "</Position></CoursePoint></Course><Lap StartTime=\"2009-06-01T10:00:00Z\"><Track>" +
                            trackpoint(3, 3);
    readEveryPrefix(readTcx, tcx);
    read(readTcx, tcx);
    ASSERT_EQ(tracks.size(), 1u);  // the unfinished lap has one point only
    EXPECT_EQ(tracks[0].name, "C-1");
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG35"});
    EXPECT_EQ(ctx.run.cutNote, "the end of the document (</TrainingCenterDatabase>)");
}

}  // namespace
}  // namespace trakor::test
