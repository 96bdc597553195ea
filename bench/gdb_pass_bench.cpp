// SPDX-License-Identifier: GPL-3.0-or-later
// The GDB conversion pass over a file of 50 tracks of 2000 points each, under the track options.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "convert/gdb_pass.h"
#include "core/context.h"
#include "gdb/file_header.h"
#include "gdb/records.h"

namespace {

using namespace trakor;

std::vector<uint8_t> fiftyTracks() {
    MemoryStream out;
    writeNewHeader(out, 0);
    for (int t = 0; t < 50; ++t) {
        GdbTrack track;
        track.trkName = "Track " + std::to_string(t);
        track.trkColour = 3;
        for (int i = 0; i < 2000; ++i) {
            GdbTrackPoint p;
            // A winding path of about 20 m steps.
            p.tptLat = degreesToSemicircles(47.0 + t * 0.01 + i * 0.00018);
            p.tptLon = degreesToSemicircles(8.0 + 0.002 * std::sin(i * 0.05) + 0.0003 * std::sin(i * 0.9));
            p.alt = {true, 400.0 + 30.0 * std::sin(i * 0.01)};
            p.tptTime = 1600000000 + i * 5;
            track.points.push_back(p);
        }
        writeTrackRecord(out, track, 'm');
    }
    writeEndRecord(out);
    return out.bytes();
}

void BM_GdbPass(benchmark::State& state) {
    static const std::vector<uint8_t> input = fiftyTracks();
    const int option = static_cast<int>(state.range(0));
    const bool filter = state.range(1) != 0;
    const std::string workFile = std::filesystem::temp_directory_path() / "gdb_pass_bench.gdb";
    Context ctx;
    for (auto _ : state) {
        ctx.resetRun();
        ctx.settings.Mode = option;
        ctx.settings.Filter = filter ? 1 : 0;
        ctx.run.filterValue = option == 24 ? ctx.settings.Filtersize_t : ctx.settings.Filtersize_r;
        // From memory into the work file, as the driver writes it.
        MemoryStream in(input.data(), input.size());
        FileStream out;
        if (!out.open(workFile, "w+b")) state.SkipWithError("cannot open the work file");
        int32_t headerLength = 0;
        scanForGdbPass(ctx, in, headerLength);
        convertGdbFile(ctx, in, out, headerLength);
        out.close();
        if (ctx.run.trackCounter != 50) state.SkipWithError("not every track was converted");
    }
    std::filesystem::remove(workFile);
    state.SetLabel("option " + std::to_string(option) + (filter ? ", filter on" : ", filter off"));
}
BENCHMARK(BM_GdbPass)
    ->ArgsProduct({{21, 22, 23, 24}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
