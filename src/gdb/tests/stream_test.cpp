// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "gdb/stream.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

MemoryStream streamOf(std::initializer_list<uint8_t> bytes) { return MemoryStream(std::vector<uint8_t>(bytes)); }

TEST(StreamPrimitives, IntegersAreLittleEndianAndZeroAtTheEnd) {
    MemoryStream in = streamOf({0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x02});
    EXPECT_EQ(readInt32(in), 0x12345678);
    EXPECT_EQ(readInt32(in), -2);
    EXPECT_EQ(readInt32(in), 0);  // only two bytes left
    EXPECT_EQ(readInt32(in), 0);  // nothing left

    MemoryStream out;
    writeInt32(out, -123456);
    writeU16(out, 0xBEEF);
    writeDouble(out, -1234.5);
    out.seek(0);
    EXPECT_EQ(readInt32(out), -123456);
    EXPECT_EQ(readU16(out), 0xBEEF);
    EXPECT_EQ(readDouble(out), -1234.5);
    EXPECT_EQ(readU8(out), 0);
}

TEST(StreamPrimitives, ReadStringCountsTheTerminatorAndFailsAtTheEndOrBound) {
    MemoryStream in = streamOf({'a', 'b', 0, 0, 'x', 'y'});
    std::string s;
    EXPECT_EQ(readString(&s, in), 3);
    EXPECT_EQ(s, "ab");
    EXPECT_EQ(readString(nullptr, in), 1);  // empty string
    EXPECT_EQ(readString(&s, in), -1);      // no terminator before the end

    // 30000 characters and the terminator are accepted; one more character is not.
    std::vector<uint8_t> longest(30000, 'z');
    longest.push_back(0);
    MemoryStream ok(longest);
    EXPECT_EQ(readString(&s, ok), 30001);
    EXPECT_EQ(s.size(), 30000u);
    std::vector<uint8_t> tooLong(30001, 'z');
    tooLong.push_back(0);
    MemoryStream bad(tooLong);
    EXPECT_EQ(readString(&s, bad), -1);
    EXPECT_LE(s.size(), 30001u);
}

TEST(StreamPrimitives, CopyBytesAndCopyOptional) {
    MemoryStream in = streamOf({1, 2, 3, 'h', 'i', 0, 9, 0, 1, 5, 6, 7, 8});
    MemoryStream out;
    EXPECT_EQ(copyBytes(3, &out, in), 3);
    EXPECT_EQ(copyBytes(0, &out, in), 3);     // "hi" and its zero byte
    EXPECT_EQ(copyBytes(-4, &out, in), 0);    // a negative count copies nothing
    EXPECT_EQ(copyBytes(1, nullptr, in), 1);  // consumed only
    EXPECT_EQ(copyOptional(&out, in, 8), 1);  // flag 0
    EXPECT_EQ(copyOptional(&out, in, 2), 3);  // flag 1 and two bytes
    EXPECT_EQ(copyBytes(10, &out, in), 2);    // fewer at the end
    EXPECT_EQ(copyBytes(0, &out, in), 0);
    EXPECT_EQ(out.bytes(), (std::vector<uint8_t>{1, 2, 3, 'h', 'i', 0, 0, 1, 5, 6, 7, 8}));
}

// Records are framed the same way in memory and in files.
TEST(StreamPrimitives, BeginAndEndRecordPatchTheLength) {
    auto writeTwo = [](ByteStream& out) {
        out.write("xy", 2);
        beginRecord(out, 'T');
        writeString("abc", out);
        endRecord(recordDataLength(out), out);
        beginRecord(out, 'W');
        writeInt32(out, 7);
        endRecord(recordDataLength(out), out);
    };
    const std::vector<uint8_t> expected = {'x', 'y', 4, 0, 0, 0, 'T', 'a', 'b', 'c', 0, 4, 0, 0, 0, 'W', 7, 0, 0, 0};
    MemoryStream mem;
    writeTwo(mem);
    EXPECT_EQ(mem.bytes(), expected);

    test::TempDir dir;
    FileStream file;
    ASSERT_TRUE(file.open(dir.file("r.gdb"), "w+b"));
    writeTwo(file);
    EXPECT_EQ(file.tell(), static_cast<int64_t>(expected.size()));
    ASSERT_TRUE(file.close());
    std::vector<uint8_t> back;
    ASSERT_TRUE(readWholeFile(dir.file("r.gdb"), back));
    EXPECT_EQ(back, expected);
}

// The file stream's own buffer against memory: the same random writes, seeks back and reads, small
// and larger than the buffer, give the same bytes, positions and sizes, before and after reopening.
TEST(StreamPrimitives, FileStreamBehavesAsMemory) {
    test::TempDir dir;
    std::mt19937 rng(27);
    auto below = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
    for (int round = 0; round < 8; ++round) {
        MemoryStream mem;
        FileStream file;
        const std::string path = dir.file("f" + std::to_string(round));
        ASSERT_TRUE(file.open(path, "w+b"));
        for (int op = 0; op < 3000; ++op) {
            const size_t kind = below(10);
            if (kind < 5) {
                std::vector<uint8_t> bytes(below(8) == 0 ? 60000 + below(80000) : 1 + below(300));
                for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
                ASSERT_TRUE(file.write(bytes.data(), bytes.size()));
                mem.write(bytes.data(), bytes.size());
            } else if (kind < 8) {
                const int64_t to = static_cast<int64_t>(below(static_cast<size_t>(mem.size()) + 1));
                ASSERT_TRUE(file.seek(to));
                mem.seek(to);
            } else {
                const size_t want = below(4) == 0 ? 70000 + below(70000) : below(400);
                std::vector<uint8_t> a(want), b(want);
                a.resize(file.read(a.data(), want));
                b.resize(mem.read(b.data(), want));
                ASSERT_EQ(a, b) << "round " << round << " op " << op;
            }
            ASSERT_EQ(file.tell(), mem.tell()) << "round " << round << " op " << op;
            ASSERT_EQ(file.size(), mem.size()) << "round " << round << " op " << op;
        }
        ASSERT_TRUE(file.close());
        std::vector<uint8_t> back;
        ASSERT_TRUE(readWholeFile(path, back));
        ASSERT_EQ(back, mem.bytes());
        // Read back in pieces of every size class.
        ASSERT_TRUE(file.open(path, "rb"));
        EXPECT_EQ(file.size(), mem.size());
        std::vector<uint8_t> again;
        for (;;) {
            std::vector<uint8_t> piece(below(3) == 0 ? 100000 : 1 + below(500));
            piece.resize(file.read(piece.data(), piece.size()));
            if (piece.empty()) break;
            again.insert(again.end(), piece.begin(), piece.end());
        }
        EXPECT_EQ(again, mem.bytes());
    }
}

}  // namespace
}  // namespace trakor
