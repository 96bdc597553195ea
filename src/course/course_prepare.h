// SPDX-License-Identifier: GPL-3.0-or-later
// Preparing the track in the point store as a course: times, turn course points, turn warnings.
#pragma once

#include <cstdint>
#include <vector>

namespace trakor {

struct Context;
class DistanceCache;

// Course-point marks held in the store's partMark while a course is prepared and written.
constexpr uint8_t kMarkEnd = 0;    // first and last point
constexpr uint8_t kMarkPlain = 1;  // an ordinary point
constexpr uint8_t kMarkLeft = 2;
constexpr uint8_t kMarkRight = 3;

inline bool isTurnMark(uint8_t m) { return m == kMarkLeft || m == kMarkRight; }

// Slowest speed the times are made from, in metres per second; slower speeds (below 3.6 km/h,
// or none) use it.
constexpr double kMinMetresPerSecond = 1.0;

// Gives every point a time (the file's, or made from the average speed), marks turns sharper
// than `Course Turn` as course points when `Course Points` is 1, and moves them `Turn Warnings`
// seconds ahead, inserting a point where a mark falls inside a segment. `now` is the start
// time of a track without times. Returns the number of turns found (before any moving).
// With `legs`, the distances between neighbouring points that making the times or marking the
// turns measured are kept there (legs[i] from point i to i + 1, as pointDistance gives them) for
// the writer; it is left empty when none were measured.
int32_t prepareCourse(Context& ctx, int64_t now, std::vector<double>* legs = nullptr);

// The three steps of prepareCourse, one by one. markCoursePoints takes `legs` of one less than
// the point count as the distances of these points (as assignCourseTimes leaves them) and
// measures them otherwise. `cache`, when given, holds the store's points as they are.
void assignCourseTimes(Context& ctx, int64_t now, std::vector<double>* legs = nullptr,
                       const DistanceCache* cache = nullptr);
int32_t markCoursePoints(Context& ctx, std::vector<double>* legs = nullptr, const DistanceCache* cache = nullptr);
void applyTurnWarnings(Context& ctx, std::vector<double>* legs = nullptr);

}  // namespace trakor
