// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "core/fit_crc.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/waypoint_details.h"
#include "import/fit_messages.h"
#include "import/reader.h"
#include "import/tests/reader_capture.h"
#include "testsupport/gpx_oracle.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

// Builds FIT files message by message.
class FitBuilder {
public:
    explicit FitBuilder(int headerSize = 14) : headerSize_(headerSize) { bytes_.resize(headerSize, 0); }

    struct Field {
        uint8_t number, size;
    };
    // Definition of a local type; devSizes adds developer fields of those sizes.
    FitBuilder& define(int local, uint16_t global, std::vector<Field> fields, bool bigEndian = false,
                       std::vector<uint8_t> devSizes = {}) {
        bytes_.push_back(static_cast<uint8_t>(0x40 | local | (devSizes.empty() ? 0 : 0x20)));
        bytes_.push_back(0);
        bytes_.push_back(bigEndian ? 1 : 0);
        push(global, 2, bigEndian);
        bytes_.push_back(static_cast<uint8_t>(fields.size()));
        for (auto f : fields) bytes_.insert(bytes_.end(), {f.number, f.size, 0});
        if (!devSizes.empty()) {
            bytes_.push_back(static_cast<uint8_t>(devSizes.size()));
            for (size_t i = 0; i < devSizes.size(); ++i)
                bytes_.insert(bytes_.end(), {static_cast<uint8_t>(i), devSizes[i], 0});
        }
        bigEndian_[local] = bigEndian;
        return *this;
    }
    // A data message; values are written with the sizes given, in the type's byte order.
    FitBuilder& data(int local, std::vector<std::pair<uint64_t, int>> values) {
        bytes_.push_back(static_cast<uint8_t>(local));
        for (auto [v, n] : values) push(v, n, bigEndian_[local]);
        return *this;
    }
    FitBuilder& compressed(int local, int timeOffset, std::vector<std::pair<uint64_t, int>> values) {
        bytes_.push_back(static_cast<uint8_t>(0x80 | (local << 5) | timeOffset));
        for (auto [v, n] : values) push(v, n, bigEndian_[local]);
        return *this;
    }
    FitBuilder& raw(std::vector<uint8_t> b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    std::vector<uint8_t> build() const {
        std::vector<uint8_t> out = bytes_;
        out[0] = static_cast<uint8_t>(headerSize_);
        out[1] = 0x10;
        const uint32_t dataSize = static_cast<uint32_t>(out.size() - headerSize_);
        for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(dataSize >> (8 * i));
        std::memcpy(out.data() + 8, ".FIT", 4);
        const uint16_t crc = fitCrc(out.data(), out.size());
        out.push_back(static_cast<uint8_t>(crc & 0xFF));
        out.push_back(static_cast<uint8_t>(crc >> 8));
        return out;
    }

private:
    void push(uint64_t v, int n, bool bigEndian) {
        for (int i = 0; i < n; ++i) {
            int shift = bigEndian ? 8 * (n - 1 - i) : 8 * i;
            bytes_.push_back(static_cast<uint8_t>(v >> shift));
        }
    }
    int headerSize_;
    std::vector<uint8_t> bytes_;
    bool bigEndian_[16] = {};
};

using test::EmittedTrack;

struct FitRun : test::ReaderRun {
    FitRun() : ReaderRun("ride") {}
    int read(const std::vector<uint8_t>& b) { return ReaderRun::read(readFit, b); }
};

// Name, position and symbol of a captured waypoint.
struct WaypointSummary {
    std::string name;
    int32_t lat, lon, symbol;
    bool operator==(const WaypointSummary&) const = default;
};

std::vector<WaypointSummary> waypointSummary(const std::vector<test::CapturedWaypoint>& w) {
    std::vector<WaypointSummary> out;
    for (const auto& x : w) out.push_back({x.name, x.at.lat, x.at.lon, x.symbol});
    return out;
}

using F = FitBuilder::Field;
const std::vector<F> kRecordFields = {{253, 4}, {0, 4}, {1, 4}, {2, 2}};
// A time since 1989 (smaller ones count from the device's power-on), and it since 1970.
constexpr uint32_t kT = 0x10000000;
constexpr int32_t kUnixT = static_cast<int32_t>(kT + 631065600);

TEST(FitReader, ActivityWithLapAtEndGivesOneNamedTrackWithUnitsConverted) {
    FitBuilder b;
    b.define(0, 0, {{0, 1}}).data(0, {{4, 1}});
    b.define(1, 20, kRecordFields)
        .data(1, {{kT + 1000, 4}, {100000, 4}, {200000, 4}, {2500, 2}})
        .data(1, {{kT + 1001, 4}, {100100, 4}, {200100, 4}, {3000, 2}})
        .data(1, {{kT + 1002, 4}, {100200, 4}, {200200, 4}, {0xFFFF, 2}});
    b.define(2, 19, {{253, 4}}).data(2, {{1003, 4}});
    FitRun r;
    EXPECT_EQ(r.read(b.build()), kReadDone);
    ASSERT_EQ(r.tracks.size(), 1u);
    const EmittedTrack& t = r.tracks[0];
    EXPECT_EQ(t.name, "A-ride-1");
    EXPECT_EQ(t.lat, (std::vector<int32_t>{100000, 100100, 100200}));
    EXPECT_EQ(t.lon, (std::vector<int32_t>{200000, 200100, 200200}));
    EXPECT_EQ(t.time, (std::vector<int32_t>{kUnixT + 1000, kUnixT + 1001, kUnixT + 1002}));
    EXPECT_EQ(t.alt[0], 0.0);
    EXPECT_EQ(t.alt[1], 100.0);
    EXPECT_EQ(t.altValid, (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(r.ctx.run.trackCounter, 1);
    EXPECT_EQ(r.ctx.run.displayColor, 0);
}

TEST(FitReader, LapsCutTracksAndShortLapsAreDropped) {
    FitBuilder b;
    b.define(0, 0, {{0, 1}}).data(0, {{6, 1}});
    b.define(2, 19, {{253, 4}}).data(2, {{1, 4}});  // a course's lap before its records
    b.define(1, 20, kRecordFields);
    for (int i = 0; i < 4; ++i) b.data(1, {{10u + i, 4}, {1000u + i, 4}, {2000, 4}, {3000, 2}});
    FitRun r;
    r.ctx.run.trackCounter = 6;
    EXPECT_EQ(r.read(b.build()), kReadDone);
    ASSERT_EQ(r.tracks.size(), 1u);
    EXPECT_EQ(r.tracks[0].name, "C-ride-7");
    EXPECT_EQ(r.tracks[0].lat.size(), 4u);

    // Two laps: one of a single point (dropped) and one of two points.
    FitBuilder c;
    c.define(1, 20, kRecordFields).define(2, 19, {{253, 4}});
    c.data(1, {{10, 4}, {1000, 4}, {2000, 4}, {3000, 2}}).data(2, {{11, 4}});
    c.data(1, {{12, 4}, {1001, 4}, {2000, 4}, {3000, 2}}).data(1, {{13, 4}, {1002, 4}, {2000, 4}, {3000, 2}});
    c.data(2, {{14, 4}});
    FitRun r2;
    EXPECT_EQ(r2.read(c.build()), kReadDone);
    ASSERT_EQ(r2.tracks.size(), 1u);
    EXPECT_EQ(r2.tracks[0].name, "X-ride-1");  // no file_id message: unknown type
    EXPECT_EQ(r2.tracks[0].lat, (std::vector<int32_t>{1001, 1002}));
}

TEST(FitReader, MultisportActivityGivesOneTrackPerLapAcrossSessions) {
    // Run and ride of one activity: each leg ends with its lap and session messages (the session
    // reusing the local type of the records), then the activity message.
    FitBuilder b;
    b.define(0, 0, {{0, 1}}).data(0, {{4, 1}});
    const std::vector<F> session = {{253, 4}, {5, 1}, {0, 1}, {2, 4}, {7, 4}};
    for (int leg = 0; leg < 2; ++leg) {
        b.define(1, 20, kRecordFields, leg == 1);
        for (int i = 0; i < 3; ++i)
            b.data(1, {{kT + 100u + 10u * leg + i, 4}, {1000u * (leg + 1) + i, 4}, {2000, 4}, {3000, 2}});
        b.define(2, 19, {{253, 4}}).data(2, {{200u + leg, 4}});
        b.define(1, 18, session).data(1, {{300u + leg, 4}, {leg == 0 ? 1u : 2u, 1}, {9, 1}, {100, 4}, {3000, 4}});
    }
    b.define(3, 34, {{253, 4}, {1, 2}}).data(3, {{400, 4}, {2, 2}});
    FitRun r;
    EXPECT_EQ(r.read(b.build()), kReadDone);
    ASSERT_EQ(r.tracks.size(), 2u);
    EXPECT_EQ(r.tracks[0].name, "A-ride-1");
    EXPECT_EQ(r.tracks[1].name, "A-ride-2");
    EXPECT_EQ(r.tracks[0].lat, (std::vector<int32_t>{1000, 1001, 1002}));
    EXPECT_EQ(r.tracks[1].lat, (std::vector<int32_t>{2000, 2001, 2002}));
    EXPECT_EQ(r.tracks[1].time[0], kUnixT + 110);
}

// Times since power-on (action cameras) are placed by the file's timestamp_correlation, or else
// by its first absolute time; without either they are no time, never 1989.
TEST(FitReader, TimesSincePowerOnBecomeTimesOfDay) {
    struct Case {
        const char* what;
        bool correlation, created;
        std::vector<int32_t> times;
    } cases[] = {{"correlated", true, true, {kUnixT + 5000 + 60, kUnixT + 5000 + 61}},
                 {"anchored at the file's creation", false, true, {kUnixT, kUnixT + 1}},
                 {"no absolute time", false, false, {0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FitBuilder b;
        b.define(0, 0, {{0, 1}, {4, 4}}).data(0, {{4, 1}, {c.created ? kT : 0xFFFFFFFF, 4}});
        // The device's clock read 100 s after power-on at kT + 5000.
        if (c.correlation) b.define(2, 162, {{253, 4}, {1, 4}}).data(2, {{kT + 5000, 4}, {100, 4}});
        b.define(1, 20, kRecordFields)
            .data(1, {{160, 4}, {100, 4}, {200, 4}, {3000, 2}})
            .data(1, {{161, 4}, {101, 4}, {201, 4}, {3000, 2}});
        FitRun r;
        EXPECT_EQ(r.read(b.build()), kReadDone);
        ASSERT_EQ(r.tracks.size(), 1u);
        EXPECT_EQ(r.tracks[0].time, c.times);
    }
}

TEST(FitReader, GlitchRemovalRunsOnEveryTrack) {
    FitBuilder b;
    b.define(1, 20, kRecordFields).define(2, 19, {{253, 4}});
    for (int lap = 0; lap < 2; ++lap) {
        // The second point lies about half a metre from the first.
        b.data(1, {{1, 4}, {100000, 4}, {200000, 4}, {3000, 2}});
        b.data(1, {{2, 4}, {100050, 4}, {200000, 4}, {3000, 2}});
        b.data(1, {{3, 4}, {110000, 4}, {200000, 4}, {3000, 2}});
        if (lap == 0) b.data(2, {{4, 4}});
    }
    FitRun r;
    r.ctx.settings.RemovalDistance = 30;
    EXPECT_EQ(r.read(b.build()), kReadDone);
    ASSERT_EQ(r.tracks.size(), 2u);
    EXPECT_EQ(r.tracks[0].lat, (std::vector<int32_t>{100000, 110000}));  // ended by its lap
    EXPECT_EQ(r.tracks[1].lat, (std::vector<int32_t>{100000, 110000}));  // ended by the data
}

TEST(FitReader, RealDeviceLayouts) {
    // 12-byte header, fields in any order (latitude first), big-endian messages,
    // developer fields and compressed time stamps.
    FitBuilder b(12);
    b.define(3, 20, {{0, 4}, {1, 4}, {253, 4}}, /*bigEndian=*/true, /*devSizes=*/{3, 1});
    b.data(3, {{0x01020304, 4}, {0x05060708, 4}, {0x1000001E, 4}, {0xAABBCC, 3}, {0xDD, 1}});
    // Compressed headers: time offset 31 after ...1E, then 2 (rolls over into the next 32 seconds).
    b.define(1, 20, {{0, 4}, {1, 4}, {2, 2}});
    b.compressed(1, 31, {{500, 4}, {600, 4}, {3000, 2}});
    b.compressed(1, 2, {{501, 4}, {601, 4}, {3000, 2}});
    FitRun r;
    EXPECT_EQ(r.read(b.build()), kReadDone);
    ASSERT_EQ(r.tracks.size(), 1u);
    const EmittedTrack& t = r.tracks[0];
    EXPECT_EQ(t.lat, (std::vector<int32_t>{0x01020304, 500, 501}));
    EXPECT_EQ(t.lon, (std::vector<int32_t>{0x05060708, 600, 601}));
    const int32_t base = 0x1000001E + 631065600;
    EXPECT_EQ(t.time, (std::vector<int32_t>{base, base + 1, base + 4}));
}

TEST(FitReader, InvalidValuesAndRedefinedTypes) {
    FitBuilder b;
    b.define(1, 20, kRecordFields)
        .data(1, {{1, 4}, {0x7FFFFFFF, 4}, {200, 4}, {3000, 2}})  // no latitude: dropped
        .data(1, {{kT + 2, 4}, {100, 4}, {200, 4}, {3000, 2}})
        .data(1, {{0xFFFFFFFF, 4}, {101, 4}, {201, 4}, {3000, 2}});  // no time
    // Local type 1 now means a lap; the old layout no longer applies.
    b.define(1, 19, {{253, 4}}).data(1, {{3, 4}});
    b.define(1, 20, {{0, 4}, {1, 4}, {78, 4}})
        .data(1, {{300, 4}, {400, 4}, {3500, 4}})
        .data(1, {{301, 4}, {401, 4}, {0xFFFFFFFF, 4}});
    FitRun r;
    EXPECT_EQ(r.read(b.build()), kReadDone);
    ASSERT_EQ(r.tracks.size(), 2u);
    EXPECT_EQ(r.tracks[0].lat, (std::vector<int32_t>{100, 101}));
    EXPECT_EQ(r.tracks[0].time, (std::vector<int32_t>{kUnixT + 2, 0}));
    EXPECT_EQ(r.tracks[1].lat, (std::vector<int32_t>{300, 301}));
    EXPECT_EQ(r.tracks[1].alt[0], 200.0);  // enhanced altitude where the 16-bit one is absent
    EXPECT_EQ(r.tracks[1].altValid, (std::vector<int>{1, 0}));
}

TEST(FitReader, BadDataStopsCleanly) {
    FitRun r;
    EXPECT_EQ(r.read({}), kReadNothing);
    std::vector<uint8_t> notFit(40, 0);
    notFit[0] = 14;
    EXPECT_EQ(r.read(notFit), kReadNothing);

    FitBuilder b;
    b.define(1, 20, kRecordFields);
    for (int i = 0; i < 5; ++i) b.data(1, {{10u + i, 4}, {1000u + i, 4}, {2000, 4}, {3000, 2}});
    b.raw({0x05, 1, 2, 3});  // a data message of an undefined local type ends the readable data
    b.data(1, {{20, 4}, {5000, 4}, {2000, 4}, {3000, 2}});
    EXPECT_EQ(r.read(b.build()), kReadDone);
    ASSERT_EQ(r.tracks.size(), 1u);
    EXPECT_EQ(r.tracks[0].lat.size(), 5u);

    // Every cut of a valid file reads without fault and keeps the complete messages before the cut.
    std::vector<uint8_t> whole = b.build();
    for (size_t n = 0; n <= whole.size(); ++n) {
        FitRun cut;
        std::vector<uint8_t> part(whole.begin(), whole.begin() + n);
        int res = cut.read(part);
        EXPECT_TRUE(res == kReadDone || res == kReadNothing);
        size_t points = cut.tracks.empty() ? 0 : cut.tracks[0].lat.size();
        EXPECT_LE(points, 5u);
    }
}

// A damaged file is read up to the damage, and the note says where: a check sum that does not
// match; a message stream that breaks off or a file shorter than its header says, told as cut.
TEST(FitReader, DamageIsReadUpToThereAndNamedByOffset) {
    FitBuilder b;
    b.define(1, 20, kRecordFields);
    for (int i = 0; i < 5; ++i) b.data(1, {{kT + i, 4}, {1000u + i, 4}, {2000, 4}, {3000, 2}});
    const std::vector<uint8_t> whole = b.build();
    const size_t crcAt = whole.size() - 2;
    const size_t thirdRecord = 14 + 6 + 3 * 4 + 2 * 15;  // header, definition, two records
    b.raw({0x05, 1, 2, 3});                              // an undefined local type
    const std::vector<uint8_t> broken = b.build();

    std::vector<uint8_t> badCrc = whole;
    badCrc[thirdRecord + 6] ^= 0x40;  // a latitude byte: still readable, the check sum no longer fits
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(thirdRecord + 7));

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t points;
        std::string damage, cut;
    };
    const Case cases[] = {
        {"whole", whole, 5, "", ""},
        {"check sum", badCrc, 5, "The check sum at byte " + std::to_string(crcAt) + " does not match the FIT data", ""},
        // A stream that breaks off loses what follows: asked about as a cut file is.
        {"broken stream", broken, 5, "", "the data after byte " + std::to_string(crcAt)},
        {"cut", cut, 2, "", "(it breaks off inside the message at byte " + std::to_string(thirdRecord) + ")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FitRun r;
        EXPECT_EQ(r.read(c.bytes), kReadDone);
        ASSERT_EQ(r.tracks.size(), 1u);
        EXPECT_EQ(r.tracks[0].lat.size(), c.points);
        if (c.damage.empty())
            EXPECT_EQ(r.ctx.run.damageNote, "");
        else
            EXPECT_NE(r.ctx.run.damageNote.find(c.damage), std::string::npos) << r.ctx.run.damageNote;
        if (c.cut.empty())
            EXPECT_EQ(r.ctx.run.cutNote, "");
        else
            EXPECT_NE(r.ctx.run.cutNote.find(c.cut), std::string::npos) << r.ctx.run.cutNote;
    }
}

TEST(FitReader, CoursePointsAndLocationsBecomeWaypointsFirst) {
    FitBuilder b;
    b.define(0, 0, {{0, 1}}).data(0, {{6, 1}});
    b.define(1, 20, kRecordFields)
        .data(1, {{1, 4}, {100, 4}, {200, 4}, {3000, 2}})
        .data(1, {{2, 4}, {101, 4}, {201, 4}, {3000, 2}});
    // Course point with its latitude as the first field and the name after the position.
    b.define(2, 32, {{2, 4}, {3, 4}, {253, 4}, {6, 16}})
        .data(2, {{5000, 4}, {6000, 4}, {9, 4}, {0x6E727554, 4}, {0x7466654C, 4}, {0, 4}, {0, 4}})
        .data(2, {{0x7FFFFFFF, 4}, {6001, 4}, {9, 4}, {0x41, 4}, {0, 4}, {0, 4}, {0, 4}});  // no position
    // Location with the name first, and its altitude.
    b.define(3, 29, {{0, 8}, {1, 4}, {2, 4}, {4, 2}}).data(3, {{0x656D6F48, 4}, {0, 4}, {7000, 4}, {8000, 4}, {3000, 2}});
    FitRun r;
    r.ctx.run.waypointCount = 4;
    r.ctx.settings.WaypointSymbol = 77;
    EXPECT_EQ(r.read(b.build()), kReadDone);
    EXPECT_EQ(waypointSummary(r.waypoints),
              (std::vector<WaypointSummary>{{"TurnLeft-5", 5000, 6000, 77}, {"Home-6", 7000, 8000, 77}}));
    EXPECT_EQ(r.waypoints[0].at.altValid, 0);
    EXPECT_EQ(r.waypoints[1].at.altValid, 1);
    EXPECT_EQ(r.waypoints[1].at.alt, 100.0);
    ASSERT_EQ(r.tracks.size(), 1u);
    EXPECT_EQ(r.tracks[0].name, "C-ride-1");
    EXPECT_EQ(r.tracks[0].lat, (std::vector<int32_t>{100, 101}));

    // Waypoints only: they are written, and the result says that no track was found.
    FitBuilder w;
    w.define(3, 29, {{0, 8}, {1, 4}, {2, 4}}).data(3, {{0x656D6F48, 4}, {0, 4}, {7000, 4}, {8000, 4}});
    FitRun r2;
    EXPECT_EQ(r2.read(w.build()), kReadNothing);
    EXPECT_EQ(r2.waypoints.size(), 1u);
}

TEST(FitReader, WaypointRecordsKeepTimesAndLocationDescriptions) {
    FitBuilder b;
    // A course point with its time (field 1), a location with its time stamp and description.
    b.define(2, 32, {{1, 4}, {2, 4}, {3, 4}, {6, 4}}).data(2, {{kT, 4}, {5000, 4}, {6000, 4}, {0x41, 4}});
    b.define(3, 29, {{253, 4}, {0, 4}, {1, 4}, {2, 4}, {6, 8}})
        .data(3, {{kT + 60, 4}, {0x656D6F48, 4}, {7000, 4}, {8000, 4}, {0x65746147, 4}, {0x3320, 4}});
    FitRun r;
    r.job.onWaypoint = nullptr;
    EXPECT_EQ(r.read(b.build()), kReadNothing);
    std::vector<std::pair<std::string, int32_t>> written;  // comment and time of each record
    size_t pos = 0;
    RecordView rec;
    while (nextRecord(r.out.data(), static_cast<size_t>(r.out.size()), pos, rec)) {
        GdbWaypoint w;
        WaypointDetails d;
        size_t used = 0;
        ASSERT_EQ(parseWaypoint(rec.data, static_cast<size_t>(rec.length), 'm', w), kRecordOk);
        ASSERT_TRUE(parseWaypointDetails(w.trailing.data(), w.trailing.size(), 'm', d, used));
        written.emplace_back(w.wptComment, d.time);
    }
    EXPECT_EQ(written, (std::vector<std::pair<std::string, int32_t>>{{"", kUnixT}, {"Gate 3", kUnixT + 60}}));
}

TEST(FitMessages, FieldsFoundByNumberWithTextAndDataEnd) {
    FitBuilder b;
    // A course point whose latitude is its first field, and a name field after the position.
    b.define(0, 32, {{2, 4}, {3, 4}, {6, 8}});
    b.data(0, {{11, 4}, {22, 4}, {0x6E727554, 4}, {0x7466654C, 4}});  // "TurnLeft", no terminator
    std::vector<uint8_t> bytes = b.build();
    FitWalker w;
    ASSERT_TRUE(w.open(bytes.data(), bytes.size()));
    FitMessage m;
    ASSERT_TRUE(w.next(m));
    int32_t lat = 0, lon = 0;
    EXPECT_TRUE(m.s32(2, lat));
    EXPECT_TRUE(m.s32(3, lon));
    EXPECT_EQ(lat, 11);
    EXPECT_EQ(lon, 22);
    EXPECT_EQ(m.text(6), "TurnLeft");
    uint16_t missing;
    EXPECT_FALSE(m.u16(5, missing));
    EXPECT_FALSE(w.next(m));
    EXPECT_FALSE(w.stoppedEarly());
}

// Track points that gpsbabel reads from a FIT file: semicircles, and the time when it has one.
struct OraclePoint {
    int32_t lat, lon;
    int64_t time;  // -1 when gpsbabel gives none
};

// Degrees as gpsbabel prints them, back to the file's semicircles.
int32_t fitSemicircles(double degrees) { return static_cast<int32_t>(std::lround(degrees * (2147483648.0 / 180.0))); }

std::vector<OraclePoint> gpsbabelTrackPoints(const std::string& path) {
    test::GpxData data;
    std::string error;
    EXPECT_TRUE(test::gpsbabelRead(path, data, &error, "garmin_fit")) << error;
    std::vector<OraclePoint> pts;
    for (const test::GpxPath& track : data.tracks)
        for (const test::GpxPoint& p : track.points)
            pts.push_back({fitSemicircles(p.lat), fitSemicircles(p.lon), p.time.value_or(-1)});
    return pts;
}

TEST(FitReader, CorpusFilesGiveGpsbabelsPoints) {
    if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    for (const char* name : {"garmin-edge-800.fit", "fitlocations-sample.fit"}) {
        const std::string path = test::corpusFile(name);
        if (path.empty()) GTEST_SKIP() << "shared corpus file " << name << " not present";
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(readWholeFile(path, bytes));
        FitRun r;
        const int res = r.read(bytes);
        std::vector<OraclePoint> expected = gpsbabelTrackPoints(path);
        // The point store merges repeated positions.
        std::vector<OraclePoint> merged;
        for (const auto& p : expected)
            if (merged.empty() || merged.back().lat != p.lat || merged.back().lon != p.lon)
                merged.push_back(p);
        std::vector<OraclePoint> got;
        for (const auto& t : r.tracks)
            for (size_t i = 0; i < t.lat.size(); ++i) got.push_back({t.lat[i], t.lon[i], t.time[i]});
        EXPECT_EQ(res, expected.empty() ? kReadNothing : kReadDone);
        ASSERT_EQ(got.size(), merged.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].lat, merged[i].lat) << i;
            EXPECT_EQ(got[i].lon, merged[i].lon) << i;
            if (merged[i].time >= 0) {
                EXPECT_EQ(got[i].time, merged[i].time) << i;
            }
        }
    }
}

// Every FIT file of the corpus reads to the positions, times and altitudes of the record
// messages as Garmin's own FIT SDK decodes them (repeated positions merged, as the store keeps them).
TEST(FitReader, CorpusFilesGiveTheFitSdksRecords) {
    const std::string corpus = test::sharedFile("corpus");
    if (corpus.empty()) GTEST_SKIP() << "shared corpus not present";
    int files = 0, equal = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.path().extension() != ".fit") continue;
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        TRAKOR_FIT_SDK_OR_SKIP(lines, path);
        ++files;
        struct Point {
            int32_t lat, lon, time;
            double alt;  // NaN: none
        };
        std::vector<Point> sdk;
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with("record ")) continue;
            auto value = [&line](const std::string& key, double& v) {
                const size_t at = line.find(" " + key + "=");
                if (at == std::string::npos) return false;
                v = std::strtod(line.c_str() + at + key.size() + 2, nullptr);
                return true;
            };
            double lat, lon, time = 0, alt = std::nan("");
            if (!value("positionLat", lat) || !value("positionLong", lon)) continue;
            value("timestamp", time);
            if (!value("altitude", alt)) value("enhancedAltitude", alt);
            if (!sdk.empty() && sdk.back().lat == lat && sdk.back().lon == lon) continue;
            sdk.push_back({static_cast<int32_t>(lat), static_cast<int32_t>(lon), static_cast<int32_t>(time), alt});
        }
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(readWholeFile(path, bytes));
        FitRun r;
        r.read(bytes);
        EXPECT_EQ(r.ctx.run.damageNote, "");  // real files carry matching check sums
        std::vector<Point> ours;
        for (const auto& t : r.tracks)
            for (size_t i = 0; i < t.lat.size(); ++i)
                ours.push_back({t.lat[i], t.lon[i], t.time[i], t.altValid[i] ? t.alt[i] : std::nan("")});
        ASSERT_EQ(ours.size(), sdk.size());
        for (size_t i = 0; i < ours.size(); ++i) {
            ASSERT_EQ(ours[i].lat, sdk[i].lat) << i;
            ASSERT_EQ(ours[i].lon, sdk[i].lon) << i;
            ASSERT_EQ(ours[i].time, sdk[i].time) << i;
            ASSERT_EQ(std::isnan(ours[i].alt), std::isnan(sdk[i].alt)) << i;
            if (!std::isnan(ours[i].alt)) {
                ASSERT_NEAR(ours[i].alt, sdk[i].alt, 1e-9) << i;
            }
        }
        ++equal;
    }
    std::printf("%d of %d FIT files read as the FIT SDK decodes them\n", equal, files);
}

