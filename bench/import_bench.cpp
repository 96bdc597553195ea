// SPDX-License-Identifier: GPL-3.0-or-later
// The text readers on large generated files: a GPX, a TCX activity and a KML line string of
// 100000 points each, read into the point store (the back end's writing is replaced by a hook).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "gdb/stream.h"
#include "import/reader.h"

namespace {

using namespace trakor;

constexpr int kPoints = 100000;

std::string makeGpx() {
    std::string s = "<?xml version=\"1.0\"?>\n<gpx><trk><name>Ride</name><trkseg>\n";
    char buf[256];
    for (int i = 0; i < kPoints; ++i) {
        std::snprintf(buf, sizeof buf,
                      "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.1f</ele><time>2009-06-01T%02d:%02d:%02dZ</time></trkpt>\n",
                      47.0 + i * 1e-5, 8.0 + i * 1e-5, 400.0 + i % 50, (i / 3600) % 24, (i / 60) % 60, i % 60);
        s += buf;
    }
    return s + "</trkseg></trk></gpx>\n";
}

std::string makeTcx() {
    std::string s = "<?xml version=\"1.0\"?>\n<Activities><Activity><Lap StartTime=\"2009-06-01T00:00:00Z\"><Track>\n";
    char buf[512];
    for (int i = 0; i < kPoints; ++i) {
        std::snprintf(buf, sizeof buf,
                      "<Trackpoint><Time>2009-06-01T%02d:%02d:%02dZ</Time><Position><LatitudeDegrees>%.7f</LatitudeDegrees>"
                      "<LongitudeDegrees>%.7f</LongitudeDegrees></Position><AltitudeMeters>%.1f</AltitudeMeters>"
                      "<HeartRateBpm><Value>120</Value></HeartRateBpm></Trackpoint>\n",
                      (i / 3600) % 24, (i / 60) % 60, i % 60, 47.0 + i * 1e-5, 8.0 + i * 1e-5, 400.0 + i % 50);
        s += buf;
    }
    return s + "</Track></Lap></Activity></Activities>\n";
}

std::string makeKml() {
    std::string s = "<?xml version=\"1.0\"?>\n<kml><Placemark><name>Ride</name><LineString><coordinates>\n";
    char buf[128];
    for (int i = 0; i < kPoints; ++i) {
        std::snprintf(buf, sizeof buf, "%.7f,%.7f,%.1f\n", 8.0 + i * 1e-5, 47.0 + i * 1e-5, 400.0 + i % 50);
        s += buf;
    }
    return s + "</coordinates></LineString></Placemark></kml>\n";
}

void readText(benchmark::State& state, ReaderFn reader, const std::string& text) {
    Context ctx;
    ctx.settings.RemovalDistance = 0;
    MemoryStream out;
    int32_t points = 0;
    for (auto _ : state) {
        ctx.resetRun();
        ImportJob job{out};
        job.onEmit = [&](Context& c, const std::string&) { points = c.store.count; };
        reader(ctx, job, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    if (points != kPoints) state.SkipWithError("not every point was read");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["points"] = points;
}

void BM_ReadGpx(benchmark::State& state) {
    static const std::string text = makeGpx();
    readText(state, readGpx, text);
}
void BM_ReadTcx(benchmark::State& state) {
    static const std::string text = makeTcx();
    readText(state, readTcx, text);
}
void BM_ReadKml(benchmark::State& state) {
    static const std::string text = makeKml();
    readText(state, readKml, text);
}

BENCHMARK(BM_ReadGpx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTcx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadKml)->Unit(benchmark::kMillisecond);

}  // namespace
