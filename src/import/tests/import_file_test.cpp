// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/import_file.h"

#include "gdb/file_header.h"
#include "gdb/records.h"
#include "testsupport/gdb_image.h"
#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

// A stream that claims more bytes than any memory holds.
class EndlessStream : public MemoryStream {
public:
    int64_t size() const override { return int64_t{1} << 62; }
};

class ImportFileTest : public ImportFixture {
protected:
    ImportFileTest() {
        job.onEmit = nullptr;  // the real writing
        job.onWaypoint = nullptr;
    }
    int import(InputType type, const std::string& text) {
        ctx.run.inputType = type;
        MemoryStream in(std::vector<uint8_t>(text.begin(), text.end()));
        return importFile(ctx, job, in);
    }
    std::vector<char> recordTypes() {
        std::vector<char> types;
        size_t pos = kNewHeaderLength;
        RecordView rec;
        while (nextRecord(out.data(), static_cast<size_t>(out.size()), pos, rec)) types.push_back(rec.type);
        return types;
    }
};

TEST_F(ImportFileTest, WritesHeaderRecordsAndEndRecord) {
    ctx.settings.Mode = 0;
    EXPECT_EQ(import(InputType::Gpx, "<gpx><trk><name>A</name><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trk>"
                                     "<wpt lat=\"1\" lon=\"2\"><name>W</name></wpt></gpx>"),
              0);
    const uint8_t* b = out.data();
    ASSERT_GT(out.size(), kNewHeaderLength + 7);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 6), std::string("MsRcf\0", 6));
    EXPECT_EQ(b[kVersionOffset], 'm');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b) + kNewHeaderLength - 8), "Trakor3");
    EXPECT_EQ(recordTypes(), (std::vector<char>{'T', 'W', 'V'}));
    const uint8_t end[] = {2, 0, 0, 0, 'V', 0, 1};
    EXPECT_EQ(std::memcmp(b + out.size() - 7, end, 7), 0);
    EXPECT_EQ(ctx.run.outputVersion, 'm');
}

TEST_F(ImportFileTest, GdbInputWithoutSignatureGivesAnEmptyFile) {
    EXPECT_EQ(import(InputType::Gdb, "MsRcX\0 not a gdb file"), 0);
    EXPECT_EQ(out.size(), kNewHeaderLength + 7);
    out = MemoryStream();
    EXPECT_EQ(import(InputType::Gdb, ""), 0);
    EXPECT_EQ(out.size(), kNewHeaderLength + 7);
}

TEST_F(ImportFileTest, GdbInputTracksAreCopiedAsTracks) {
    GdbImage image('l');
    GdbTrack t;
    t.trkName = "Old";
    t.trkColour = 3;
    t.points.resize(2);
    t.points[1].tptLat = 1000;
    image.track(t).end();
    ctx.run.inputType = InputType::Gdb;
    MemoryStream in(image.bytes());
    EXPECT_EQ(importFile(ctx, job, in), 0);
    ASSERT_EQ(recordTypes(), (std::vector<char>{'T', 'V'}));
    RecordView rec;
    size_t pos = kNewHeaderLength;
    ASSERT_TRUE(nextRecord(out.data(), static_cast<size_t>(out.size()), pos, rec));
    GdbTrack copy;
    EXPECT_EQ(parseTrack(rec.data, static_cast<size_t>(rec.length), 'm', copy), kRecordOk);
    EXPECT_EQ(copy.trkName, "Old-1");
    EXPECT_EQ(copy.colourIndex(), 3);
    EXPECT_EQ(copy.points.size(), 2u);
}

TEST_F(ImportFileTest, InputBeyondTheBoundIsRefusedAsTooLarge) {
    EndlessStream in;
    ctx.run.inputType = InputType::Gpx;
    EXPECT_EQ(importFile(ctx, job, in), kImportTooLarge);
    EXPECT_EQ(out.size(), 0);
}

}  // namespace
}  // namespace trakor::test
