// SPDX-License-Identifier: GPL-3.0-or-later
// Every option on real MapSource files; gpsbabel reads every result, and the points of the
// results match what gpsbabel reads from the input.
#include <gtest/gtest.h>

#include <set>

#include "convert/tests/convert_fixture.h"
#include "convert/via_points.h"
#include "testsupport/gpx_oracle.h"

namespace trakor {
namespace {

const char* const kFiles[] = {"gdb-sample.gdb", "gdb-sample-v3.gdb"};
const int kOptions[] = {1, 2, 3, 4, 11, 12, 13, 14, 15, 21, 22, 23, 24};

// Runs one option on a file, as the driver does, into `outPath`.
std::vector<uint8_t> convertFile(Context& ctx, const std::string& inPath, const std::string& outPath, int option) {
    ctx.settings.Mode = option;
    ctx.run.savedRouteMarker = ctx.settings.SaveRoute;
    FileStream in, out;
    EXPECT_TRUE(in.open(inPath, "rb"));
    EXPECT_TRUE(out.open(outPath, "w+b"));
    int32_t headerLength = 0;
    EXPECT_EQ(scanForGdbPass(ctx, in, headerLength), 0);
    if (option == 3 || option == 4) {
        EXPECT_EQ(viaPointVisibilityPass(ctx, in, out), 0);
    } else {
        in.seek(0);
        convertGdbFile(ctx, in, out, headerLength);
    }
    out.close();
    std::vector<uint8_t> bytes;
    readWholeFile(outPath, bytes);
    return bytes;
}

// gpsbabel accepts only MapSource and BaseCamp files: a copy with that creator name.
std::string forGpsbabel(const std::vector<uint8_t>& image, const std::string& path) {
    MemoryStream in(image.data(), image.size());
    GdbHeader header;
    std::string bytes(image.begin(), image.end());
    if (readFileHeader(in, header) == 0 && header.creatorName != "MapSource") {
        size_t at = static_cast<size_t>(header.length) - header.creatorName.size() - 1;
        bytes.replace(at, header.creatorName.size(), "MapSource");
    }
    test::writeFile(path, bytes);
    return path;
}

struct Fixed {
    int64_t lat, lon;
    bool operator==(const Fixed&) const = default;
};
std::vector<Fixed> distinct(const std::vector<test::GpxPoint>& pts) {
    std::vector<Fixed> out;
    for (const auto& p : pts) {
        Fixed f{test::gpxSemicircles(p.lat), test::gpxSemicircles(p.lon)};
        if (out.empty() || !(out.back() == f)) out.push_back(f);
    }
    return out;
}

struct CorpusPass : ::testing::Test {
    void SetUp() override {
        if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    }
    // Keeps every point: no glitch removal, no filter, no split.
    static void keepAll(Context& ctx) {
        ctx.settings.RemovalDistance = 0;
        ctx.settings.RemovalGlitches = 0;
        ctx.settings.Filter = 0;
        ctx.settings.Split = 0;
    }
    test::TempDir dir;
};

TEST_F(CorpusPass, EveryOptionGivesAFileGpsbabelReads) {
    for (const char* name : kFiles) {
        TRAKOR_CORPUS_OR_SKIP(input, name);
        for (int option : kOptions) {
            for (int save = 0; save <= 1; ++save) {
                Context ctx;
                test::RecordingNotifier notes;
                ctx.notifier = &notes;
                ctx.settings.SaveRoute = ctx.settings.SaveTrack = save;
                ctx.settings.Filter = 1;
                ctx.settings.Split = option == 24 ? 1 : 0;
                ctx.run.filterValue = option >= 21 ? 50 : 20;
                ctx.run.splitValue = 5;
                auto out = convertFile(ctx, input, dir.file("out.gdb"), option);
                const std::string where = std::string(name) + " option " + std::to_string(option) + " save " + std::to_string(save);
                test::GpxData gpx;
                std::string error;
                ASSERT_TRUE(test::gpsbabelRead(forGpsbabel(out, dir.file("babel.gdb")), gpx, &error)) << where << error;
                // Every route point names a waypoint record of the output.
                auto recs = test::readRecords(out, ctx.run.outputVersion);
                ASSERT_FALSE(recs.empty()) << where;
                EXPECT_EQ(recs.back().type, 'V') << where;
                std::set<std::string> waypoints;
                for (const auto& r : recs)
                    if (r.type == 'W') waypoints.insert(r.wpt.wptName);
                for (const auto& r : recs)
                    for (const auto& p : r.rte.points) EXPECT_TRUE(waypoints.count(p.rptName)) << where << ": " << p.rptName;
                const bool routes = option >= 11 && option <= 15;
                if (option >= 11) {
                    EXPECT_EQ(routes ? ctx.run.routeCounter : ctx.run.trackCounter, routes ? 1 : 9) << where;
                }
            }
        }
    }
}

TEST_F(CorpusPass, RouteToTrackFollowsTheRoute) {
    for (const char* name : kFiles) {
        TRAKOR_CORPUS_OR_SKIP(input, name);
        test::GpxData source;
        ASSERT_TRUE(test::gpsbabelRead(input, source));
        ASSERT_EQ(source.routes.size(), 1u);

        // Option 12: exactly the route's points.
        Context ctx;
        keepAll(ctx);
        auto out = convertFile(ctx, input, dir.file("o12.gdb"), 12);
        test::GpxData result;
        ASSERT_TRUE(test::gpsbabelRead(forGpsbabel(out, dir.file("b12.gdb")), result));
        ASSERT_EQ(result.routes.size(), 0u);
        ASSERT_EQ(result.tracks.size(), 10u);
        const auto& track = result.tracks[0];
        EXPECT_EQ(track.name, source.routes[0].name);
        EXPECT_EQ(distinct(track.points), distinct(source.routes[0].points)) << name;

        // Option 11: through every link point of the route.
        std::vector<uint8_t> image;
        readWholeFile(input, image);
        std::vector<Fixed> links;
        for (const auto& r : test::readRecords(image, ctx.run.outputVersion))
            for (const auto& p : r.rte.points)
                for (const auto& l : p.links)
                    if (links.empty() || !(links.back() == Fixed{l.lat, l.lon})) links.push_back({l.lat, l.lon});
        Context all;
        keepAll(all);
        out = convertFile(all, input, dir.file("o11.gdb"), 11);
        ASSERT_TRUE(test::gpsbabelRead(forGpsbabel(out, dir.file("b11.gdb")), result));
        ASSERT_GT(links.size(), source.routes[0].points.size());
        EXPECT_EQ(distinct(result.tracks[0].points), links) << name;
    }
}

TEST_F(CorpusPass, TracksToRoutesFollowTheTracks) {
    for (const char* name : kFiles) {
        TRAKOR_CORPUS_OR_SKIP(input, name);
        test::GpxData source;
        ASSERT_TRUE(test::gpsbabelRead(input, source));
        for (int option : {21, 22}) {
            Context ctx;
            keepAll(ctx);
            auto out = convertFile(ctx, input, dir.file("o.gdb"), option);
            test::GpxData result;
            ASSERT_TRUE(test::gpsbabelRead(forGpsbabel(out, dir.file("b.gdb")), result));
            // The input's route, then one route per track of two points or more, in file order.
            size_t next = 1, tooShort = 0;
            for (const auto& track : source.tracks) {
                if (distinct(track.points).size() < 2) {
                    ++tooShort;
                    continue;
                }
                ASSERT_LT(next, result.routes.size()) << name << " " << option;
                const auto& route = result.routes[next++];
                EXPECT_EQ(route.name, track.name);
                EXPECT_EQ(distinct(route.points), distinct(track.points)) << name << " " << track.name;
            }
            EXPECT_EQ(next, result.routes.size());
            EXPECT_EQ(ctx.run.trackFailures, static_cast<int32_t>(tooShort));
        }
    }
}

}  // namespace
}  // namespace trakor

