// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "convert/geometry.h"
#include "convert/store_edit.h"
#include "core/context.h"

namespace trakor {

namespace {

constexpr int kMaxTolerance = 180;

// Removes the points whose keep flag is 0, keeping the order of the rest.
void compact(PointStore& s, const std::vector<uint8_t>& keep) {
    int32_t kept = 0;
    for (int32_t i = 0; i < s.count; ++i)
        if (keep[static_cast<size_t>(i)]) detail::movePoint(s, kept++, i);
    s.count = kept;
}

// Thinning of types 1 and 2, part by part. Each pass at tolerance k sweeps the part from its
// start and removes every inner ordinary point whose corner cosine (with its neighbours at that
// moment) is at most turnLimit(k), while the part holds more than its target.
//
// Rather than sweeping every point in all 181 passes, the points live in a linked list and each
// carries its current corner cosine, filed in the bucket of the first pass that can remove it.
// A pass visits only its bucket, in point order. A removal changes the corners of its two
// neighbours only: the one behind the sweep is refiled for a later pass, the one ahead is tested
// at once, as the sweep would. Passes with empty buckets would change nothing and are skipped.
// The removed points are thus the same, in the same order, as with the plain passes.
class PartThinner {
public:
    explicit PartThinner(PointStore& s)
        : s_(s),
          dist_(s),
          n_(static_cast<size_t>(s.count)),
          prev_(n_),
          next_(n_),
          edge_(n_),
          skip_(n_),
          corner_(n_),
          version_(n_),
          keep_(n_, 1) {
        for (int k = 0; k <= kMaxTolerance; ++k) limit_[static_cast<size_t>(k)] = turnLimit(k);
        buildCellTable();
    }

    // Thins part [first, last] to at most `target` points; returns whether it still holds more.
    bool thin(int32_t first, int32_t last, int64_t target) {
        first_ = first;
        last_ = last;
        size_ = last - first + 1;
        if (size_ <= target) return false;
        for (auto& b : buckets_) b.clear();
        for (int32_t x = first; x <= last; ++x) {
            prev_[ux(x)] = x - 1;
            next_[ux(x)] = x + 1;
            if (x > first) edge_[ux(x)] = dist_(x - 1, x);
        }
        for (int32_t x = first + 1; x < last; ++x) {
            if (s_.via[x] != 0) continue;
            skip_[ux(x)] = dist_(x - 1, x + 1);
            refile(x, 0);
        }
        for (int k = 0; size_ > target; ++k) {
            while (k <= kMaxTolerance && buckets_[static_cast<size_t>(k)].empty()) ++k;
            if (k > kMaxTolerance) break;
            sweep(k, target);
        }
        return size_ > target;
    }

    void finish() { compact(s_, keep_); }

private:
    struct Entry {
        int32_t point;
        uint32_t version;
    };

    static size_t ux(int32_t x) { return static_cast<size_t>(x); }

    // First pass whose limit reaches the cosine, or -1 when none does (NaN, or beyond 180 degrees).
    // A table over [-1, 1] gives the first candidate pass; the limits rise with the pass, so a
    // short walk from there finds the exact one.
    int firstPass(double cosine) const {
        if (std::isnan(cosine)) return -1;
        const double cell = (cosine + 1) * (kCells / 2);
        const size_t c = cell <= 0 ? 0 : cell >= kCells ? kCells - 1 : static_cast<size_t>(cell);
        // Start a cell lower: rounding in cosine + 1 may push a value just past a cell edge.
        size_t k = c == 0 ? 0 : firstInCell_[c - 1];
        while (k <= kMaxTolerance && limit_[k] < cosine) ++k;
        return k > kMaxTolerance ? -1 : static_cast<int>(k);
    }

    void buildCellTable() {
        size_t k = 0;
        for (size_t c = 0; c < kCells; ++c) {
            // Lowest cosine that falls into cell c.
            const double low = static_cast<double>(c) / (kCells / 2) - 1;
            while (k <= kMaxTolerance && limit_[k] < low) ++k;
            firstInCell_[c] = k;
        }
    }

    // Recomputes the corner of inner ordinary point x from its current neighbours and files it
    // for the first pass, not before `earliest`, that can remove it.
    void refile(int32_t x, int earliest) {
        corner_[ux(x)] = cornerFromSides(edge_[ux(x)], edge_[ux(next_[ux(x)])], skip_[ux(x)]);
        const uint32_t v = ++version_[ux(x)];
        const int pass = firstPass(corner_[ux(x)]);
        if (pass < 0) return;
        const int due = std::max(pass, earliest);
        if (due <= kMaxTolerance) buckets_[static_cast<size_t>(due)].push_back({x, v});
    }

