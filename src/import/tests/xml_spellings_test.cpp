// SPDX-License-Identifier: GPL-3.0-or-later
// The XML readers on the many ways one document can be written: each row is a small document
// and what the readers hand on from it.
#include <cstdio>
#include <string>

#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

struct Spelling {
    const char* what;
    std::string document;
    std::string read;  // waypoints as "name lat lon", tracks as "name:points", then notes
};

class XmlSpellings : public ImportFixture {
protected:
    // What was handed on, in a line: waypoints, tracks, and the notes told.
    std::string readAll(ReaderFn reader, const std::string& document) {
        tracks.clear();
        waypoints.clear();
        notifier.entries.clear();
        ctx.run.cutNote.clear();
        read(reader, document);
        std::string s;
        char buf[64];
        for (const CapturedWaypoint& w : waypoints) {
            std::snprintf(buf, sizeof buf, " %.4f %.4f", w.at.lat / 11930464.7111, w.at.lon / 11930464.7111);
            s += (s.empty() ? "" : "|") + w.name + buf;
        }
        for (const CapturedTrack& t : tracks) s += (s.empty() ? "" : "|") + t.name + ":" + std::to_string(t.points.size());
        for (const auto& e : notifier.entries) s += "|" + e.text;
        if (ctx.run.impossibleWaypoints > 0) s += "|" + std::to_string(ctx.run.impossibleWaypoints) + " waypoints off";
        ctx.run.impossibleWaypoints = 0;
        if (!ctx.run.cutNote.empty()) s += "|lacks " + ctx.run.cutNote;
        return s;
    }

    void check(ReaderFn reader, const std::vector<Spelling>& rows) {
        for (const Spelling& row : rows) {
            ctx.run.waypointCount = ctx.run.trackCounter = 0;
            EXPECT_EQ(readAll(reader, row.document), row.read) << row.what;
        }
    }
};

// UTF-16 (little-endian, with its byte-order mark) of an ASCII text.
std::string utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

const std::string kGpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">";
const std::string kTrack = "<trk><name>R</name><trkseg><trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"1.5\" lon=\"2\"/>";

TEST_F(XmlSpellings, Gpx) {
    check(readGpx, {
        {"single quotes", kGpx + "<wpt lat='50.6' lon='10.6'/></gpx>", "Waypoint-1 50.6000 10.6000"},
        {"blanks in the tag", kGpx + "<wpt\n\tlon = \"10.6\"\tlat= '50.6' ></wpt></gpx>", "Waypoint-1 50.6000 10.6000"},
        {"no lon", kGpx + "<wpt lat=\"1\" lon=\"2\"/><wpt lat=\"3\"/></gpx>",
         "Waypoint-1 1.0000 2.0000|1 waypoints off"},
        {"references and CDATA", kGpx + "<wpt lat=\"1\" lon=\"2\"><name>Bed &amp; Breakfast &#228;</name></wpt>"
                                        "<wpt lat=\"1\" lon=\"2\"><name><![CDATA[Caf] & Bar]]></name></wpt></gpx>",
         "Bed & Breakfast \xC3\xA4-1 1.0000 2.0000|Caf] & Bar-2 1.0000 2.0000"},
        {"comment in a name", kGpx + "<wpt lat=\"1\" lon=\"2\"><name>A<!-- x -->B</name></wpt></gpx>", "AB-1 1.0000 2.0000"},
        {"prefixed elements", "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/0\"><g:trk><g:trkseg>"
                              "<g:trkpt lat=\"1\" lon=\"2\"/><g:trkpt lat=\"3\" lon=\"4\"/></g:trkseg></g:trk></g:gpx>",
         "Track-1:2"},
        {"UTF-16", utf16(kGpx + kTrack + "</trkseg></trk></gpx>"), "R-1:2"},
        {"cut", kGpx + kTrack + "<trkpt lat=\"1.7\"", "R-1:2|lacks the end of the document (</gpx>)"},
        {"not well formed", kGpx + kTrack + "<trkpt lat=\"2\" lon=\"2\"/>\n\x01<trkpt/></trkseg></trk></gpx>",
         "R-1:3|lacks the rest of the document, not well formed at line 2, column 1"},
    });
}

TEST_F(XmlSpellings, GpxWaypointDetails) {
    ScopedTimeZone tz("UTC0");
    read(readGpx, kGpx + "<wpt lat=\"1\" lon=\"2\"><time> 2020-05-01T10:00:00Z </time><cmt>c &lt;1&gt;</cmt>"
                         "<desc><![CDATA[d]]></desc></wpt></gpx>");
    ASSERT_EQ(waypoints.size(), 1u);
    EXPECT_EQ(waypoints[0].details.comment, "c <1>");
    EXPECT_EQ(waypoints[0].details.description, "d");
    EXPECT_EQ(waypoints[0].details.time, 1588327200);
}

