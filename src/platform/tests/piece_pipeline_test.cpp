#include "platform/piece_pipeline.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

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

}  // namespace
}  // namespace trakor
