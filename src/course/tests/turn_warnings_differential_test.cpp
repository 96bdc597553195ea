// SPDX-License-Identifier: GPL-3.0-or-later
// The turn warning walk against the warnings as their meaning puts them (turn_warnings_reference.h):
// the same stores on random tracks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "course/tests/turn_warnings_reference.h"

namespace trakor {
namespace {

void randomTrack(Context& ctx, std::mt19937& rng, int n) {
    std::uniform_int_distribution<int> step(-3000, 3000), gap(-2, 12), mark(0, 9), alt(0, 3);
    PointStore& s = ctx.store;
    s.count = n;
    int32_t lat = 500000000, lon = gap(rng) < 3 ? 2147000000 : 70000000, time = 1700000000;
    for (int i = 0; i < n; ++i) {
        lat += step(rng);
        // Crosses the date line now and then: semicircles wrap from 180 east to 180 west.
        lon = static_cast<int32_t>(static_cast<uint32_t>(lon) + static_cast<uint32_t>(step(rng) * 50));
        time += gap(rng);
        s.lat[i] = lat;
        s.lon[i] = lon;
        s.time[i] = time;
        s.alt[i] = i * 1.5;
        s.altValid[i] = alt(rng) != 0;
        s.via[i] = i % 7;
        const int m = mark(rng);
        s.partMark[i] = m < 2 ? kMarkLeft : m < 4 ? kMarkRight : kMarkPlain;
    }
    s.partMark[0] = kMarkEnd;
    s.partMark[n - 1] = kMarkEnd;
}

void expectSameStores(const PointStore& a, const PointStore& b, int round) {
    ASSERT_EQ(a.count, b.count) << round;
    for (int32_t i = 0; i < a.count; ++i) {
        ASSERT_EQ(a.lat[i], b.lat[i]) << round << " at " << i;
        // Longitudes of new points may differ by the last semicircle (about a centimetre): the walk
        // interpolates round the date line by its own shifts of 180 degrees.
        const uint32_t lonApart = static_cast<uint32_t>(a.lon[i]) - static_cast<uint32_t>(b.lon[i]);
        ASSERT_TRUE(lonApart <= 1 || lonApart == UINT32_MAX) << round << " at " << i << ": " << a.lon[i] << " " << b.lon[i];
        ASSERT_EQ(a.time[i], b.time[i]) << round << " at " << i;
        ASSERT_EQ(a.alt[i], b.alt[i]) << round << " at " << i;
        ASSERT_EQ(a.altValid[i], b.altValid[i]) << round << " at " << i;
        ASSERT_EQ(a.via[i], b.via[i]) << round << " at " << i;
        ASSERT_EQ(a.partMark[i], b.partMark[i]) << round << " at " << i;
    }
}

TEST(TurnWarningsDifferential, SameStoresAsThePlainWalk) {
    const char* seedText = std::getenv("TRAKOR_DIFFERENTIAL_SEED");
    std::mt19937 rng(seedText != nullptr ? static_cast<uint32_t>(std::atoi(seedText)) : 20261207u);
    std::uniform_int_distribution<int> size(2, 400), warning(1, 40);
    auto fast = std::make_unique<Context>(), plain = std::make_unique<Context>();
    int32_t inserted = 0;
    for (int round = 0; round < 400; ++round) {
        randomTrack(*fast, rng, size(rng));
        fast->settings.TurnWarnings = warning(rng);
        plain->settings = fast->settings;
        plain->store.count = fast->store.count;
        for (int32_t i = 0; i < fast->store.count; ++i) {
            plain->store.lat[i] = fast->store.lat[i];
            plain->store.lon[i] = fast->store.lon[i];
            plain->store.time[i] = fast->store.time[i];
            plain->store.alt[i] = fast->store.alt[i];
            plain->store.altValid[i] = fast->store.altValid[i];
            plain->store.via[i] = fast->store.via[i];
            plain->store.partMark[i] = fast->store.partMark[i];
        }
        const int32_t before = fast->store.count;
        applyTurnWarnings(*fast);
        inserted += fast->store.count - before;
        reference::applyTurnWarnings(*plain);
        expectSameStores(fast->store, plain->store, round);
        if (HasFatalFailure()) return;
    }
    // The tracks must make the walk insert points, not only move marks.
    EXPECT_GT(inserted, 1000);
}

}  // namespace
}  // namespace trakor
