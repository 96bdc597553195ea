// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "clipboard/clipboard_conversion.h"
#include "clipboard/tests/clipboard_fixture.h"
#include "testsupport/gpx_check.h"
#include "platform/file_attributes.h"

namespace trakor::test {
namespace {

struct ClipboardFlowTest : ClipboardTest {
    ClipboardFlowTest() {
        ctx.paths.workGdb = dir.file("Trakor3.gdb");
        calls.openInMapSource = [this](Context&) {
            ++mapSourceStarts;
            return mapSourceFound ? 0 : 1;
        };
    }
    void offer(const std::vector<uint8_t>& image) { clipboard.add(kGarminClipboardFormat, makeBlock(image)); }
    std::vector<uint8_t> held() {
        std::vector<uint8_t> b;
        EXPECT_TRUE(clipboard.get(kGarminClipboardFormat, b));
        return b;
    }
    std::vector<uint8_t> heldImage() {
        std::vector<uint8_t> b = held();
        std::span<const uint8_t> image;
        EXPECT_TRUE(blockImage(b, image));
        return {image.begin(), image.end()};
    }
    int run(int destination = kDestinationClipboard) { return convertClipboard(ctx, clipboard, destination, calls); }

    TempDir dir;
    MemoryClipboard clipboard;
    ClipboardCalls calls;
    int mapSourceStarts = 0;
    bool mapSourceFound = true;
};

std::vector<uint8_t> oneTrack() {
    GdbImage img;
    img.track(northTrack("T", 5)).end();
    return img.bytes();
}

TEST_F(ClipboardFlowTest, BlockFraming) {
    std::vector<uint8_t> block = makeBlock(std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(block, (std::vector<uint8_t>{3, 0, 0, 0, 1, 2, 3}));
    std::span<const uint8_t> image;
    ASSERT_TRUE(blockImage(block, image));
    EXPECT_EQ(image.size(), 3u);
    // Spare bytes after the image are allowed; a length beyond the block or below 0 is not.
    block.push_back(0);
    ASSERT_TRUE(blockImage(block, image));
    EXPECT_EQ(image.size(), 3u);
    block[0] = 9;
    EXPECT_FALSE(blockImage(block, image));
    EXPECT_FALSE(blockImage(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 1}, image));
    EXPECT_FALSE(blockImage(std::vector<uint8_t>{0, 0, 0}, image));
}

TEST_F(ClipboardFlowTest, ResultGoesBackOnTheClipboardAndIsNotConvertedTwice) {
    offer(oneTrack());
    clipboard.add("text/plain", {'x'});
    EXPECT_EQ(run(), kClipboardDone);
    EXPECT_EQ(notes.keys(), std::vector<std::string>{"$MSG44"});
    EXPECT_EQ(notes.entries[0].text,
              "0 route(s) converted\n1 track(s) converted\n\nYou can paste the result now\nin MapSource or BaseCamp");
    EXPECT_FALSE(clipboard.hasFormat("text/plain"));
    const std::vector<uint8_t> first = held();
    ImageRecords r = readImage(heldImage());
    EXPECT_EQ(r.routes.size(), 1u);
    EXPECT_EQ(r.header.creatorName, "Trakor3");
    EXPECT_EQ(mapSourceStarts, 0);

    notes.entries.clear();
    EXPECT_EQ(run(), kClipboardRefused);
    EXPECT_EQ(notes.keys(), std::vector<std::string>{"$MSG41"});
    EXPECT_EQ(notes.entries[0].style, MsgStyle::Warning);
    EXPECT_EQ(held(), first);
}

TEST_F(ClipboardFlowTest, RefusalsLeaveTheClipboardAlone) {
    EXPECT_EQ(run(), kClipboardRefused);
    clipboard.add("text/plain", {'x'});
    EXPECT_EQ(run(), kClipboardRefused);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG39", "$MSG40"}));
    EXPECT_EQ(notes.entries[1].style, MsgStyle::Information);

    notes.entries.clear();
    GdbImage waypoints;
    waypoints.waypoint("A").end();
    offer(waypoints.bytes());
    std::vector<uint8_t> before = held();
    EXPECT_EQ(run(), kClipboardRefused);
    EXPECT_EQ(held(), before);
    EXPECT_TRUE(clipboard.hasFormat("text/plain"));

    // A block whose length says more than it holds.
    std::vector<uint8_t> lying = makeBlock(oneTrack());
    lying[1] += 1;
    clipboard.add(kGarminClipboardFormat, lying);
    EXPECT_EQ(run(), kClipboardRefused);
    EXPECT_EQ(held(), lying);
    // An image damaged inside.
    std::vector<uint8_t> damaged = oneTrack();
    damaged.resize(damaged.size() - 12);
    offer(damaged);
    EXPECT_EQ(run(), kClipboardRefused);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG42", "$MSG85", "$MSG85"}));
    EXPECT_EQ(mapSourceStarts, 0);
}

TEST_F(ClipboardFlowTest, MapSourceGetsAReadOnlyWorkFileAndTheClipboardIsEmptied) {
    offer(oneTrack());
    EXPECT_EQ(run(kDestinationMapSource), kClipboardDone);
    EXPECT_EQ(mapSourceStarts, 1);
    EXPECT_TRUE(notes.entries.empty());
    EXPECT_FALSE(clipboard.hasData());
    EXPECT_TRUE(isReadOnly(ctx.paths.workGdb));
    const std::string work = readFile(ctx.paths.workGdb);
    ImageRecords r = readImage(std::vector<uint8_t>(work.begin(), work.end()));
    EXPECT_EQ(r.routes.size(), 1u);
    EXPECT_TRUE(r.endRecord);

    // A second run replaces the read-only work file.
    offer(oneTrack());
    ctx.settings.CBmode_t = 24;
    EXPECT_EQ(run(kDestinationMapSource), kClipboardDone);
    const std::string again = readFile(ctx.paths.workGdb);
    EXPECT_EQ(readImage(std::vector<uint8_t>(again.begin(), again.end())).tracks.size(), 1u);
}

TEST_F(ClipboardFlowTest, WithoutMapSourceTheResultStaysOnTheClipboard) {
    mapSourceFound = false;
    offer(oneTrack());
    EXPECT_EQ(run(kDestinationMapSource), kClipboardDone);
    EXPECT_EQ(mapSourceStarts, 1);
    EXPECT_EQ(notes.keys(), std::vector<std::string>{"$MSG44"});
    EXPECT_EQ(readImage(heldImage()).routes.size(), 1u);

    // Not in this build at all.
    calls.openInMapSource = nullptr;
    notes.entries.clear();
    offer(oneTrack());
    EXPECT_EQ(run(kDestinationMapSource), kClipboardDone);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG82", "$MSG44"}));
}

TEST_F(ClipboardFlowTest, UnwritableWorkFileIsReportedAndTheResultKept) {
    ctx.paths.workGdb = dir.file("missing/folder/Trakor3.gdb");
    offer(oneTrack());
    EXPECT_EQ(run(kDestinationMapSource), kClipboardDone);
    EXPECT_EQ(mapSourceStarts, 0);
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG80", "$MSG44"}));
    EXPECT_EQ(readImage(heldImage()).routes.size(), 1u);
}

TEST_F(ClipboardFlowTest, BlockFileInAndOut) {
    const std::string in = dir.file("in.blk"), out = dir.file("out.blk");
    std::vector<uint8_t> block = makeBlock(oneTrack());
    writeFile(in, std::string(block.begin(), block.end()));
    EXPECT_EQ(convertClipboardBlockFile(ctx, in, out, kDestinationClipboard, calls), kClipboardDone);
    const std::string written = readFile(out);
    std::vector<uint8_t> outBlock(written.begin(), written.end());
    std::span<const uint8_t> image;
    ASSERT_TRUE(blockImage(outBlock, image));
    EXPECT_EQ(outBlock.size(), image.size() + 4);
    EXPECT_EQ(readImage({image.begin(), image.end()}).routes.size(), 1u);

    // The converted block is refused and nothing is written.
    std::filesystem::remove(in);
    std::filesystem::rename(out, in);
    EXPECT_EQ(convertClipboardBlockFile(ctx, in, out, kDestinationClipboard, calls), kClipboardRefused);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(convertClipboardBlockFile(ctx, dir.file("none"), out, kDestinationClipboard, calls), kClipboardFailed);

    // Saved as GPX: the converted route in GPX form.
    writeFile(in, std::string(block.begin(), block.end()));
    const std::string gpx = dir.file("saved.GPX");
    EXPECT_EQ(convertClipboardBlockFile(ctx, in, gpx, kDestinationClipboard, calls), kClipboardDone);
    const std::string text = readFile(gpx);
    expectSchemaValid(text);
    EXPECT_EQ(parseGpx(text).routeKinds.size(), 1u);
}

TEST_F(ClipboardFlowTest, FilterValuesAreCheckedOnlyWhereAFilterIsOn) {
    Settings& s = ctx.settings;
    s.CBmode_r = 12;
    s.CBmode_t = 23;
    s.Filter_CBR = 1;
    s.Filter_CBT = 1;
    s.Filtersize_t = 1;
    s.Filtersize_r = 10000;
    EXPECT_FALSE(clipboardFiltersValid(ctx));
    s.Filtersize_t = 9999;
    EXPECT_TRUE(clipboardFiltersValid(ctx));  // option 23 is never filtered
    s.CBmode_t = 22;
    EXPECT_FALSE(clipboardFiltersValid(ctx));
    s.Filter_CBT = 0;
    s.CBmode_r = 3;
    s.Filtersize_t = 0;
    EXPECT_TRUE(clipboardFiltersValid(ctx));
    s.CBmode_t = 24;
    s.Filter_CBT = 1;
    s.Filtersize_r = 2;
    EXPECT_FALSE(clipboardFiltersValid(ctx));
    EXPECT_EQ(notes.keys(), (std::vector<std::string>{"$MSG03", "$MSG03", "$MSG03"}));
    // A block file is not converted with an invalid filter.
    EXPECT_EQ(convertClipboardBlockFile(ctx, dir.file("none"), dir.file("out"), kDestinationClipboard, calls),
              kClipboardRefused);
}

}  // namespace
}  // namespace trakor::test
