// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "gdb/file_header.h"
#include "gdb/records.h"
#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

struct Written {
    char type;
    std::string name;
    int points;  // track or route points
};

class EmitTrackTest : public ImportFixture {
protected:
    EmitTrackTest() {
        job.onEmit = nullptr;  // the real writing
        job.onWaypoint = nullptr;
        ctx.run.outputVersion = 'm';
    }
    // A straight line of n points about 111 m apart.
    void fill(int n) {
        ctx.store.count = 0;
        for (int i = 0; i < n; ++i) ctx.store.addPoint(ctx.run, semi(47.0 + i * 0.001), semi(8.0), 0.0, 0, 0, 0);
    }
    std::vector<Written> written() {
        std::vector<Written> w;
        size_t pos = 0;
        RecordView rec;
        while (nextRecord(out.data(), static_cast<size_t>(out.size()), pos, rec)) {
            const size_t len = static_cast<size_t>(rec.length);
            if (rec.type == 'T') {
                GdbTrack t;
                EXPECT_EQ(parseTrack(rec.data, len, 'm', t), kRecordOk);
                w.push_back({'T', t.trkName, static_cast<int>(t.points.size())});
            } else if (rec.type == 'R') {
                GdbRoute r;
                EXPECT_EQ(parseRoute(rec.data, len, 'm', r), kRecordOk);
                w.push_back({'R', r.rteName, static_cast<int>(r.points.size())});
            } else if (rec.type == 'W') {
                GdbWaypoint p;
                EXPECT_EQ(parseWaypoint(rec.data, len, 'm', p), kRecordOk);
                w.push_back({'W', p.wptName, 1});
            }
        }
        return w;
    }
    std::vector<std::string> names(char type) {
        std::vector<std::string> n;
        for (const Written& w : written())
            if (w.type == type) n.push_back(w.name);
        return n;
    }
};

TEST_F(EmitTrackTest, OptionZeroWritesTheTrackAsItIs) {
    fill(2);
    ctx.run.nextWaypointNumber = 5;
    emitImportedTrack(ctx, job, "Ride-1", 0);
    auto w = written();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].type, 'T');
    EXPECT_EQ(w[0].name, "Ride-1");
    EXPECT_EQ(w[0].points, 2);
    EXPECT_EQ(ctx.run.nextWaypointNumber, 7);

    fill(1);
    ctx.run.trackCounter = 4;
    emitImportedTrack(ctx, job, "Lonely-4", 0);
    EXPECT_EQ(written().size(), 1u);
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG35"});
    EXPECT_EQ(notifier.entries[0].text, "Track/Lap/Course 4 skipped\nThere are not enough track points");
    EXPECT_EQ(ctx.run.trackFailures, 1);
    EXPECT_EQ(ctx.run.nextWaypointNumber, 7);
}

TEST_F(EmitTrackTest, InvisibleViaRoutesCarryOneLeadingHash) {
    fill(3);
    emitImportedTrack(ctx, job, "Way-1", 23);
    fill(3);
    emitImportedTrack(ctx, job, "#Marked-2", 23);
    EXPECT_EQ(names('R'), (std::vector<std::string>{"#Way-1", "#Marked-2"}));
    EXPECT_EQ(names('W').size(), 6u);
}

TEST_F(EmitTrackTest, SplitPartsAreNumberedWithTwoDigitsFromTenParts) {
    ctx.settings.Split = 1;
    ctx.settings.Splittype = 2;
    ctx.run.splitValue = 25;
    fill(12 * 25 - 1);  // 299 points: 299 / 25 + 1 = 12 parts
    emitImportedTrack(ctx, job, "Tour", 24);
    auto tracks = names('T');
    ASSERT_EQ(tracks.size(), 12u);
    EXPECT_EQ(tracks.front(), "Tour#01");
    EXPECT_EQ(tracks.back(), "Tour#12");

    out = MemoryStream();
    fill(60);  // 3 parts
    emitImportedTrack(ctx, job, "Tour", 24);
    EXPECT_EQ(names('T'), (std::vector<std::string>{"Tour#1", "Tour#2", "Tour#3"}));
}

