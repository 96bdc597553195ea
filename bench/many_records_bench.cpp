// SPDX-License-Identifier: GPL-3.0-or-later
// GDB files of many small records, MapSource's typical file: 50000 waypoints read whole, and
// converted by the whole driver under option 0 (the import path) and option 24 (the GDB pass,
// which reports progress per record), with and without the desktop's progress callback. The
// conversion should stay within 20 times the read.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/driver.h"
#include "app/driver_calls.h"
#include "core/point_store.h"
#include "core/settings.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "platform/whole_file.h"

namespace {

using namespace trakor;
namespace fs = std::filesystem;

class QuietNotifier : public Notifier {
public:
    Answer notify(const std::string&, const std::string&, MsgStyle) override { return Answer::No; }
};

constexpr int kWaypoints = 50000;

struct Folder {
    fs::path dir = fs::temp_directory_path() / ("trakor-records-bench-" + std::to_string(::getpid()));
    std::string input = (dir / "waypoints.gdb").string();
    Folder() {
        fs::create_directories(dir);
        FileStream out;
        out.open(input, "wb");
        writeNewHeader(out, 1700000000);
        for (int i = 0; i < kWaypoints; ++i) {
            GdbWaypoint w;
            w.wptName = "WP" + std::to_string(i);
            w.wptLat = degreesToSemicircles(47.0 + i * 1e-4);
            w.wptLon = degreesToSemicircles(8.0 + (i % 97) * 1e-4);
            w.wptSymbol = 18;
            writeWaypointRecord(out, w, 'm');
        }
        // One short track, so the track options have something to convert.
        GdbTrack track;
        track.trkName = "Walk";
        track.points.resize(100);
        for (size_t i = 0; i < track.points.size(); ++i) {
            track.points[i].tptLat = degreesToSemicircles(47.0 + static_cast<double>(i) * 1e-4);
            track.points[i].tptLon = degreesToSemicircles(8.0);
            track.points[i].tptTime = static_cast<int32_t>(1700000000 + i);
        }
        writeTrackRecord(out, track, 'm');
        writeEndRecord(out);
        out.close();
    }
    ~Folder() { fs::remove_all(dir); }
};
const Folder& folder() {
    static const Folder f;
    return f;
}

void BM_ReadWaypointFile(benchmark::State& state) {
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        if (!readWholeFile(folder().input, bytes)) state.SkipWithError("cannot read the input");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadWaypointFile)->Unit(benchmark::kMillisecond);

// Args: the option; 1 for the progress callback the desktop installs (the bar's range and value
// per step, a repaint when the percent changes).
void BM_ConvertWaypointFile(benchmark::State& state) {
    QuietNotifier quiet;
    Context ctx;
    ctx.notifier = &quiet;
    ctx.settings = defaultSettings(true);
    ctx.paths.workGdb = (folder().dir / "Trakor3.gdb").string();
    ctx.paths.workTcx = (folder().dir / "Trakor3.tcx").string();
    ctx.paths.downGdb = (folder().dir / "Trakor3-down.gdb").string();
    int64_t steps = 0, repaints = 0;
    int painted = -1, value = 0, range = 0;
    if (state.range(1) != 0) {
        ctx.progress = [&](int done, int total) {
            if (total <= 0) return;
            ++steps;
            range = total;
            value = std::clamp(done, 0, total);
            const int percent = static_cast<int>(int64_t{value} * 100 / range);
            if (percent != painted) painted = percent, ++repaints;
        };
    }
    const DriverCalls calls = defaultDriverCalls();
    ConversionRequest req;
    req.inputPath = folder().input;
    req.outputPath = (folder().dir / "out.gdb").string();
    req.option = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        if (runConversion(ctx, calls, req) != kDelivered) state.SkipWithError("run not delivered");
    }
    state.counters["progress steps"] = static_cast<double>(steps) / static_cast<double>(state.iterations());
    state.counters["repaints"] = static_cast<double>(repaints) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ConvertWaypointFile)->ArgsProduct({{0, 24}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
