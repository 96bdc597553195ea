// SPDX-License-Identifier: GPL-3.0-or-later
// Glitch removal and the three filters on a realistic recorded track of 100000 points, and the
// plain reference passes on smaller tracks for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "convert/filters.h"
#include "convert/glitches.h"
#include "convert/tests/literal_reference.h"
#include "core/context.h"

namespace {

using trakor::Context;
using trakor::PointStore;

// A bicycle ride logged once a second: about 5 m/s, a slowly wandering heading with turns at
// junctions, 2 m of position noise, stops where the position jitters on the spot.
void makeRide(PointStore& s, int n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 2.0);
    std::uniform_real_distribution<double> unit(0, 1);
    const double metresPerDegree = 111189.57696;
    double north = 0, east = 0, heading = 0.7, speed = 5;
    s.count = 0;
    for (int i = 0; i < n; ++i) {
        if (unit(rng) < 0.004) heading += (unit(rng) < 0.5 ? -1 : 1) * 1.57;  // junction
        heading += (unit(rng) - 0.5) * 0.08;
        speed = unit(rng) < 0.002 ? 0 : (speed == 0 && unit(rng) < 0.95 ? 0 : 5);  // stops
        north += speed * std::cos(heading);
        east += speed * std::sin(heading);
        const double lat = 47.0 + (north + noise(rng)) / metresPerDegree;
        const double lon = 8.0 + (east + noise(rng)) / (metresPerDegree * std::cos(47.0 * 3.14159265 / 180));
        const int32_t k = s.count++;
        s.lat[k] = trakor::degreesToSemicircles(lat);
        s.lon[k] = trakor::degreesToSemicircles(lon);
        s.alt[k] = 400 + 50 * std::sin(i / 900.0);
        s.altValid[k] = 1;
        s.time[k] = 1000000000 + i;
        s.via[k] = 0;
        s.partMark[k] = k == 0 ? 0 : 1;
    }
}

void copyStore(PointStore& to, const PointStore& from) {
    const size_t n = static_cast<size_t>(from.count);
    std::memcpy(to.lat, from.lat, n * sizeof(int32_t));
    std::memcpy(to.lon, from.lon, n * sizeof(int32_t));
    std::memcpy(to.alt, from.alt, n * sizeof(double));
    std::memcpy(to.altValid, from.altValid, n);
    std::memcpy(to.time, from.time, n * sizeof(int32_t));
    std::memcpy(to.via, from.via, n * sizeof(int32_t));
    std::memcpy(to.partMark, from.partMark, n);
    to.count = from.count;
}

// Runs `step` on a fresh copy of a ride of state.range(0) points each iteration.
template <typename Step>
void runOnRide(benchmark::State& state, Step step) {
    auto original = std::make_unique<Context>();
    auto work = std::make_unique<Context>();
    makeRide(original->store, static_cast<int>(state.range(0)), 42);
    int32_t left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        copyStore(work->store, original->store);
        state.ResumeTiming();
        step(*work);
        left = work->store.count;
    }
    state.counters["points_left"] = left;
}

void BM_FilterByCount(benchmark::State& state) {
    runOnRide(state, [](Context& ctx) {
        ctx.settings.Filtertype = 1;
        benchmark::DoNotOptimize(trakor::filterPoints(ctx, 500, 1));
    });
}
void BM_FilterByPercentage(benchmark::State& state) {
    runOnRide(state, [](Context& ctx) {
        ctx.settings.Filtertype = 2;
        benchmark::DoNotOptimize(trakor::filterPoints(ctx, 50, 1));
    });
}
void BM_FilterByTurn(benchmark::State& state) {
    runOnRide(state, [](Context& ctx) {
        ctx.settings.Filtertype = 3;
        benchmark::DoNotOptimize(trakor::filterPoints(ctx, 30, 1));
    });
}
void BM_RemoveGlitches(benchmark::State& state) {
    runOnRide(state, [](Context& ctx) {
        ctx.settings.RemovalGlitches = 1;
        ctx.settings.RemovalDistance = 30;
        trakor::removeGlitches(ctx);
    });
}
void BM_PlainFilterByCount(benchmark::State& state) {
    runOnRide(state, [](Context& ctx) {
        ctx.settings.Filtertype = 1;
        benchmark::DoNotOptimize(trakor::reference::filterPoints(ctx, 500, 1));
    });
}
void BM_PlainFilterByPercentage(benchmark::State& state) {
    runOnRide(state, [](Context& ctx) {
        ctx.settings.Filtertype = 2;
        benchmark::DoNotOptimize(trakor::reference::filterPoints(ctx, 50, 1));
    });
}

}  // namespace

BENCHMARK(BM_FilterByCount)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterByPercentage)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterByTurn)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveGlitches)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFilterByCount)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainFilterByPercentage)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
