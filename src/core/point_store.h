// SPDX-License-Identifier: GPL-3.0-or-later
// The one route or track being worked on: parallel per-point arrays of fixed capacity.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/coordinates.h"

namespace trakor {

struct RunState;

constexpr int32_t kMaxPoints = 100000;
// The information text of a route or track cut at kMaxPoints.
inline constexpr const char* kPointLimitText = "Route point limit reached - track truncated!";
// Longest string the GDB string reader accepts, without its terminator.
constexpr int32_t kMaxNameLength = 30000;

class PointStore {
public:
    PointStore();

    int32_t count = 0;
    // Whether addPoint grows the arrays past kMaxPoints instead of dropping points there: the
    // readers of the import path keep every point, and the track goes out in pieces.
    bool growable = false;
    // Arrays of capacity kMaxPoints, allocated once (grown only when growable).
    int32_t* lat;
    int32_t* lon;
    double* alt;
    uint8_t* altValid;
    int32_t* time;
    int32_t* via;
    uint8_t* partMark;
    // Name of the current route or track; writers also use it as scratch.
    std::string name;

    // Appends with duplicate suppression; a point past capacity is dropped and reported in `run`
    // unless the store is growable.
    void addPoint(RunState& run, int32_t latv, int32_t lonv, double altv, uint8_t altValidv, int32_t viav,
                  int32_t timev);
    // Deletes n points from index first on, keeping the order of the rest.
    void removePoints(int32_t first, int32_t n);
    // Part n (1-based): [first, end) where end includes the first point of the next part.
    void partRange(int n, int32_t& first, int32_t& end) const;
    void clear() { count = 0; }
    // Copies every field of point `from` to index `to` (both below capacity).
    void copyPoint(int32_t to, int32_t from) {
        lat[to] = lat[from];
        lon[to] = lon[from];
        alt[to] = alt[from];
        altValid[to] = altValid[from];
        time[to] = time[from];
        via[to] = via[from];
        partMark[to] = partMark[from];
    }

private:
    // Doubles the capacity, keeping the points held; false when the memory is not there.
    bool grow();

    int32_t capacity_ = kMaxPoints;
    std::unique_ptr<int32_t[]> lat_, lon_, time_, via_;
    std::unique_ptr<double[]> alt_;
    std::unique_ptr<uint8_t[]> altValid_, partMark_;
};

}  // namespace trakor
