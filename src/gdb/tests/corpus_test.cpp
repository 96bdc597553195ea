// SPDX-License-Identifier: GPL-3.0-or-later
// Real MapSource files: the header scan and the record readers against what the files hold,
// with gpsbabel as an independent reader.
#include <gtest/gtest.h>

#include "gdb/down_convert.h"
#include "gdb/header_scan.h"
#include "gdb/records.h"
#include "testsupport/gpx_oracle.h"

namespace trakor {
namespace {

struct CorpusCase {
    const char* file;
    char version;
    int32_t headerLength;  // from the bytes of the file: signature to creator name
};

const CorpusCase kCases[] = {{"gdb-sample.gdb", 'l', 55}, {"gdb-sample-v3.gdb", 'm', 60}};

struct Walked {
    std::vector<GdbWaypoint> waypoints;
    std::vector<GdbRoute> routes;
    std::vector<GdbTrack> tracks;
    bool endRecord = false;
};

// Walks a file with the record readers, expecting every record to read whole.
Walked walk(const std::vector<uint8_t>& image, int32_t headerLength, char version) {
    Walked w;
    size_t pos = static_cast<size_t>(headerLength);
    RecordView rec;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        const size_t n = static_cast<size_t>(rec.length);
        if (rec.type == 'W') {
            w.waypoints.emplace_back();
            EXPECT_EQ(parseWaypoint(rec.data, n, version, w.waypoints.back()), kRecordOk) << rec.offset;
        } else if (rec.type == 'R') {
            w.routes.emplace_back();
            EXPECT_EQ(parseRoute(rec.data, n, version, w.routes.back()), kRecordOk) << rec.offset;
        } else if (rec.type == 'T') {
            w.tracks.emplace_back();
            EXPECT_EQ(parseTrack(rec.data, n, version, w.tracks.back()), kRecordOk) << rec.offset;
        } else if (rec.type == 'V') {
            w.endRecord = true;
        }
    }
    EXPECT_EQ(pos, image.size());
    return w;
}

TEST(CorpusFiles, HeaderScanProducts) {
    for (const CorpusCase& c : kCases) {
        TRAKOR_CORPUS_OR_SKIP(path, c.file);
        SCOPED_TRACE(c.file);
        std::vector<uint8_t> image;
        ASSERT_TRUE(readWholeFile(path, image));
        FileStream in;
        ASSERT_TRUE(in.open(path, "rb"));
        Context ctx;
        // The files name their waypoints with numbers such as "416"; with prefix "4" they count.
        ctx.settings.Prefix = '4';
        HeaderScanResult result;
        ASSERT_EQ(scanHeader(ctx, in, result), 0);
        EXPECT_EQ(in.tell(), 0);
        EXPECT_EQ(result.version, c.version);
        EXPECT_EQ(result.headerLength, c.headerLength);

        Walked w = walk(image, result.headerLength, c.version);
        EXPECT_TRUE(w.endRecord);
        std::vector<std::string> listed;
        int32_t largest = 0;
        for (const GdbWaypoint& wp : w.waypoints) {
            if (!isInvisibleMarker(wp.wptMarker())) listed.push_back(wp.wptName);
            const std::string& n = wp.wptName;
            if (n.size() >= 2 && n.size() <= 6 && n[0] == '4' &&
                n.find_first_not_of("0123456789", 1) == std::string::npos)
                largest = std::max(largest, std::stoi(n.substr(1)));
        }
        ASSERT_FALSE(listed.empty());
        EXPECT_LT(listed.size(), w.waypoints.size());  // the files hold invisible route points
        std::vector<std::string> indexed;
        for (const auto& row : ctx.waypointIndex.rows) {
            indexed.push_back(row.name);
            EXPECT_EQ(row.inOutput, 0);
        }
        EXPECT_EQ(indexed, listed);
        EXPECT_GT(largest, 0);
        EXPECT_EQ(ctx.run.nextWaypointNumber, largest + 1);
        EXPECT_EQ(ctx.routeNameIndex.names, std::vector<std::string>{"NARVA-Leipzig"});
        EXPECT_EQ(ctx.run.savedRouteMarker, 0);
    }
}

// Names of version 1 and 2 files are Latin-1, gpsbabel prints UTF-8; version 3 names are UTF-8.
std::string asUtf8(const std::string& name, char version) {
    if (version == 'm') return name;
    std::string out;
    for (unsigned char ch : name) {
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else {
            out += static_cast<char>(0xC0 | (ch >> 6));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

TEST(CorpusFiles, RecordReadersAgreeWithGpsbabel) {
    if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    for (const CorpusCase& c : kCases) {
        TRAKOR_CORPUS_OR_SKIP(path, c.file);
        SCOPED_TRACE(c.file);
        std::vector<uint8_t> image;
        ASSERT_TRUE(readWholeFile(path, image));
        Walked w = walk(image, c.headerLength, c.version);
        test::GpxData gpx;
        std::string error;
        ASSERT_TRUE(test::gpsbabelRead(path, gpx, &error)) << error;

        ASSERT_EQ(w.waypoints.size(), gpx.waypoints.size());
        for (size_t i = 0; i < w.waypoints.size(); ++i) {
            const GdbWaypoint& ours = w.waypoints[i];
            const test::GpxPoint& theirs = gpx.waypoints[i];
            EXPECT_EQ(asUtf8(ours.wptName, c.version), theirs.name);
            EXPECT_NEAR(ours.wptLat, test::gpxSemicircles(theirs.lat), 1) << ours.wptName;
            EXPECT_NEAR(ours.wptLon, test::gpxSemicircles(theirs.lon), 1) << ours.wptName;
            EXPECT_EQ(ours.wptAltitude.valid, theirs.ele.has_value()) << ours.wptName;
            if (theirs.ele) {
                EXPECT_NEAR(ours.wptAltitude.metres, *theirs.ele, 0.001);
            }
        }

        ASSERT_EQ(w.routes.size(), gpx.routes.size());
        for (size_t r = 0; r < w.routes.size(); ++r) {
            EXPECT_EQ(w.routes[r].rteName, gpx.routes[r].name);
            ASSERT_EQ(w.routes[r].points.size(), gpx.routes[r].points.size());
            for (size_t i = 0; i < w.routes[r].points.size(); ++i) {
                const GdbRoutePoint& p = w.routes[r].points[i];
                EXPECT_EQ(asUtf8(p.rptName, c.version), gpx.routes[r].points[i].name);
                // The first link point of a leg is the route point itself.
                if (!p.links.empty()) {
                    EXPECT_NEAR(p.links[0].lat, test::gpxSemicircles(gpx.routes[r].points[i].lat), 1);
                    EXPECT_NEAR(p.links[0].lon, test::gpxSemicircles(gpx.routes[r].points[i].lon), 1);
                }
            }
            EXPECT_TRUE(w.routes[r].points.back().links.empty());
        }

        ASSERT_EQ(w.tracks.size(), gpx.tracks.size());
        size_t points = 0;
        for (size_t t = 0; t < w.tracks.size(); ++t) {
            EXPECT_EQ(w.tracks[t].trkName, gpx.tracks[t].name);
            ASSERT_EQ(w.tracks[t].points.size(), gpx.tracks[t].points.size());
            for (size_t i = 0; i < w.tracks[t].points.size(); ++i) {
                const GdbTrackPoint& ours = w.tracks[t].points[i];
                const test::GpxPoint& theirs = gpx.tracks[t].points[i];
                EXPECT_NEAR(ours.tptLat, test::gpxSemicircles(theirs.lat), 1);
                EXPECT_NEAR(ours.tptLon, test::gpxSemicircles(theirs.lon), 1);
                EXPECT_EQ(ours.tptTime != 0, theirs.time.has_value());
                if (theirs.time) {
                    EXPECT_EQ(ours.tptTime, *theirs.time);
                }
                if (theirs.ele) {
                    EXPECT_NEAR(ours.alt.metres, *theirs.ele, 0.001);
                }
                ++points;
            }
        }
        EXPECT_EQ(points, 747u);
    }
}

}  // namespace
}  // namespace trakor

namespace trakor {
namespace {

// The copier walks every field of real version-3 records: with nothing to drop it reproduces
// the file without its records of other types (the map segment records "L").
TEST(CorpusFiles, CopierWalksRealRecords) {
    TRAKOR_CORPUS_OR_SKIP(path, "gdb-sample-v3.gdb");
    std::vector<uint8_t> image;
    ASSERT_TRUE(readWholeFile(path, image));
    const size_t header = 60;
    std::vector<uint8_t> expected(image.begin(), image.begin() + header);
    size_t pos = header;
    RecordView rec;
    int others = 0;
    while (nextRecord(image.data(), image.size(), pos, rec)) {
        if (rec.type == 'W' || rec.type == 'R' || rec.type == 'T' || rec.type == 'V') {
            expected.insert(expected.end(), image.begin() + rec.offset, image.begin() + pos);
        } else {
            ++others;
        }
    }
    EXPECT_EQ(others, 4);
    MemoryStream in(image);
    MemoryStream out;
    ASSERT_EQ(downConvertStream(in, 'm', out), 0);
    EXPECT_EQ(out.bytes().size(), expected.size());
    EXPECT_TRUE(out.bytes() == expected);
}

}  // namespace
}  // namespace trakor

namespace trakor {
namespace {

// Records of real files read and written again give the same bytes, so passes may rewrite
// them through the parsed form.
TEST(CorpusFiles, RecordsRoundTrip) {
    for (const CorpusCase& c : kCases) {
        TRAKOR_CORPUS_OR_SKIP(path, c.file);
        SCOPED_TRACE(c.file);
        std::vector<uint8_t> image;
        ASSERT_TRUE(readWholeFile(path, image));
        size_t pos = static_cast<size_t>(c.headerLength);
        RecordView rec;
        int checked = 0;
        while (nextRecord(image.data(), image.size(), pos, rec)) {
            MemoryStream out;
            const size_t n = static_cast<size_t>(rec.length);
            if (rec.type == 'W') {
                GdbWaypoint w;
                ASSERT_EQ(parseWaypoint(rec.data, n, c.version, w), kRecordOk);
                writeWaypointRecord(out, w, c.version);
            } else if (rec.type == 'R') {
                GdbRoute r;
                ASSERT_EQ(parseRoute(rec.data, n, c.version, r), kRecordOk);
                writeRouteRecord(out, r, c.version);
            } else if (rec.type == 'T') {
                GdbTrack t;
                ASSERT_EQ(parseTrack(rec.data, n, c.version, t), kRecordOk);
                writeTrackRecord(out, t, c.version);
            } else {
                continue;
            }
            ++checked;
            EXPECT_TRUE(out.bytes() == std::vector<uint8_t>(image.begin() + rec.offset, image.begin() + pos))
                << rec.type << " at " << rec.offset;
        }
        EXPECT_EQ(checked, 199 + 1 + 9);
    }
}

}  // namespace
}  // namespace trakor
