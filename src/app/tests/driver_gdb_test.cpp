// SPDX-License-Identifier: GPL-3.0-or-later
// GDB inputs: header scan, the record loop with its information texts, down-conversion, View.
#include <chrono>
#include <fstream>

#include "app/tests/driver_fixture.h"

namespace trakor::test {
namespace {

using Keys = std::vector<std::string>;

// The header of a GDB file with the given version letter.
std::string gdbHeader(char version) {
    std::string h = kResult.substr(0, kResult.size() - 7);  // without the end record
    h[kVersionOffset] = version;
    return h;
}

// A header, then the rest of a fake file.
std::string gdbBytes(char version, const std::string& rest = "|R1R2V") { return gdbHeader(version) + rest; }

// The record the fake pass writes for one input byte: type "X", the byte as its data.
std::string fakeRecord(char b) { return std::string("\x01\0\0\0X", 5) + b; }

class GdbInputTest : public DriverTest {
protected:
    int headerLength = static_cast<int>(gdbHeader('m').size());
    int scanResult = 0;
    std::vector<char> letters;  // what each record call returns
    int recordCalls = 0;
    std::string downConverted;

    void SetUp() override {
        DriverTest::SetUp();
        calls.scanHeader = [this](Context& c, ByteStream& in, int32_t& len) {
            c.waypointIndex.add(0, 0, "WPT");
            len = headerLength;
            in.seek(in.size());
            return scanResult;
        };
        calls.convertGdbRecord = [this](Context& c, ByteStream& in, ByteStream& out) {
            ++recordCalls;
            char letter = static_cast<size_t>(recordCalls) <= letters.size() ? letters[recordCalls - 1] : '1';
            uint8_t b;
            if (letter == 'V') {
                writeEndRecord(out);
            } else if (in.read(&b, 1) == 1) {
                const std::string rec = fakeRecord(static_cast<char>(b));
                out.write(rec.data(), rec.size());
            }
            if (letter == 'R') {
                ++c.run.routeCounter;
                c.run.setInfo(2, "Route " + std::to_string(recordCalls) + " thinned");
            }
            return letter;
        };
        calls.viaPointVisibilityPass = [](Context& c, ByteStream&, ByteStream& out) {
            c.run.routeCounter = 1;
            const std::string vis = gdbImage("VIS");
            out.write(vis.data(), vis.size());
            return 0;
        };
        calls.downConvert = [this](Context& c, ByteStream& in, uint8_t version) {
            downConverted = readAll(in);
            writeFile(c.paths.downGdb, gdbBytes('m', "DOWN"));
            return 0;
        };
    }
};

// The bar reaches its end, also when the end record stops the record loop before the last byte.
TEST_F(GdbInputTest, ProgressReachesTheEndBeforeTheResultIsTold) {
    letters = {'R', 'V'};
    fileRequest(makeFile("r.gdb", gdbBytes('m', "|R1R2V")), dir.file("o.gdb"), 11);
    std::vector<std::pair<int, int>> steps;
    ctx.progress = [&steps](int done, int total) { steps.emplace_back(done, total); };
    EXPECT_EQ(run(), kDelivered);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().first, steps.back().second);
}

TEST_F(GdbInputTest, RecordLoopCopiesTheHeaderAndShowsInformationTexts) {
    letters = {'R', 'W', 'R', 'V', 'R'};
    fileRequest(makeFile("r.gdb", gdbBytes('m')), dir.file("o.gdb"), 11);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(recordCalls, 4);
    ASSERT_EQ(notes.keys(), (Keys{"Info", "Info", "$MSG20"}));
    EXPECT_EQ(notes.entries[0].text, "Route 1 thinned");
    EXPECT_EQ(notes.entries[1].text, "Route 3 thinned");
    EXPECT_EQ(notes.entries[0].style, MsgStyle::Warning);
    // Header bytes unchanged, then a record per record call.
    EXPECT_EQ(readFile(dir.file("o.gdb")),
              gdbHeader('m') + fakeRecord('|') + fakeRecord('R') + fakeRecord('1') + kResult.substr(kResult.size() - 7));
    EXPECT_TRUE(ctx.waypointIndex.rows.empty());
}

TEST_F(GdbInputTest, APassThatStopsMovingEndsTheLoop) {
    fileRequest(makeFile("r.gdb", gdbBytes('m', "ab")), dir.file("o.gdb"), 21);
    calls.convertGdbRecord = [this](Context& c, ByteStream& in, ByteStream&) {
        ++recordCalls;
        uint8_t b;
        in.read(&b, 1);
        c.run.trackCounter = 1;
        return 'T';
    };
    // What it wrote (no end record) is not delivered.
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG90"});
    EXPECT_EQ(recordCalls, 3);
}

// An input that another program shortens while the pass reads it is no success, whatever the
// pass made of the bytes it still had.
TEST_F(GdbInputTest, InputShortenedWhileThePassReadsItFailsTheRun) {
    const std::string input = makeFile("r.gdb", gdbBytes('m', "abcdef"));
    fileRequest(input, dir.file("o.gdb"), 21);
    letters = {'T', 'T', 'V'};
    const auto pass = calls.convertGdbRecord;
    calls.convertGdbRecord = [&](Context& c, ByteStream& in, ByteStream& out) {
        if (recordCalls == 0) std::filesystem::resize_file(input, static_cast<uintmax_t>(headerLength) + 1);
        c.run.trackCounter = 1;
        return pass(c, in, out);
    };
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG15"});
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.gdb")));

    // The via point pass of options 3 and 4 the same.
    notes.entries.clear();
    const std::string second = makeFile("v.gdb", gdbBytes('m', "abcdef"));
    fileRequest(second, dir.file("o.gdb"), 3);
    calls.viaPointVisibilityPass = [&](Context&, ByteStream& in, ByteStream& out) {
        std::filesystem::resize_file(second, static_cast<uintmax_t>(headerLength) + 1);
        copyBytes(static_cast<int32_t>(in.size()), &out, in);
        return 0;
    };
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG15"});
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.gdb")));
}

// The same for an input rewritten in place (a byte in its middle, the size kept) while the record
// pass, the via point pass or the import reads it.
TEST_F(GdbInputTest, InputRewrittenWhileReadFailsTheRun) {
    const auto rewrite = [](const std::string& path) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(std::filesystem::file_size(path) / 2));
        f.put('\0');
    };
    const auto pass = calls.convertGdbRecord;
    const auto import = calls.importFile;
    const std::string input = dir.file("r.gdb");
    calls.convertGdbRecord = [&](Context& c, ByteStream& in, ByteStream& out) {
        if (recordCalls == 0) rewrite(input);
        c.run.trackCounter = 1;
        return pass(c, in, out);
    };
    calls.viaPointVisibilityPass = [&](Context& c, ByteStream& in, ByteStream& out) {
        rewrite(input);
        c.run.routeCounter = 1;
        copyBytes(static_cast<int32_t>(in.size()), &out, in);
        return 0;
    };
    calls.importFile = [&](Context& c, const std::string& base, ByteStream& in, ByteStream& out) {
        rewrite(input);
        return import(c, base, in, out);
    };
    for (int option : {21, 3, 0}) {
        notes.entries.clear();
        recordCalls = 0;
        letters = {'T', 'T', 'V'};
        makeFile("r.gdb", gdbBytes('m', "abcdef"));
        // Written an hour ago: the rewrite gives it a later time whatever the clock's grain.
        std::filesystem::last_write_time(input, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        fileRequest(input, dir.file("o.gdb"), option);
        EXPECT_EQ(run(), kRunFailed) << option;
        ASSERT_EQ(notes.keys(), Keys{"$MSG15"}) << option;
        EXPECT_NE(notes.entries[0].text.find("changed while it was read"), std::string::npos) << notes.entries[0].text;
        EXPECT_FALSE(std::filesystem::exists(dir.file("o.gdb"))) << option;
    }
}

