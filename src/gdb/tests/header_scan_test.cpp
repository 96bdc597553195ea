// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "gdb/header_scan.h"
#include "testsupport/gdb_image.h"

namespace trakor {
namespace {

using test::GdbImage;

struct HeaderScanTest : ::testing::Test {
    Context ctx;
    HeaderScanResult result;

    int scan(GdbImage& image) {
        MemoryStream in = image.stream();
        in.seek(17);
        int r = scanHeader(ctx, in, result);
        if (r == 0) {
            EXPECT_EQ(in.tell(), 0);  // back at the start
        }
        return r;
    }
    std::vector<std::string> waypointNames() const {
        std::vector<std::string> names;
        for (const auto& row : ctx.waypointIndex.rows) names.push_back(row.name);
        return names;
    }
};

TEST_F(HeaderScanTest, RejectsWhatIsNotAUsableGdbFile) {
    MemoryStream signatureOnly(std::vector<uint8_t>{'M', 's', 'R', 'c', 'f', 0});
    EXPECT_EQ(scanHeader(ctx, signatureOnly, result), 1);
    MemoryStream wrong(std::vector<uint8_t>{'M', 's', 'R', 'c', 'g', 0, 2, 0, 0, 0, 'D', 'm', 0});
    EXPECT_EQ(scanHeader(ctx, wrong, result), 1);
    MemoryStream empty;
    EXPECT_EQ(scanHeader(ctx, empty, result), 1);

    GdbImage n('n');
    n.end();
    EXPECT_EQ(scan(n), 1);
    GdbImage later(0x84);
    later.end();
    EXPECT_EQ(scan(later), 1);
    for (uint8_t v : {'k', 'l', 'm'}) {
        GdbImage ok(v, "MapSource");
        ok.end();
        EXPECT_EQ(scan(ok), 0) << v;
        EXPECT_EQ(result.version, static_cast<char>(v));
        EXPECT_EQ(ctx.run.outputVersion, static_cast<char>(v));
        // 6 + 7 + 5 + 2 + "SQA" + date + time + "MapSource"
        EXPECT_EQ(result.headerLength, 6 + 7 + 5 + 2 + 4 + 12 + 9 + 10);
        EXPECT_EQ(result.headerLength, ok.headerLength);
    }
}

TEST_F(HeaderScanTest, NewFileHeaderScansAs56Bytes) {
    MemoryStream out;
    writeNewHeader(out, 0);
    writeEndRecord(out);
    EXPECT_EQ(scanHeader(ctx, out, result), 0);
    EXPECT_EQ(result.headerLength, 56);
    EXPECT_EQ(result.version, 'm');
    EXPECT_EQ(ctx.run.nextWaypointNumber, 1);

    // copyHeader reproduces exactly those bytes.
    MemoryStream copy;
    EXPECT_EQ(copyHeader(result.headerLength, copy, out), 56);
    EXPECT_EQ(copy.bytes(), std::vector<uint8_t>(out.bytes().begin(), out.bytes().begin() + 56));
}

TEST_F(HeaderScanTest, NextWaypointNumberFromPrefixedNames) {
    ctx.settings.Prefix = ':';
    GdbImage image;
    image.waypoint(":7").waypoint(":00012").waypoint(":123456").waypoint(":12a").waypoint("X99").end();
    ASSERT_EQ(scan(image), 0);
    EXPECT_EQ(ctx.run.nextWaypointNumber, 13);

    // Another prefix makes them all ordinary names; the bare prefix counts as 0.
    ctx.settings.Prefix = 'X';
    ASSERT_EQ(scan(image), 0);
    EXPECT_EQ(ctx.run.nextWaypointNumber, 100);
    GdbImage bare;
    bare.waypoint("X").end();
    ASSERT_EQ(scan(bare), 0);
    EXPECT_EQ(ctx.run.nextWaypointNumber, 1);
}

TEST_F(HeaderScanTest, IndexesLeaveOutInvisiblePointsAndSavedRoutes) {
    ctx.settings.Prefix = ':';
    GdbImage image('l');
    image.waypoint("Home")
        .waypoint(":40", 8, kMarkerInvisible)
        .waypoint("Via", 8, kMarkerVia)
        .waypoint("Hidden", 8, kMarkerInvisible2)
        .route("Tour")
        .route("!Route 1")
        .route("Back")
        .end();
    ASSERT_EQ(scan(image), 0);
    EXPECT_EQ(waypointNames(), (std::vector<std::string>{"Home", "Via"}));
    EXPECT_EQ(ctx.waypointIndex.rows[1].cls, 8);
    EXPECT_EQ(ctx.waypointIndex.find("Via"), 2);
    EXPECT_EQ(ctx.waypointIndex.find(":40"), 0);
    // An unlisted waypoint still counts for the generated numbers.
    EXPECT_EQ(ctx.run.nextWaypointNumber, 41);
    EXPECT_EQ(ctx.routeNameIndex.names, (std::vector<std::string>{"Tour", "Back"}));
    EXPECT_EQ(ctx.run.savedRouteMarker, 1);
    // The in-output flag of every row is the saved-route marker, also for rows before the "!" route.
    EXPECT_EQ(ctx.waypointIndex.rows[0].inOutput, 1);

    GdbImage plain;
    plain.waypoint("Home").route("Tour").end();
    ASSERT_EQ(scan(plain), 0);
    EXPECT_EQ(ctx.run.savedRouteMarker, 0);
    EXPECT_EQ(ctx.waypointIndex.rows.size(), 1u);
    EXPECT_EQ(ctx.waypointIndex.rows[0].inOutput, 0);
}

TEST_F(HeaderScanTest, CountryStringDoesNotShiftTheMarker) {
    GdbWaypoint w;
    w.wptName = "Abroad";
    w.wptCountry = "FR";
    w.setClassAndMarker(8, kMarkerInvisible);
    GdbImage image;
    image.waypoint(w).end();
    ASSERT_EQ(scan(image), 0);
    EXPECT_TRUE(ctx.waypointIndex.rows.empty());
}

// Damaged records end the walk or are passed over; the scan never reads outside the file.
TEST_F(HeaderScanTest, DamagedRecords) {
    ctx.settings.Prefix = ':';
    // A waypoint record too short to hold its marker, and one whose name runs past its record.
    GdbImage shortRecords;
    shortRecords.raw({8, 0, 0, 0, 'W', ':', '5', 0, 0, 0, 0, 0, 0})
        .raw({3, 0, 0, 0, 'W', ':', '9', '9'})
        .raw({3, 0, 0, 0, 'R', 'a', 'b', 'c'})
        .waypoint("Good")
        .end();
    ASSERT_EQ(scan(shortRecords), 0);
    EXPECT_EQ(waypointNames(), (std::vector<std::string>{"Good"}));
    EXPECT_EQ(ctx.run.nextWaypointNumber, 6);
    EXPECT_TRUE(ctx.routeNameIndex.names.empty());

    // A negative length, a zero length and a length past the end each end the walk.
    for (std::vector<uint8_t> frame : {std::vector<uint8_t>{0xF0, 0xFF, 0xFF, 0xFF, 'W'},
                                       std::vector<uint8_t>{0, 0, 0, 0, 'W'},
                                       std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 'W'}}) {
        GdbImage image;
        image.waypoint("Before").raw(frame).waypoint("After");
        ASSERT_EQ(scan(image), 0);
        EXPECT_EQ(waypointNames(), (std::vector<std::string>{"Before"}));
    }

    // A header that ends inside its strings.
    GdbImage cut;
    std::vector<uint8_t> bytes(cut.bytes().begin(), cut.bytes().begin() + cut.headerLength - 3);
    MemoryStream in(bytes);
    EXPECT_EQ(scanHeader(ctx, in, result), 1);
}

}  // namespace
}  // namespace trakor
