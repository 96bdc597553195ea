// SPDX-License-Identifier: GPL-3.0-or-later
// The read-back check of GDB results, and the waypoint fields after the depth field that it walks.
#include <gtest/gtest.h>

#include "gdb/records.h"
#include "gdb/result_check.h"
#include "testsupport/gdb_image.h"
#include "gdb/waypoint_details.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

using Bytes = std::vector<uint8_t>;

// Every waypoint of a real file reads in its version's layout to the last byte, and writes
// back byte for byte.
TEST(WaypointDetails, RealWaypointsReadWholeAndWriteBackUnchanged) {
    for (const char* name : {"gdb-sample.gdb", "gdb-sample-v3.gdb"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        Bytes file;
        ASSERT_TRUE(readWholeFile(path, file));
        MemoryStream in(file.data(), file.size());
        GdbHeader header;
        ASSERT_EQ(readFileHeader(in, header), 0);
        const char version = static_cast<char>(header.version);
        size_t pos = static_cast<size_t>(header.length), seen = 0, withText = 0;
        RecordView rec;
        while (nextRecord(file.data(), file.size(), pos, rec)) {
            if (rec.type != 'W') continue;
            GdbWaypoint w;
            ASSERT_EQ(parseWaypoint(rec.data, static_cast<size_t>(rec.length), version, w), kRecordOk);
            WaypointDetails d;
            size_t used = 0;
            ASSERT_TRUE(parseWaypointDetails(w.trailing.data(), w.trailing.size(), version, d, used)) << w.wptName;
            EXPECT_EQ(used, w.trailing.size()) << name << " " << w.wptName;
            MemoryStream out;
            writeWaypointDetails(out, d, version);
            EXPECT_EQ(out.bytes(), w.trailing) << name << " " << w.wptName;
            ++seen;
            withText += d.description.empty() ? 0 : 1;
        }
        EXPECT_GT(seen, 100u);
        EXPECT_GT(withText, 40u);  // the driving directions of the calculated route
    }
}

// The program's own empty details: 12 bytes, 21 in version 3.
TEST(WaypointDetails, EmptyDetailsHaveTheWritersLength) {
    for (char v : {'k', 'l', 'm'}) {
        MemoryStream out;
        writeWaypointDetails(out, WaypointDetails{}, v);
        EXPECT_EQ(out.bytes(), Bytes(v == 'm' ? 21 : 12, 0)) << v;
    }
}

Bytes withRecordLength(Bytes image, size_t at, int32_t length) {
    for (int k = 0; k < 4; ++k) image[at + k] = static_cast<uint8_t>(static_cast<uint32_t>(length) >> (8 * k));
    return image;
}

// A waypoint with a description, a link and a time in the layout of `version`.
GdbWaypoint describedWaypoint(char version = 'l') {
    GdbWaypoint w;
    w.wptName = "Old";
    WaypointDetails d;
    d.description = "Turn left";
    d.links = {"http://example.org/"};
    d.hasTime = true;
    d.time = 1114525641;
    MemoryStream tail;
    writeWaypointDetails(tail, d, version);
    w.trailing = tail.bytes();
    return w;
}

TEST(ResultCheck, SoundFilesPassAndEachFaultIsFoundAtItsRecord) {
    GdbTrack track;
    track.trkName = "T";
    track.points.resize(3);
    for (char v : {'k', 'l', 'm'}) {
        test::GdbImage img(static_cast<uint8_t>(v));
        img.waypoint("A").waypoint(describedWaypoint(v)).route("R").track(track).end();
        EXPECT_TRUE(checkGdbImage(img.bytes().data(), img.bytes().size()).ok) << v;
    }
    for (const char* name : {"gdb-sample.gdb", "gdb-sample-v3.gdb"}) {
        TRAKOR_CORPUS_OR_SKIP(path, name);
        const ResultCheck c = checkGdbFile(path);
        EXPECT_TRUE(c.ok) << name << ": record " << c.record << " " << c.reason;
    }

    test::GdbImage sound('m');
    sound.waypoint("A").track(track).end();
    const Bytes good = sound.bytes();
    const size_t first = static_cast<size_t>(sound.headerLength);
    const int32_t wptLength = 2 + 4 + 1 + 22 + 8 + 1 + 1 + 1 + 12 + 3 + 1 + 1 + 21;  // "A" as the writer makes it

    // A version-2 waypoint in a version-3 file: the records the old import path produced.
    MemoryStream old;
    writeWaypointRecord(old, describedWaypoint(), 'l');
    test::GdbImage mixed('m');
    mixed.waypoint("A").raw(old.bytes()).track(track).end();
    // A version-2 track in a version-3 file.
    MemoryStream oldTrack;
    writeTrackRecord(oldTrack, track, 'l');
    test::GdbImage mixedTrack('m');
    mixedTrack.raw(oldTrack.bytes()).end();
    // A name without its zero byte: the string runs to the end of the record.
    test::GdbImage unterminated('m');
    unterminated.raw({3, 0, 0, 0, 'W', 'a', 'b', 'c'}).end();

    struct Case {
        const char* what;
        Bytes image;
        int32_t record;
    };
    const std::vector<Case> cases = {
        {"end record missing", Bytes(good.begin(), good.end() - 7), 3},
        {"cut inside the track", Bytes(good.begin(), good.end() - 12), 2},
        {"waypoint length past the end", withRecordLength(good, first, 100000), 1},
        {"waypoint length one short", withRecordLength(good, first, wptLength - 1), 1},
        {"zero length", withRecordLength(good, first, 0), 1},
        {"version 2 waypoint in version 3", mixed.bytes(), 2},
        {"version 2 track in version 3", mixedTrack.bytes(), 1},
        {"string not terminated", unterminated.bytes(), 1},
        {"creator record length", withRecordLength(good, 13, 31), 0},
        {"signature only", Bytes{'M', 's', 'R', 'c', 'f', 0}, 0},
    };
    ASSERT_EQ(good[first], wptLength);
    for (const Case& c : cases) {
        const ResultCheck r = checkGdbImage(c.image.data(), c.image.size());
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.record, c.record) << c.what << ": " << r.reason;
    }
}

// No cut of a real file passes, wherever it falls.
TEST(ResultCheck, EveryCutOfARealFileFails) {
    TRAKOR_CORPUS_OR_SKIP(path, "gdb-sample-v3.gdb");
    Bytes file;
    ASSERT_TRUE(readWholeFile(path, file));
    ASSERT_TRUE(checkGdbImage(file.data(), file.size()).ok);
    for (size_t cut = 0; cut < file.size(); cut += 3) EXPECT_FALSE(checkGdbImage(file.data(), cut).ok) << cut;
}

}  // namespace
}  // namespace trakor
