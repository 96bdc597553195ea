// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the FIT, NMEA and ITN readers on large synthetic inputs (one track each).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/reader.h"

namespace {

using namespace trakor;

constexpr int kPoints = 100000;

std::vector<uint8_t> fitActivity() {
    std::vector<uint8_t> b(14, 0);
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    // Local type 0: record with time stamp, position and altitude.
    b.insert(b.end(), {0x40, 0, 0, 20, 0, 4, 253, 4, 134, 0, 4, 133, 1, 4, 133, 2, 2, 132});
    for (int i = 0; i < kPoints; ++i) {
        b.push_back(0);
        put(1000000000u + i, 4);
        put(static_cast<uint32_t>(600000000 + 37 * i), 4);
        put(static_cast<uint32_t>(140000000 + 53 * i), 4);
        put(3000 + i % 100, 2);
    }
    b[0] = 14;
    const uint32_t size = static_cast<uint32_t>(b.size() - 14);
    std::memcpy(b.data() + 4, &size, 4);
    std::memcpy(b.data() + 8, ".FIT", 4);
    b.push_back(0);
    b.push_back(0);
    return b;
}

std::string nmeaLog() {
    std::string s;
    char line[160];
    for (int i = 0; i < kPoints; ++i) {
        const int hh = (i / 3600) % 24, mm = (i / 60) % 60, ss = i % 60;
        const double minutes = 10.0 + i * 0.0001;
        std::snprintf(line, sizeof line, "$GPGGA,%02d%02d%02d.000,52%07.4f,N,00507.8910,E,1,08,1.0,%.1f,M,0,M,,*00\r\n",
                      hh, mm, ss, minutes, 10.0 + i % 50);
        s += line;
        std::snprintf(line, sizeof line, "$GPRMC,%02d%02d%02d.000,A,52%07.4f,N,00507.8910,E,0.1,0.0,010609,,*00\r\n",
                      hh, mm, ss, minutes);
        s += line;
    }
    return s;
}

std::string itnFile() {
    std::string s;
    char line[96];
    for (int i = 0; i < kPoints / 5; ++i) {
        std::snprintf(line, sizeof line, "%d|%d|Point %d|0|\r\n", 512345 + 7 * i, 5212345 + 3 * i, i);
        s += line;
    }
    return s;
}

template <typename Bytes>
void runReader(benchmark::State& state, ReaderFn reader, const Bytes& input, int32_t option) {
    Context ctx;
    ctx.settings.RemovalDistance = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(input.data());
    for (auto _ : state) {
        MemoryStream out;
        ImportJob job{out, nullptr, "bench", "bench", option, {}};
        benchmark::DoNotOptimize(reader(ctx, job, bytes, input.size()));
        benchmark::DoNotOptimize(ctx.store.count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
}

void BM_ReadFit(benchmark::State& state) { runReader(state, readFit, fitActivity(), 0); }
void BM_ReadNmea(benchmark::State& state) { runReader(state, readNmea, nmeaLog(), 0); }
void BM_ReadItn(benchmark::State& state) { runReader(state, readItn, itnFile(), 22); }

BENCHMARK(BM_ReadFit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNmea)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadItn)->Unit(benchmark::kMillisecond);

}  // namespace
