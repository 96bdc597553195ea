// SPDX-License-Identifier: GPL-3.0-or-later
// The driver with the engines of this build on real MapSource files.
#include <filesystem>

#include "app/tests/driver_fixture.h"

namespace trakor::test {
namespace {

using Keys = std::vector<std::string>;

// A record pass that copies each record unchanged and counts its routes.
char copyRecord(Context& ctx, ByteStream& in, ByteStream& out) {
    int64_t start = in.tell();
    int32_t length = readInt32(in);
    uint8_t type = readU8(in);
    if (in.tell() != start + 5 || length < 0) return '1';
    in.seek(start);
    copyBytes(length + 5, &out, in);
    if (type == 'R') ++ctx.run.routeCounter;
    return static_cast<char>(type);
}

TEST_F(DriverTest, RealHeaderScanWithACopyingPassReproducesTheFile) {
    TRAKOR_CORPUS_OR_SKIP(gdb, "gdb-sample-v3.gdb");
    DriverCalls real = defaultDriverCalls();
    ASSERT_TRUE(real.scanHeader);
    calls.scanHeader = real.scanHeader;
    calls.convertGdbRecord = copyRecord;
    fileRequest(gdb, dir.file("copy.gdb"), 13);
    EXPECT_EQ(run(), kDelivered) << (notes.entries.empty() ? "" : notes.entries[0].text);
    EXPECT_EQ(notes.keys(), Keys{"$MSG20"});
    EXPECT_EQ(readFile(dir.file("copy.gdb")), readFile(gdb));
    EXPECT_GT(ctx.run.routeCounter, 0);
    EXPECT_TRUE(ctx.waypointIndex.rows.empty());
}

TEST_F(DriverTest, RealHeaderScanRefusesAFileThatIsNoGdb) {
    TRAKOR_CORPUS_OR_SKIP(gpx, "gdb-sample.gpx");
    std::string fake = dir.file("fake.gdb");
    std::filesystem::copy_file(gpx, fake);
    calls.scanHeader = defaultDriverCalls().scanHeader;
    calls.convertGdbRecord = copyRecord;
    fileRequest(fake, dir.file("o.gdb"), 11);
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG17"});
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.gdb")));
}

TEST_F(DriverTest, ViewOfARealGdbFileOpensItDirectly) {
    TRAKOR_CORPUS_OR_SKIP(gdb, "gdb-sample.gdb");
    req.inputPath = gdb;
    EXPECT_EQ(viewInput(ctx, calls, req), kDelivered);
    EXPECT_EQ(mapSourceOpened, Keys{gdb});
}

}  // namespace
}  // namespace trakor::test