TEST_F(GdbInputTest, UnusableHeaderAndMemoryErrors) {
    scanResult = 1;
    fileRequest(makeFile("r.gdb", "not a gdb file"), dir.file("o.gdb"), 11);
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG17"});
    EXPECT_TRUE(ctx.waypointIndex.rows.empty());

    notes.entries.clear();
    scanResult = 0;
    calls.viaPointVisibilityPass = [](Context&, ByteStream&, ByteStream&) { return 1; };
    fileRequest(makeFile("r.gdb", gdbBytes('m')), dir.file("o.gdb"), 3);
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), Keys{"Klaar"});
    EXPECT_EQ(notes.entries[0].text, "memory error");
    EXPECT_TRUE(ctx.waypointIndex.rows.empty());
}

TEST_F(GdbInputTest, VisibilityOptionsUseTheirOwnPass) {
    fileRequest(makeFile("r.gdb", gdbBytes('m')), dir.file("o.gdb"), 4);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(readFile(dir.file("o.gdb")), gdbImage("VIS"));
    EXPECT_EQ(recordCalls, 0);
}

TEST_F(GdbInputTest, OptionZeroImportsTheGdbFile) {
    fileRequest(makeFile("Old.GDB.BAK", gdbBytes('l')), dir.file("o.gdb"), 0);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(importedBytes, gdbBytes('l'));
    EXPECT_EQ(ctx.run.inputType, InputType::Gdb);
}

