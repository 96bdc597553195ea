// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/piece_pipeline.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <new>
#include <string>

#include "platform/atomic_file.h"
#include "platform/write_behind.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

// Pieces arrive whole and in order however the threads interleave, the caller's buffer comes
// back empty each time, and a piece that fails for want of memory fails the whole.
TEST(PiecePipeline, KeepsOrderAndReportsAFailedPiece) {
    std::string joined, expected;
    {
        PiecePipeline pipeline([&joined](const std::string& piece) { joined += piece; });
        std::string text;
        for (int i = 0; i < 2000; ++i) {
            text += "piece " + std::to_string(i) + ";";
            expected += "piece " + std::to_string(i) + ";";
            if (i % 3 == 0) {
                pipeline.put(text);
                EXPECT_TRUE(text.empty());
            }
        }
        pipeline.put(std::string_view(text));  // the rest, copied
        pipeline.finish();
        EXPECT_FALSE(pipeline.failed());
    }
    EXPECT_EQ(joined, expected);

    int consumed = 0;
    PiecePipeline failing([&consumed](const std::string&) {
        if (++consumed == 2) throw std::bad_alloc();
    });
    for (int i = 0; i < 5; ++i) failing.put(std::string_view("x"));
    failing.finish();
    EXPECT_TRUE(failing.failed());
    EXPECT_EQ(consumed, 2);  // the pieces after the failed one are dropped
}

// The writers' use: the second thread writes each piece to a file and asks the disk to start
// writing every few megabytes; the file ends up with every byte in order.
TEST(PiecePipeline, WritesAFileBehindTheCaller) {
    test::TempDir dir;
    const std::string path = dir.file("out.bin");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    std::string expected;
    bool good = true;
    {
        int64_t written = 0;
        WriteBehind behind;
        PiecePipeline pipeline([&](const std::string& piece) {
            good = good && writeAllBytes(fd, piece);
            written += static_cast<int64_t>(piece.size());
            behind.wrote(fd, piece.size(), written);
        });
        std::string piece;
        for (int i = 0; i < 3 * static_cast<int>(WriteBehind::kStep >> 16); ++i) {
            piece.assign(size_t{1} << 16, static_cast<char>('a' + i % 26));
            expected += piece;
            pipeline.put(piece);
        }
        pipeline.finish();
        EXPECT_FALSE(pipeline.failed());
    }
    ::close(fd);
    EXPECT_TRUE(good);
    EXPECT_TRUE(test::readFile(path) == expected);
}

}  // namespace
}  // namespace trakor