namespace trakor {
namespace {

// Hiding the via points of a real calculated route and showing them again gives back its points
// and markers.
TEST(CorpusVisibility, HideAndShowRestoresTheRoute) {
    for (const char* name : kFiles) {
        TRAKOR_CORPUS_OR_SKIP(input, name);
        std::vector<uint8_t> original;
        ASSERT_TRUE(readWholeFile(input, original));
        test::PassRun hide, show;
        auto hidden = hide.run(original, 3);
        auto shown = show.run(hidden, 4);
        auto before = test::readRecords(original, hide.version);
        auto middle = test::readRecords(hidden, hide.version);
        auto after = test::readRecords(shown, hide.version);
        ASSERT_EQ(before.size(), after.size());
        for (size_t i = 0; i < before.size(); ++i) {
            if (before[i].type != 'R') continue;
            EXPECT_EQ("#" + before[i].name(), middle[i].name());
            // Its via points are user waypoints, which stay through option 3.
            EXPECT_EQ(middle[i].rte.points.size(), before[i].rte.points.size()) << name;
            EXPECT_EQ(before[i].name(), after[i].name());
            ASSERT_EQ(before[i].rte.points.size(), after[i].rte.points.size()) << name;
            for (size_t k = 0; k < before[i].rte.points.size(); ++k) {
                EXPECT_EQ(before[i].rte.points[k].rptName, after[i].rte.points[k].rptName) << name << " " << k;
                EXPECT_EQ(before[i].rte.points[k].marker(), after[i].rte.points[k].marker()) << name << " " << k;
            }
        }
        // The waypoints get their markers back.
        for (size_t i = 0; i < before.size(); ++i) {
            if (before[i].type == 'W') {
                EXPECT_EQ(before[i].wpt.wptMarker(), after[i].wpt.wptMarker()) << before[i].name();
            }
        }
    }
}

}  // namespace
}  // namespace trakor
