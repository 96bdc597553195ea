// SPDX-License-Identifier: GPL-3.0-or-later
// Random tag soup and random bytes: every reader ends with a reader result and stays inside its
// data (run under the sanitizers to see the latter).
#include <random>

#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

// Fragments the readers look for, with the text around them that they copy.
const std::vector<std::string> kFragments = {
    "<wpt ", "</wpt>", "<trk>", "</trk>", "<rte>", "</rte>", "<trkpt ", "</trkpt>", "<rtept ", "</rtept>",
    "<gpxx:rpt ", "<extensions>", "</extensions>", "lat=\"", "lon=\"", "\"", ">", "/>", "<", "<ele>", "<time>",
    "<name>", "<![CDATA[", "]", "<sym>", "<gpxx:DisplayColor>", "Magenta", "12.5", "-1e999", "2009-06-01T10:00:00Z",
    "<CoursePoint>", "</CoursePoint>", "<Course>", "</Course>", "<Lap ", "</Lap>", "<Track>", "</Track>",
    "<Trackpoint>", "</Trackpoint>", "<LatitudeDegrees>", "<LongitudeDegrees>", "<AltitudeMeters>", "<Time>",
    "<Name>", "<Placemark>", "</Placemark>", "<Point>", "</Point>", "<LineString>", "</LineString>",
    "<coordinates>", "</coordinates>", "5.1,52.3,10 ", "200,1 ", "-.-,", " ", "\n"};

std::string soup(std::mt19937& rng, int pieces) {
    std::uniform_int_distribution<size_t> pick(0, kFragments.size() - 1);
    std::string s = " ";
    for (int i = 0; i < pieces; ++i) s += kFragments[pick(rng)];
    return s;
}

TEST(ReaderRobustness, TagSoupEndsCleanly) {
    std::mt19937 rng(20091);
    for (ReaderFn reader : {readGpx, readTcx, readKml}) {
        for (int round = 0; round < 300; ++round) {
            std::string text = soup(rng, 1 + round % 60);
            Context ctx;
            ctx.run.importQuestion = 1;
            MemoryStream out;
            ImportJob job{out};
            job.onEmit = [](Context&, const std::string&) {};
            job.onWaypoint = [](Context&, const std::string&, int32_t, const ImportedWaypointDetails&) {};
            std::vector<uint8_t> bytes(text.begin(), text.end());
            int r = reader(ctx, job, bytes.data(), bytes.size());
            ASSERT_TRUE(r == kReadDone || r == kReadNothing) << text;
            EXPECT_LE(ctx.store.count, kMaxPoints);
        }
    }
}

TEST(ReaderRobustness, RandomBytesEndCleanly) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (ReaderFn reader : {readGpx, readTcx, readKml, readGdbForImport}) {
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> bytes(static_cast<size_t>(round * 7));
            for (auto& b : bytes) b = static_cast<uint8_t>(byte(rng));
            // Half of the GDB inputs get a valid start so the record walk is reached.
            const uint8_t head[] = {'M', 's', 'R', 'c', 'f', 0, 2, 0, 0, 0, 'D', 'm', 0};
            if (reader == readGdbForImport && round % 2 && bytes.size() > sizeof head)
                std::copy(std::begin(head), std::end(head), bytes.begin());
            Context ctx;
            ctx.run.importQuestion = 1;
            MemoryStream out;
            ImportJob job{out};
            job.onEmit = [](Context&, const std::string&) {};
            job.onWaypoint = [](Context&, const std::string&, int32_t, const ImportedWaypointDetails&) {};
            int r = reader(ctx, job, bytes.data(), bytes.size());
            ASSERT_TRUE(r == kReadDone || r == kReadNothing || r == kReadInvalid);
        }
    }
}

}  // namespace
}  // namespace trakor::test
