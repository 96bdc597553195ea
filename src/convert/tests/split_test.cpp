// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/split.h"

#include <gtest/gtest.h>

#include <vector>

#include "convert/tests/track_builder.h"

namespace trakor {
namespace {

std::vector<int32_t> partStarts(const PointStore& s) {
    std::vector<int32_t> starts;
    for (int32_t i = 0; i < s.count; ++i)
        if (s.partMark[i] == 0) starts.push_back(i);
    return starts;
}

class Split : public ::testing::Test {
protected:
    std::unique_ptr<Context> ctx = test::makeContext();
    void settings(int split, int splitType, int splitValue, int filter = 0, int filterType = 1, int filterValue = 0) {
        ctx->settings.Split = split;
        ctx->settings.Splittype = splitType;
        ctx->settings.Filter = filter;
        ctx->settings.Filtertype = filterType;
        ctx->run.splitValue = splitValue;
        ctx->run.filterValue = filterValue;
    }
};

TEST_F(Split, ByLengthCutsWhereTheNextSegmentWouldPassThePartLength) {
    // 170 segments of 700 m: 119 km in 3 parts of 39666 m.
    test::putMeridian(*ctx, 171, 700);
    settings(1, 1, 50);
    const SplitFilterResult r = splitAndFilter(*ctx);
    EXPECT_EQ(r.parts, 3);
    EXPECT_TRUE(r.filterResults.empty());
    // 56 segments fill part 1; the segment from a boundary point counts for neither part.
    EXPECT_EQ(partStarts(ctx->store), (std::vector<int32_t>{0, 56, 113}));
    EXPECT_EQ(ctx->store.partMark[55], 1);
    EXPECT_EQ(ctx->store.partMark[57], 2);
    EXPECT_EQ(ctx->store.partMark[170], 3);
}

TEST_F(Split, ShortTrackStaysInOnePart) {
    test::putMeridian(*ctx, 500, 100);  // 49.9 km
    settings(1, 1, 50);
    EXPECT_EQ(splitAndFilter(*ctx).parts, 1);
    EXPECT_EQ(partStarts(ctx->store), (std::vector<int32_t>{0}));
    EXPECT_EQ(ctx->store.partMark[499], 1);
}

TEST_F(Split, ByCountStartsPartsEveryPerPoints) {
    test::putMeridian(*ctx, 1000, 10);
    settings(1, 2, 500);
    EXPECT_EQ(splitAndFilter(*ctx).parts, 3);
    EXPECT_EQ(partStarts(ctx->store), (std::vector<int32_t>{0, 333, 666}));
    EXPECT_EQ(ctx->store.partMark[999], 3);
}

TEST_F(Split, AtMost99PartsAndTheLastTakesTheRest) {
    test::putMeridian(*ctx, 3725, 10);  // 3725 / 25 + 1 = 150 parts asked
    settings(1, 2, 25);
    EXPECT_EQ(splitAndFilter(*ctx).parts, 99);
    const auto starts = partStarts(ctx->store);
    ASSERT_EQ(starts.size(), 99u);
    EXPECT_EQ(starts.back(), 98 * 37);
    EXPECT_EQ(ctx->store.partMark[3724], 99);

    ctx->store.clear();
    test::putMeridian(*ctx, 400, 1000);
    settings(1, 1, 1);  // 399 km in 1 km parts
    EXPECT_EQ(splitAndFilter(*ctx).parts, 99);
    // Parts of 4030 m take 4 segments plus the uncounted one: 80 parts fill the track.
    const auto byLength = partStarts(ctx->store);
    ASSERT_EQ(byLength.size(), 80u);
    EXPECT_EQ(byLength[1], 4);
    EXPECT_EQ(byLength.back(), 394);
}

TEST_F(Split, ByCountFiltersTheWholeStoreForAllPartsFirst) {
    test::putMeridian(*ctx, 1000, 10);
    settings(1, 2, 500, 1, 1, 200);
    const SplitFilterResult r = splitAndFilter(*ctx);
    EXPECT_EQ(r.filterResults, (std::vector<int>{0}));
    EXPECT_EQ(ctx->store.count, 598);
    EXPECT_EQ(partStarts(ctx->store), (std::vector<int32_t>{0, 199, 398}));
}

TEST_F(Split, ByLengthFiltersEachPartToTheTarget) {
    test::putMeridian(*ctx, 172, 700);
    settings(1, 1, 50, 1, 1, 10);
    EXPECT_EQ(splitAndFilter(*ctx).filterResults, (std::vector<int>{0}));
    EXPECT_EQ(ctx->store.count, 3 * 10 - 2);
    EXPECT_EQ(partStarts(ctx->store), (std::vector<int32_t>{0, 9, 18}));
}

TEST_F(Split, NoSplitFiltersOnceAndReportsAShortfall) {
    test::put(*ctx, 0, 0);
    for (int i = 1; i < 9; ++i) test::put(*ctx, i * 0.001, 0, i);
    test::put(*ctx, 0.01, 0);
    settings(0, 1, 50, 1, 1, 5);
    EXPECT_EQ(splitAndFilter(*ctx).filterResults, (std::vector<int>{1}));
    settings(0, 1, 50, 0, 1, 5);
    EXPECT_TRUE(splitAndFilter(*ctx).filterResults.empty());
    EXPECT_EQ(ctx->store.count, 10);
}

TEST_F(Split, SplitValueOfZeroOrLessDoesNotSplit) {
    // Bad stored settings must not divide by zero or ask for endless parts.
    for (int type : {1, 2}) {
        for (int value : {0, -3}) {
            ctx->store.clear();
            test::putMeridian(*ctx, 300, 1000);
            settings(1, type, value);
            EXPECT_EQ(splitAndFilter(*ctx).parts, 1) << type << " " << value;
            EXPECT_EQ(partStarts(ctx->store).size(), 1u);
        }
    }
}

}  // namespace
}  // namespace trakor