TEST_F(XmlSpellings, Tcx) {
    const std::string tcx = "<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\">";
    const std::string point = "<Trackpoint><Position><LatitudeDegrees> 1 </LatitudeDegrees><LongitudeDegrees>2"
                              "</LongitudeDegrees></Position></Trackpoint>";
    const std::string point2 = "<Trackpoint><Position><LatitudeDegrees>3</LatitudeDegrees><LongitudeDegrees>4"
                               "</LongitudeDegrees></Position></Trackpoint>";
    check(readTcx, {
        {"lap with its attributes in any quoting",
         tcx + "<Activities><Activity><Lap\n StartTime='2020-05-01T10:00:00Z'><Track>" + point + point2 +
             "</Track></Lap></Activity></Activities></TrainingCenterDatabase>",
         "Lap 1-5-2020 10:00:00-1:2"},
        {"prefixed course", "<t:TrainingCenterDatabase xmlns:t=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\">"
                            "<t:Courses><t:Course><t:Name>A &amp; B</t:Name><t:Track>" + point + point2 +
                                "</t:Track></t:Course></t:Courses></t:TrainingCenterDatabase>",
         "A & B-1:2"},
        {"course point name in CDATA",
         tcx + "<Courses><Course><Name>C</Name><Track>" + point + point2 + "</Track><CoursePoint><Name><![CDATA[x]y]]></Name><Position><LatitudeDegrees>1"
               "</LatitudeDegrees><LongitudeDegrees>2</LongitudeDegrees></Position></CoursePoint></Course></Courses>"
               "</TrainingCenterDatabase>",
         "x]y-1 1.0000 2.0000|C-1:2"},
    });
}

TEST_F(XmlSpellings, TcxCoursePointNotesAndTime) {
    ScopedTimeZone tz("UTC0");
    read(readTcx, "<TrainingCenterDatabase><Courses><Course><CoursePoint><Name>P</Name><Time>2020-05-01T10:00:00Z</Time>"
                  "<Position><LatitudeDegrees>1</LatitudeDegrees><LongitudeDegrees>2</LongitudeDegrees></Position>"
                  "<Notes>Turn &amp; go</Notes></CoursePoint></Course></Courses></TrainingCenterDatabase>");
    ASSERT_EQ(waypoints.size(), 1u);
    EXPECT_EQ(waypoints[0].details.comment, "Turn & go");
    EXPECT_EQ(waypoints[0].details.time, 1588327200);
}

TEST_F(XmlSpellings, Kml) {
    const std::string kml = "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>";
    check(readKml, {
        {"placemark with an id", kml + "<Placemark id=\"p1\"><name>P</name><Point id=\"x\"><coordinates>2,1</coordinates>"
                                       "</Point></Placemark></Document></kml>",
         "P-1 1.0000 2.0000"},
        {"KML 2.3 track with an id",
         "<kml xmlns=\"http://www.opengis.net/kml/2.3\"><Placemark id=\"t\"><Track id=\"y\"><when>2020-05-01T10:00:00Z</when>"
         "<when>2020-05-01T10:00:01Z</when><coord>2 1</coord><coord>4 3 5</coord></Track></Placemark></kml>",
         "Track-1:2"},
        {"each tuple stands alone", kml + "<Placemark><LineString><coordinates>5.5,52.5 nan,1 inf,2 abc,3 1,2,3,4"
                                          " 5.7,52.7</coordinates></LineString></Placemark></Document></kml>",
         "Track-1:2|4 points with impossible coordinates were left out of Track-1"},
        {"blanks beside commas", kml + "<Placemark><LineString><coordinates>\n 2, 1\t4 ,3\n</coordinates></LineString>"
                                       "</Placemark></Document></kml>",
         "Track-1:2"},
    });
}

TEST_F(XmlSpellings, KmlPlacemarkDescriptionAndTime) {
    ScopedTimeZone tz("UTC0");
    read(readKml, "<kml><Placemark><description><![CDATA[<b>Hut</b>]]></description><TimeStamp>"
                  "<when>2020-05-01T10:00:00Z</when></TimeStamp><Point><coordinates>2,1</coordinates></Point>"
                  "</Placemark></kml>");
    ASSERT_EQ(waypoints.size(), 1u);
    EXPECT_EQ(waypoints[0].details.description, "<b>Hut</b>");
    EXPECT_EQ(waypoints[0].details.time, 1588327200);
}

}  // namespace
}  // namespace trakor::test
