// SPDX-License-Identifier: GPL-3.0-or-later
// MapSource files wrapped in clipboard blocks, converted under every option pair and read back
// by gpsbabel.
#include <cstring>

#include "clipboard/tests/clipboard_fixture.h"
#include "testsupport/gpx_oracle.h"

namespace trakor::test {
namespace {

std::vector<GpxPoint> withoutRepeats(const std::vector<GpxPoint>& points) {
    std::vector<GpxPoint> out;
    for (const GpxPoint& p : points)
        if (out.empty() || out.back().lat != p.lat || out.back().lon != p.lon) out.push_back(p);
    return out;
}

void expectSamePositions(const std::vector<GpxPoint>& got, const std::vector<GpxPoint>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].lat, want[i].lat) << i;
        EXPECT_EQ(got[i].lon, want[i].lon) << i;
    }
}

// gpsbabel reads only files of MapSource or BaseCamp: the image is saved under that creator name.
bool readAsMapSource(const std::vector<uint8_t>& image, const std::string& path, GpxData& data, std::string* error) {
    std::string bytes(image.begin(), image.end());
    const std::string mark("Trakor3\0", 8);
    size_t at = bytes.find(mark);
    if (at == std::string::npos) return false;
    bytes.replace(at, mark.size(), std::string("MapSource\0", 10));
    writeFile(path, bytes);
    return gpsbabelRead(path, data, error);
}

class ClipboardCorpusTest : public ClipboardTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ClipboardCorpusTest, EveryOptionPairGivesAFileGpsbabelReads) {
    TRAKOR_CORPUS_OR_SKIP(file, GetParam());
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    std::vector<uint8_t> image;
    ASSERT_TRUE(readWholeFile(file, image));
    GpxData input;
    std::string error;
    ASSERT_TRUE(gpsbabelRead(file, input, &error)) << error;
    ASSERT_EQ(input.routes.size(), 1u);

    // Without glitch removal the store holds the points less their repeats.
    ctx.settings.RemovalDistance = 0;
    std::vector<GpxPath> tracks;
    size_t trackPoints = 0;
    for (const GpxPath& t : input.tracks) {
        GpxPath p{t.name, withoutRepeats(t.points)};
        if (p.points.size() < 2) continue;
        trackPoints += p.points.size();
        tracks.push_back(std::move(p));
    }
    ASSERT_GE(tracks.size(), 2u);

    TempDir dir;
    for (int cbr : {3, 11, 12}) {
        for (int cbt : {22, 23, 24}) {
            SCOPED_TRACE("routes " + std::to_string(cbr) + ", tracks " + std::to_string(cbt));
            ctx.settings.CBmode_r = cbr;
            ctx.settings.CBmode_t = cbt;
            notes.entries.clear();
            ASSERT_EQ(convert(image), kPassConverted);
            EXPECT_EQ(dest, cbr == 3 ? kDestinationMapSourceForced : kDestinationClipboard);
            EXPECT_EQ(counters.tracksConverted, static_cast<int>(tracks.size()));
            EXPECT_EQ(notes.entries.size(), input.tracks.size() - tracks.size());
            GpxData got;
            ASSERT_TRUE(readAsMapSource(out.bytes(), dir.file("out.gdb"), got, &error)) << error;

            const bool fromRoute = cbr != 3;
            const bool toRoutes = cbt != 24;
            EXPECT_EQ(got.routes.size(), (fromRoute ? 0 : 1) + (toRoutes ? tracks.size() : 0));
            EXPECT_EQ(got.tracks.size(), (fromRoute ? 1 : 0) + (toRoutes ? 0 : tracks.size()));
            EXPECT_EQ(got.waypoints.size(), (fromRoute ? 0 : input.waypoints.size()) + (toRoutes ? trackPoints : 0));

            if (cbr == 12) expectSamePositions(got.tracks.at(0).points, withoutRepeats(input.routes[0].points));
            if (cbr == 3) expectSamePositions(got.routes.at(0).points, input.routes[0].points);
            const std::vector<GpxPath>& made = toRoutes ? got.routes : got.tracks;
            const size_t first = toRoutes ? (fromRoute ? 0 : 1) : (fromRoute ? 1 : 0);
            for (size_t k = 0; k < tracks.size(); ++k) {
                const GpxPath& path = made.at(first + k);
                EXPECT_EQ(path.name, (cbt == 23 ? "#" : "") + tracks[k].name);
                expectSamePositions(path.points, tracks[k].points);
            }
        }
    }
}

using ClipboardGpsbabelTest = ClipboardTest;

TEST_F(ClipboardGpsbabelTest, BuiltImagesOfEveryVersionAreRead) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    TempDir dir;
    for (uint8_t version : {uint8_t('k'), uint8_t('l'), uint8_t('m')}) {
        for (int cbt : {22, 23, 24}) {
            SCOPED_TRACE(std::string(1, static_cast<char>(version)) + " " + std::to_string(cbt));
            ctx.settings.CBmode_t = cbt;
            GdbImage img(version);
            img.track(northTrack("Ride", 150)).track(northTrack("Back", 3, 5000000)).end();
            ASSERT_EQ(convert(img.bytes()), kPassConverted);
            GpxData got;
            std::string error;
            ASSERT_TRUE(readAsMapSource(out.bytes(), dir.file("out.gdb"), got, &error)) << error;
            const std::vector<GpxPath>& paths = cbt == 24 ? got.tracks : got.routes;
            ASSERT_EQ(paths.size(), 2u);
            EXPECT_EQ(paths[0].name, cbt == 23 ? "#Ride" : "Ride");
            ASSERT_EQ(paths[0].points.size(), 150u);
            EXPECT_EQ(gpxSemicircles(paths[0].points[149].lat), 149 * 11930);
            EXPECT_EQ(paths[1].points.size(), 3u);
            if (cbt == 24) continue;
            ASSERT_EQ(got.waypoints.size(), 153u);
            EXPECT_EQ(got.waypoints[1].name, ":1002");
            EXPECT_EQ(got.waypoints[150].name, "START2");
            EXPECT_EQ(paths[0].points[148].name, ":1149");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(MapSourceFiles, ClipboardCorpusTest,
                         ::testing::Values("gdb-sample.gdb", "gdb-sample-v3.gdb"));

}  // namespace
}  // namespace trakor::test
