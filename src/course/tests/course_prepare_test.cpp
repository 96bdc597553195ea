// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "course/course_prepare.h"
#include "course/tests/course_fixture.h"

namespace trakor::test {
namespace {

using PrepareCourse = CourseTest;

std::vector<int32_t> timesOf(const PointStore& s) { return std::vector<int32_t>(s.time, s.time + s.count); }

TEST_F(PrepareCourse, TimesFromTheAverageSpeedAddUpOverShortSegments) {
    ctx.settings.AverageSpeed = 15;  // 4.1667 m/s
    setStore(line(4, 100.5, 1700000000, 7));
    assignCourseTimes(ctx, 0);
    EXPECT_EQ(timesOf(ctx.store), (std::vector<int32_t>{1700000000, 1700000024, 1700000048, 1700000072}));
    // The same 3.9 km take 936 s however finely they are cut; times never go back.
    for (int32_t points : {2, 11, 101, 1001}) {
        setStore(line(points, 3900.0 / (points - 1), 0, 0));
        assignCourseTimes(ctx, 1800000000);
        EXPECT_EQ(ctx.store.time[points - 1] - ctx.store.time[0], 936) << points;
        for (int32_t i = 1; i < points; ++i) ASSERT_LE(ctx.store.time[i - 1], ctx.store.time[i]) << points;
    }
}

TEST_F(PrepareCourse, FileTimesAreKeptOrGiveTheirOwnSpeed) {
    ctx.settings.UseFileTimes = 1;
    ctx.settings.AverageSpeed = 15;
    std::vector<Pt> pts = line(4, 100.5, 1700000000, 3);
    pts[2].time = 1700000100;  // uneven, and kept as it is
    setStore(pts);
    assignCourseTimes(ctx, 0);
    EXPECT_EQ(timesOf(ctx.store), (std::vector<int32_t>{1700000000, 1700000003, 1700000100, 1700000009}));
    // A gap: 301.5 m in 60 s is 18 km/h, 5 m/s: 100.5 m segments take 20 s.
    pts = line(4, 100.5, 1700000000, 20);
    pts[1].time = 0;
    setStore(pts);
    assignCourseTimes(ctx, 0);
    EXPECT_EQ(timesOf(ctx.store), (std::vector<int32_t>{1700000000, 1700000020, 1700000040, 1700000060}));
    // Without the setting the file's times are replaced from the average speed.
    ctx.settings.UseFileTimes = 0;
    setStore(line(2, 100.5, 1700000000, 3));
    assignCourseTimes(ctx, 0);
    EXPECT_EQ(timesOf(ctx.store), (std::vector<int32_t>{1700000000, 1700000024}));
}

TEST_F(PrepareCourse, SlowOrMissingSpeedsUseOneMetrePerSecond) {
    for (int32_t speed : {3, 0, -5}) {
        ctx.settings.AverageSpeed = speed;
        setStore(line(3, 100.3, 1700000000, 0));
        assignCourseTimes(ctx, 0);
        EXPECT_EQ(timesOf(ctx.store), (std::vector<int32_t>{1700000000, 1700000100, 1700000201})) << speed;
    }
    // File times spanning nothing, or too slow a file pace: no division by zero either.
    ctx.settings.UseFileTimes = 1;
    ctx.settings.AverageSpeed = 15;
    std::vector<Pt> pts = line(3, 100.3, 1700000000, 0);
    pts[1].time = 0;
    setStore(pts);
    assignCourseTimes(ctx, 0);
    EXPECT_EQ(timesOf(ctx.store), (std::vector<int32_t>{1700000000, 1700000024, 1700000048}));
    pts = line(3, 100.3, 1700000000, 3600);  // 0.1 km/h
    pts[1].time = 0;
    setStore(pts);
    assignCourseTimes(ctx, 0);
    EXPECT_EQ(timesOf(ctx.store), (std::vector<int32_t>{1700000000, 1700000100, 1700000201}));
}

TEST_F(PrepareCourse, RightAnglesAreTurnsAndGentleBendsAreNot) {
    ctx.settings.CoursePoints = 1;
    ctx.settings.CourseTurn = 30;
    const double d = 100 * kDegPerMetre;
    // North, east (right), north (left), west (left), north-north-east (right), a 7-degree bend.
    setStore({{50, 6}, {50 + d, 6}, {50 + d, 6 + 1.5 * d}, {50 + 2 * d, 6 + 1.5 * d}, {50 + 2 * d, 6},
              {50 + 3 * d, 6 + 0.55 * d}, {50 + 4 * d, 6 + 0.9 * d}});
    EXPECT_EQ(markCoursePoints(ctx), 4);
    EXPECT_EQ(std::vector<uint8_t>(ctx.store.partMark, ctx.store.partMark + 7),
              (std::vector<uint8_t>{kMarkEnd, kMarkRight, kMarkLeft, kMarkLeft, kMarkRight, kMarkPlain, kMarkEnd}));
    // Course points off: no marks, no count.
    ctx.settings.CoursePoints = 0;
    EXPECT_EQ(prepareCourse(ctx, 0), 0);
}

TEST_F(PrepareCourse, BendsAroundTheTurnAngle) {
    ctx.settings.CoursePoints = 1;
    const double d = 100 * kDegPerMetre;
    for (int bend : {20, 25, 35, 60}) {
        ctx.settings.CourseTurn = 30;
        double rad = bend * 3.141592653589793 / 180;
        setStore({{50, 6}, {50 + d, 6}, {50 + d + d * std::cos(rad), 6 - 1.55 * d * std::sin(rad)}});
        EXPECT_EQ(markCoursePoints(ctx), bend > 30 ? 1 : 0) << bend;
        EXPECT_EQ(ctx.store.partMark[1], bend > 30 ? kMarkLeft : kMarkPlain) << bend;
    }
}

// A course point at index `turn` of a northward line of 21 points `dt` seconds apart.
void turnLine(CourseTest& t, Context& ctx, int turn, int32_t dt) {
    t.setStore(CourseTest::line(21, 100.5, 1700000000, dt));
    ctx.store.partMark[0] = kMarkEnd;
    ctx.store.partMark[20] = kMarkEnd;
    ctx.store.partMark[turn] = kMarkRight;
}

TEST_F(PrepareCourse, TurnWarningsMoveTheMarkBackOverShortSegments) {
    ctx.settings.TurnWarnings = 5;
    turnLine(*this, ctx, 15, 1);
    applyTurnWarnings(ctx);
    EXPECT_EQ(ctx.store.count, 21);
    EXPECT_EQ(ctx.store.partMark[10], kMarkRight);
    for (int i = 1; i < 20; ++i) {
        if (i != 10) {
            EXPECT_EQ(ctx.store.partMark[i], kMarkPlain) << i;
        }
    }
}

TEST_F(PrepareCourse, TurnWarningsInsertAPointInsideALongSegment) {
    ctx.settings.TurnWarnings = 5;
    turnLine(*this, ctx, 15, 10);
    ctx.store.alt[15] = 321;
    ctx.store.altValid[15] = 1;
    const int32_t lat14 = ctx.store.lat[14], lat15 = ctx.store.lat[15];
    applyTurnWarnings(ctx);
    ASSERT_EQ(ctx.store.count, 22);
    EXPECT_EQ(ctx.store.partMark[15], kMarkRight);
    EXPECT_EQ(ctx.store.partMark[16], kMarkPlain);
    EXPECT_EQ(ctx.store.time[15], 1700000145);
    EXPECT_NEAR(ctx.store.lat[15], (lat14 + lat15) / 2, 1);
    EXPECT_EQ(ctx.store.lon[15], ctx.store.lon[14]);
    EXPECT_EQ(ctx.store.alt[15], 321);
    EXPECT_EQ(ctx.store.altValid[15], 1);
    EXPECT_EQ(ctx.store.lat[16], lat15);
    EXPECT_EQ(ctx.store.time[16], 1700000150);
}

TEST_F(PrepareCourse, TurnWarningsStopAtTheStartAndAtEarlierTurns) {
    ctx.settings.TurnWarnings = 30;
    // A turn at index 2 cannot move past index 1: a point goes in at the start of the segment.
    turnLine(*this, ctx, 2, 1);
    applyTurnWarnings(ctx);
    EXPECT_EQ(ctx.store.partMark[1], kMarkRight);
    EXPECT_EQ(ctx.store.partMark[2], kMarkPlain);
    EXPECT_EQ(ctx.store.count, 22);
    // Two turns next to each other: the later one stays behind the earlier one.
    turnLine(*this, ctx, 8, 1);
    ctx.store.partMark[7] = kMarkLeft;
    applyTurnWarnings(ctx);
    int turns = 0;
    for (int i = 0; i < ctx.store.count; ++i) turns += isTurnMark(ctx.store.partMark[i]) ? 1 : 0;
    EXPECT_EQ(turns, 2);
}

TEST_F(PrepareCourse, TurnWarningsAcrossTheDateLine) {
    ctx.settings.TurnWarnings = 5;
    setStore({{0, 179.9999, 1700000000}, {0, -179.9999, 1700000010}, {0.001, -179.9999, 1700000020}});
    ctx.store.partMark[1] = kMarkLeft;
    applyTurnWarnings(ctx);
    ASSERT_EQ(ctx.store.count, 4);
    // Halfway between the two meridians is the date line itself, not Greenwich.
    EXPECT_NEAR(std::fabs(semicirclesToDegrees(ctx.store.lon[1])), 180, 1e-6);
}

TEST_F(PrepareCourse, AFullStoreGetsNoWarningPoint) {
    ctx.settings.TurnWarnings = 5;
    ctx.store.clear();
    for (int32_t i = 0; i < kMaxPoints; ++i) {
        ctx.store.lat[i] = i * 100;
        ctx.store.lon[i] = 0;
        ctx.store.time[i] = 1700000000 + 10 * i;
        ctx.store.partMark[i] = kMarkPlain;
    }
    ctx.store.count = kMaxPoints;
    ctx.store.partMark[kMaxPoints - 2] = kMarkRight;
    applyTurnWarnings(ctx);
    EXPECT_EQ(ctx.store.count, kMaxPoints);
    EXPECT_EQ(ctx.store.partMark[kMaxPoints - 2], kMarkRight);
}

TEST_F(PrepareCourse, TinyTracks) {
    ctx.settings.CoursePoints = 1;
    ctx.settings.TurnWarnings = 5;
    setStore({});
    EXPECT_EQ(prepareCourse(ctx, 1700000000), 0);
    setStore({{50, 6}});
    EXPECT_EQ(prepareCourse(ctx, 1700000000), 0);
    EXPECT_EQ(ctx.store.time[0], 1700000000);
    EXPECT_EQ(ctx.store.partMark[0], kMarkEnd);
}

}  // namespace
}  // namespace trakor::test