TEST_F(EmitTrackTest, SavedTrackComesBeforeTheRoutes) {
    ctx.settings.SaveTrack = 1;
    fill(4);
    emitImportedTrack(ctx, job, "Trip-1", 22);
    auto w = written();
    ASSERT_FALSE(w.empty());
    EXPECT_EQ(w[0].type, 'T');
    EXPECT_EQ(w[0].name, "!Trip-1");
    EXPECT_EQ(w[0].points, 4);
    EXPECT_EQ(names('R'), std::vector<std::string>{"Trip-1"});
    EXPECT_EQ(ctx.run.displayColor, 14);  // a route without colour gets 14
    // Without the option nothing is saved.
    out = MemoryStream();
    fill(4);
    emitImportedTrack(ctx, job, "Trip-2", 0);
    EXPECT_EQ(names('T'), std::vector<std::string>{"Trip-2"});
}

TEST_F(EmitTrackTest, TracksBeyondTheWaypointLimitAreSkippedAndTold) {
    ctx.run.nextWaypointNumber = 99990;
    fill(20);
    emitImportedTrack(ctx, job, "Long-1", 21);
    EXPECT_TRUE(written().empty());
    ASSERT_EQ(notifier.keys(), std::vector<std::string>{"Info"});
    EXPECT_EQ(notifier.entries[0].text, "Cannot convert more than 99999 trackpoints,\ntrack \"Long-1\" skipped.");
    EXPECT_EQ(ctx.run.infoFlag, 0);
    EXPECT_EQ(ctx.run.trackFailures, 1);
    // The skipped track takes no point numbers: a later one that fits is written.
    EXPECT_EQ(ctx.run.nextWaypointNumber, 99990);
    fill(5);
    emitImportedTrack(ctx, job, "Short-2", 21);
    EXPECT_EQ(names('R'), std::vector<std::string>{"Short-2"});
    EXPECT_EQ(ctx.run.nextWaypointNumber, 99995);
}

// A track longer than a GDB track holds goes on in next tracks, no piece of a single point.
TEST_F(EmitTrackTest, TracksBeyondTheStoreGoOnInNextTracks) {
    ctx.store.growable = true;
    ctx.run.collectLeftOut = true;
    for (const auto& [n, pieces] : {std::pair{100001, std::vector<int>{99999, 2}},
                                    std::pair{200500, std::vector<int>{100000, 100000, 500}}}) {
        out = MemoryStream();
        ctx.store.count = 0;
        for (int i = 0; i < n; ++i) ctx.store.addPoint(ctx.run, semi(47.0 + i * 1e-6), semi(8.0), 0.0, 0, 0, 0);
        ASSERT_EQ(ctx.store.count, n);
        emitImportedTrack(ctx, job, "Ride", 0);
        std::vector<int> got;
        for (const Written& w : written()) got.push_back(w.points);
        EXPECT_EQ(got, pieces);
        EXPECT_EQ(names('T').at(1), "Ride (2)");
    }
    EXPECT_EQ(ctx.run.leftOut.size(), 3u);
    EXPECT_EQ(ctx.run.trackFailures, 0);
}

TEST_F(EmitTrackTest, FilterShortfallIsShownAndTheRouteStillWritten) {
    ctx.settings.Filter = 1;
    ctx.settings.Filtertype = 1;
    ctx.run.filterValue = 2;
    fill(6);
    for (int i = 1; i < 5; ++i) ctx.store.via[i] = i;  // via points are never filtered away
    emitImportedTrack(ctx, job, "Via-1", 22);
    EXPECT_EQ(notifier.keys(), std::vector<std::string>{"$MSG37"});
    EXPECT_EQ(names('R'), std::vector<std::string>{"Via-1"});
}

TEST_F(EmitTrackTest, BatchModeLogsInsteadOfShowing) {
    TempDir dir;
    FILE* log = std::fopen(dir.file("log.csv").c_str(), "w");
    ASSERT_NE(log, nullptr);
    ctx.run.batch = true;
    job.log = log;
    job.inputPath = "/data/rides/monday.gpx";
    ctx.settings.SaveTrack = 1;
    fill(2);
    emitImportedTrack(ctx, job, "Ride-1", 22);
    fill(1);
    emitImportedTrack(ctx, job, "Short-2", 22);
    std::fclose(log);
    EXPECT_TRUE(notifier.entries.empty());
    EXPECT_EQ(readFile(dir.file("log.csv")),
              "\"/data/rides/\",\"monday.gpx\",\"Track:\",\"!Ride-1\",\"OK\"\n"
              "\"/data/rides/\",\"monday.gpx\",\"Route:\",\"Ride-1\",\"OK\"\n"
              "\"/data/rides/\",\"monday.gpx\",\"Track:\",\"Short-2\",\"Invalid track (skipped)\"\n");
}

}  // namespace
}  // namespace trakor::test
