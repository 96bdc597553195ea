// SPDX-License-Identifier: GPL-3.0-or-later
// Header scan, record readers and copier over a large synthetic GDB file.
#include <benchmark/benchmark.h>

#include "gdb/down_convert.h"
#include "gdb/header_scan.h"
#include "gdb/records.h"

namespace trakor {
namespace {

// 20000 waypoints, 500 routes of 20 points and 100 tracks of 2000 points.
const std::vector<uint8_t>& bigImage() {
    static const std::vector<uint8_t> image = [] {
        MemoryStream out;
        writeNewHeader(out, 0);
        for (int i = 0; i < 20000; ++i) {
            GdbWaypoint w;
            w.wptName = ":" + std::to_string(i);
            w.wptLat = i * 100;
            w.wptLon = -i * 100;
            if (i % 3 == 0) w.setClassAndMarker(8, kMarkerInvisible);
            writeWaypointRecord(out, w, 'm');
        }
        for (int r = 0; r < 500; ++r) {
            GdbRoute rte;
            rte.rteName = "Route " + std::to_string(r);
            for (int p = 0; p < 20; ++p) {
                GdbRoutePoint pt;
                pt.rptName = ":" + std::to_string(r * 20 + p);
                pt.links = {{p, p, {}}, {p + 1, p + 1, {}}};
                pt.hasBox = true;
                rte.points.push_back(pt);
            }
            writeRouteRecord(out, rte, 'm');
        }
        for (int t = 0; t < 100; ++t) {
            GdbTrack trk;
            trk.trkName = "Track " + std::to_string(t);
            for (int p = 0; p < 2000; ++p) trk.points.push_back({p, -p, {true, 1.0 * p}, 1700000000 + p});
            writeTrackRecord(out, trk, 'm');
        }
        writeEndRecord(out);
        return out.bytes();
    }();
    return image;
}

void BM_ScanHeader(benchmark::State& state) {
    const auto& image = bigImage();
    Context ctx;
    for (auto _ : state) {
        MemoryStream in(image.data(), image.size());
        HeaderScanResult r;
        benchmark::DoNotOptimize(scanHeader(ctx, in, r));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_ScanHeader)->Unit(benchmark::kMillisecond);

void BM_ParseAllRecords(benchmark::State& state) {
    const auto& image = bigImage();
    for (auto _ : state) {
        size_t pos = kNewHeaderLength;
        RecordView rec;
        GdbWaypoint w;
        GdbRoute r;
        GdbTrack t;
        while (nextRecord(image.data(), image.size(), pos, rec)) {
            size_t n = static_cast<size_t>(rec.length);
            if (rec.type == 'W') parseWaypoint(rec.data, n, 'm', w);
            if (rec.type == 'R') parseRoute(rec.data, n, 'm', r);
            if (rec.type == 'T') parseTrack(rec.data, n, 'm', t);
        }
        benchmark::DoNotOptimize(t.points.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_ParseAllRecords)->Unit(benchmark::kMillisecond);

void BM_DownConvert(benchmark::State& state) {
    const auto& image = bigImage();
    for (auto _ : state) {
        MemoryStream in(image.data(), image.size());
        MemoryStream out;
        out.bytes().reserve(image.size());
        benchmark::DoNotOptimize(downConvertStream(in, kGdbLater84, out));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_DownConvert)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trakor