TEST(FitReader, CorpusLocationsGiveGpsbabelsWaypoints) {
    TRAKOR_CORPUS_OR_SKIP(path, "fitlocations-sample.fit");
    if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    test::GpxData data;
    std::string error;
    ASSERT_TRUE(test::gpsbabelRead(path, data, &error, "garmin_fit")) << error;
    std::vector<WaypointSummary> expected;
    for (const test::GpxPoint& p : data.waypoints)
        expected.push_back({p.name + "-" + std::to_string(expected.size() + 1), fitSemicircles(p.lat),
                            fitSemicircles(p.lon), 18});
    ASSERT_FALSE(expected.empty());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(path, bytes));
    FitRun r;
    r.ctx.settings.WaypointSymbol = 18;
    r.read(bytes);
    EXPECT_EQ(waypointSummary(r.waypoints), expected);
}

}  // namespace
}  // namespace trakor

namespace trakor {
namespace {

TEST(FitReader, DamagedFilesReadWithoutFault) {
    TRAKOR_CORPUS_OR_SKIP(path, "garmin-edge-800.fit");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(path, bytes));
    bytes.resize(3000);  // a few hundred messages are enough and keep the loop fast
    for (const auto& damaged : test::damagedCopies(bytes, 200)) {
        test::ReaderRun r;
        const int res = r.read(readFit, damaged);
        EXPECT_TRUE(res == kReadDone || res == kReadNothing);
    }
}

}  // namespace
}  // namespace trakor
