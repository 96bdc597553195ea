// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the driver around an engine: work file, output test, result check and delivery of a
// result of the given size (the engine itself is a stand-in that writes the bytes).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "app/driver.h"
#include "core/settings.h"
#include "gdb/file_header.h"
#include "gdb/records.h"

namespace {

using namespace trakor;

class QuietNotifier : public Notifier {
public:
    Answer notify(const std::string&, const std::string&, MsgStyle) override { return Answer::No; }
};

void BM_ConvertAndDeliver(benchmark::State& state) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("trakor-driver-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "in.gpx") << "<gpx/>";
    // A GDB file of about the given size: one track of 20-byte points (position, altitude flag,
    // time, depth and temperature flags).
    MemoryStream image;
    writeNewHeader(image, 1700000000);
    GdbTrack track;
    track.trkName = "Ride";
    track.points.resize(static_cast<size_t>(state.range(0)) / 20);
    for (size_t i = 0; i < track.points.size(); ++i) {
        track.points[i].tptLat = static_cast<int32_t>(600000000 + i);
        track.points[i].tptTime = static_cast<int32_t>(1700000000 + i);
    }
    writeTrackRecord(image, track, kGdbVersion3);
    writeEndRecord(image);
    const std::vector<uint8_t>& result = image.bytes();

    QuietNotifier quiet;
    Context ctx;
    ctx.notifier = &quiet;
    ctx.settings = defaultSettings(true);
    ctx.paths.workGdb = (dir / "Trakor3.gdb").string();
    ctx.paths.workTcx = (dir / "Trakor3.tcx").string();
    DriverCalls calls;
    calls.importFile = [&](Context& c, const std::string&, ByteStream&, ByteStream& out) {
        out.write(result.data(), result.size());
        c.run.trackCounter = 1;
        return 0;
    };
    ConversionRequest req;
    req.inputPath = (dir / "in.gpx").string();
    req.outputPath = (dir / "out.gdb").string();
    req.option = 0;
    for (auto _ : state) {
        if (runConversion(ctx, calls, req) != kDelivered) state.SkipWithError("run not delivered");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(result.size()));
    fs::remove_all(dir);
}
BENCHMARK(BM_ConvertAndDeliver)->Arg(64 << 10)->Arg(8 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