    // A removal also bumps the version, so one look tells whether an entry still counts.
    bool current(const Entry& e) const { return version_[ux(e.point)] == e.version; }

    void sweep(int k, int64_t target) {
        std::vector<Entry> due = std::move(buckets_[static_cast<size_t>(k)]);
        buckets_[static_cast<size_t>(k)].clear();
        // Entries arrive in runs of rising points, often already in order.
        const auto byPoint = [](const Entry& a, const Entry& b) { return a.point < b.point; };
        if (!std::is_sorted(due.begin(), due.end(), byPoint)) std::sort(due.begin(), due.end(), byPoint);
        const double limit = limit_[static_cast<size_t>(k)];
        for (const Entry& e : due) {
            if (size_ <= target) return;
            if (!current(e)) continue;
            const int32_t anchor = prev_[ux(e.point)];
            int32_t x = e.point;
            for (;;) {
                // Remove x; the sweep stays at the anchor and tests the next point at once.
                keep_[ux(x)] = 0;
                ++version_[ux(x)];
                --size_;
                const int32_t y = next_[ux(x)];
                next_[ux(anchor)] = y;
                prev_[ux(y)] = anchor;
                edge_[ux(y)] = skip_[ux(x)];
                if (y == last_ || s_.via[y] != 0) break;
                skip_[ux(y)] = dist_(anchor, next_[ux(y)]);
                refile(y, k + 1);
                if (size_ <= target || !(limit >= corner_[ux(y)])) break;
                x = y;
            }
            // The anchor's corner changed behind the sweep: it can go in a later pass.
            if (anchor != first_ && s_.via[anchor] == 0) {
                skip_[ux(anchor)] = dist_(prev_[ux(anchor)], next_[ux(anchor)]);
                refile(anchor, k + 1);
            }
        }
    }

    PointStore& s_;
    DistanceCache dist_;
    size_t n_;
    std::vector<int32_t> prev_, next_;
    std::vector<double> edge_;    // distance from the previous point
    std::vector<double> skip_;    // distance from the previous to the next point
    std::vector<double> corner_;  // corner cosine with the current neighbours
    std::vector<uint32_t> version_;
    std::vector<uint8_t> keep_;
    std::array<double, kMaxTolerance + 1> limit_{};
    static constexpr size_t kCells = 4096;
    std::array<size_t, kCells> firstInCell_{};
    std::array<std::vector<Entry>, kMaxTolerance + 1> buckets_;
    int32_t first_ = 0, last_ = 0;
    int64_t size_ = 0;
};

int thinParts(PointStore& s, int filterType, int64_t value, int64_t parts) {
    if (s.count < 2) return 0;
    PartThinner thinner(s);
    int result = 0;
    // A part runs from a start to the next part start (or the last point); parts share their
    // end points, which are never removed, so the parts can be found up front.
    int32_t i = 0;
    while (i < s.count - 1) {
        int32_t j = i + 1;
        while (j < s.count - 1 && s.partMark[j] != 0) ++j;
        int64_t target;
        if (filterType == 1) {
            target = parts * (value - 1) + 1;
        } else {
            target = (100 - value) * (j - i) / 100;
            if (target < 3) target = 2;
        }
        if (thinner.thin(i, j, target)) result = 1;
        i = j;
    }
    thinner.finish();
    return result;
}

// Type 3: one sweep that removes each ordinary, non-starting point where the path turns by less
// than `degrees`, judged against the last kept point and the next point.
void thinByTurn(PointStore& s, int64_t degrees) {
    const int32_t n = s.count;
    if (n < 3) return;
    const double limit = turnLimit(degrees);
    DistanceCache dist(s);
    std::vector<uint8_t> keep(static_cast<size_t>(n), 1);
    int32_t anchor = 0;
    double toMiddle = dist(0, 1);
    for (int32_t mid = 1; mid + 1 < n; ++mid) {
        const double fromMiddle = dist(mid, mid + 1);
        const double across = dist(anchor, mid + 1);
        if (s.via[mid] == 0 && s.partMark[mid] != 0 && limit > cornerFromSides(toMiddle, fromMiddle, across)) {
            keep[static_cast<size_t>(mid)] = 0;
            toMiddle = across;
        } else {
            anchor = mid;
            toMiddle = fromMiddle;
        }
    }
    compact(s, keep);
}

}  // namespace

int filterPoints(Context& ctx, int value, int parts) {
    switch (ctx.settings.Filtertype) {
        case 1:
        case 2:
            return thinParts(ctx.store, ctx.settings.Filtertype, value, parts);
        case 3:
            thinByTurn(ctx.store, value);
            return 0;
        default:
            return 0;
    }
}

}  // namespace trakor
