// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard record pass over a large clipboard image: 50 tracks of 2000 points each (about
// 2.5 MB), under track options 22 (waypoints and routes) and 24 (tracks), and under option 11 on
// one calculated route of 100000 link points, and under option 3 on 200 routes of 50 via points
// among 10000 waypoints.
#include <benchmark/benchmark.h>

#include <memory>

#include "clipboard/clipboard_pass.h"
#include "core/context.h"
#include "testsupport/gdb_image.h"

namespace {

using namespace trakor;

// A wandering track: about 20 m between points, slowly turning.
GdbTrack wanderingTrack(int k, int points) {
    GdbTrack t;
    t.trkName = "Track " + std::to_string(k);
    t.trkColour = 3;
    for (int i = 0; i < points; ++i) {
        GdbTrackPoint p;
        p.tptLat = k * 2000000 + i * 2000 + (i % 37) * 150;
        p.tptLon = 90000000 + i * 1500 + (i % 53) * 120;
        p.alt = {true, 300.0 + (i % 200)};
        p.tptTime = 1300000000 + i;
        t.points.push_back(p);
    }
    return t;
}

std::vector<uint8_t> tracksImage() {
    test::GdbImage img;
    for (int k = 0; k < 50; ++k) img.track(wanderingTrack(k, 2000));
    img.end();
    return img.bytes();
}

std::vector<uint8_t> routeImage() {
    GdbRoute r;
    r.rteName = "Long";
    for (int k = 0; k < 1000; ++k) {
        GdbRoutePoint p;
        p.rptName = "P" + std::to_string(k);
        for (int i = 0; i < 100; ++i) p.links.push_back({k * 200000 + i * 2000, 90000000 + (i % 7) * 300, {}});
        p.hasBox = true;
        r.points.push_back(std::move(p));
    }
    r.points.back().links.clear();
    r.points.back().hasBox = false;
    test::GdbImage img;
    img.route(r).end();
    return img.bytes();
}

std::vector<uint8_t> viaRoutesImage() {
    test::GdbImage img;
    for (int k = 0; k < 10000; ++k) img.waypoint("W" + std::to_string(k), 8, kMarkerVia, k * 1000, 0);
    for (int r = 0; r < 200; ++r) {
        GdbRoute rte;
        rte.rteName = "Route " + std::to_string(r);
        for (int i = 0; i < 50; ++i) {
            GdbRoutePoint p;
            p.rptName = "W" + std::to_string(r * 50 + i);
            p.setClassAndMarker(kClassRoutePoint, kMarkerVia);
            if (i < 49) {
                p.links = {{(r * 50 + i) * 1000, 0, {}}, {(r * 50 + i + 1) * 1000, 0, {}}};
                p.hasBox = true;
            }
            rte.points.push_back(std::move(p));
        }
        img.route(rte);
    }
    img.end();
    return img.bytes();
}

void runPass(benchmark::State& state, const std::vector<uint8_t>& image, int routeOption, int trackOption) {
    auto ctx = std::make_unique<Context>();
    ctx->settings.CBmode_r = routeOption;
    ctx->settings.CBmode_t = trackOption;
    for (auto _ : state) {
        MemoryStream out;
        ClipboardCounters n;
        int destination = kDestinationClipboard;
        benchmark::DoNotOptimize(convertClipboardImage(*ctx, image, destination, n, out));
        benchmark::DoNotOptimize(out.bytes().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(image.size()));
}

void BM_TracksToRoutes(benchmark::State& state) { runPass(state, tracksImage(), 11, 22); }
void BM_TrackFilter(benchmark::State& state) { runPass(state, tracksImage(), 11, 24); }
void BM_RouteToTrack(benchmark::State& state) { runPass(state, routeImage(), 11, 24); }

void BM_HideViaPoints(benchmark::State& state) { runPass(state, viaRoutesImage(), 3, 24); }

BENCHMARK(BM_TracksToRoutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrackFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RouteToTrack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HideViaPoints)->Unit(benchmark::kMillisecond);

}  // namespace
