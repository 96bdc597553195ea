// SPDX-License-Identifier: GPL-3.0-or-later
// Costs of the work the main dialog does on the user-interface thread: a detection run after a
// mount change, a look at the mount table, and starting a companion program.
#include <benchmark/benchmark.h>

#include "core/context.h"
#include "course/device_detection.h"
#include "platform/mount_watcher.h"
#include "platform/process_spawn.h"

namespace {

const std::vector<std::string> kEnv = {"PATH=/usr/bin:/bin"};

void BM_DetectDevices(benchmark::State& state) {
    trakor::Context ctx;
    trakor::DeviceRoots roots;
    for (auto _ : state) {
        trakor::DeviceDetection d;
        trakor::detectDevices(ctx, roots, d);
        benchmark::DoNotOptimize(d.entries.size());
    }
}
BENCHMARK(BM_DetectDevices)->Unit(benchmark::kMicrosecond);

void BM_MountWatcherLook(benchmark::State& state) {
    trakor::MountWatcher watcher;
    for (auto _ : state) benchmark::DoNotOptimize(watcher.changed(0));
}
BENCHMARK(BM_MountWatcherLook)->Unit(benchmark::kMicrosecond);

void BM_SpawnDetached(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(trakor::spawnDetached({"true"}, kEnv));
}
BENCHMARK(BM_SpawnDetached)->Unit(benchmark::kMicrosecond);

void BM_RunAndCapture(benchmark::State& state) {
    std::string out;
    for (auto _ : state) benchmark::DoNotOptimize(trakor::runAndCapture({"echo", "x.desktop"}, kEnv, 5000, out));
}
BENCHMARK(BM_RunAndCapture)->Unit(benchmark::kMicrosecond);

}  // namespace