TEST_F(GdbInputTest, LaterVersionsAreReadThroughTheirDownConvertedCopy) {
    std::string later = gdbBytes('\x84', "NEWER");
    fileRequest(makeFile("new.gdb", later), dir.file("o.gdb"), 0);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(downConverted, later);
    EXPECT_EQ(importedBytes, gdbBytes('m', "DOWN"));
}

TEST_F(GdbInputTest, ViewOpensGdbFilesAndConvertsTheRest) {
    std::string m = makeFile("x.GDB", gdbBytes('m'));
    req.inputPath = m;
    EXPECT_EQ(viewInput(ctx, calls, req), kDelivered);
    EXPECT_EQ(mapSourceOpened, Keys{m});

    mapSourceOpened.clear();
    req.inputPath = makeFile("n.gdb", gdbBytes('\x8A'));
    EXPECT_EQ(viewInput(ctx, calls, req), kDelivered);
    EXPECT_EQ(mapSourceOpened, Keys{ctx.paths.downGdb});

    mapSourceOpened.clear();
    req.inputPath = makeFile("bad.gdb", "Not a GDB file");
    EXPECT_EQ(viewInput(ctx, calls, req), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG17"});
    EXPECT_TRUE(mapSourceOpened.empty());
    EXPECT_EQ(imports, 0);

    notes.entries.clear();
    req.inputPath = makeFile("t.gpx");
    EXPECT_EQ(viewInput(ctx, calls, req), kDelivered);
    EXPECT_EQ(mapSourceOpened, Keys{req.inputPath});

    // Other inputs: option 0 without filtering, opened from the work file; settings restored.
    mapSourceOpened.clear();
    ctx.settings.Filter = 1;
    req.inputPath = makeFile("t.fit");
    req.option = 24;
    req.outputTarget = OutputTarget::File;
    EXPECT_EQ(viewInput(ctx, calls, req), kDelivered);
    EXPECT_EQ(mapSourceOpened, Keys{ctx.paths.workGdb});
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(ctx.settings.Filter, 1);
    EXPECT_EQ(req.option, 24);
    EXPECT_EQ(req.outputTarget, OutputTarget::File);

    notes.entries.clear();
    req.inputPath.clear();
    EXPECT_EQ(viewInput(ctx, calls, req), kRunStopped);
    EXPECT_EQ(notes.keys(), Keys{"$MSG09"});
}

}  // namespace
}  // namespace trakor::test
