// SPDX-License-Identifier: GPL-3.0-or-later
// Frames of the map view: ten tracks of 100000 points each (1 000 000 points) painted into a
// 1920x1080 offscreen image, while panning (the simplified lines cached) and the first frame
// at a zoom (the lines simplified for it).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <random>

#include "view/map_painter.h"

using namespace trakor::view;

namespace {

void ensureApp() {
    static std::unique_ptr<QGuiApplication> app;
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "map_view_bench";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
}

// Ten rides of 100000 points (about one second apart at cycling speed) around one region.
trakor::view::MapModel tenRides() {
    MapModel m;
    std::mt19937 rng(42);
    std::normal_distribution<double> turn(0.0, 0.05);
    for (int t = 0; t < 10; ++t) {
        MapItem item;
        item.name = "Ride " + std::to_string(t + 1);
        item.colour = static_cast<uint8_t>(2 + t);
        double lat = 47.0 + t * 0.03, lon = 8.0 + t * 0.02, heading = t;
        for (int i = 0; i < 100000; ++i) {
            heading += turn(rng);
            lat += std::cos(heading) * 0.00005;
            lon += std::sin(heading) * 0.00007;
            item.line.push_back({static_cast<int32_t>(lat * 11930464), static_cast<int32_t>(lon * 11930464)});
        }
        m.items.push_back(std::move(item));
    }
    return m;
}

struct Setup {
    MapScene scene;
    Viewport vp;
    QImage image{1920, 1080, QImage::Format_RGB32};
    Setup() {
        ensureApp();
        scene.setModel(tenRides());
        vp = fitBox(scene.bounds(), 1920, 1080);
    }
    PaintOptions options;
    void frame() {
        QPainter p(&image);
        paintMap(p, vp, scene, options);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

// Panning at a zoom (levels above the fitted one): each frame moves the view a few pixels and
// paints it again; the window draws without antialiasing while the mouse drags (second
// argument 0) and antialiased once it stops (1).
void BM_PanFrame(benchmark::State& state) {
    Setup& s = setup();
    const Viewport fitted = s.vp;
    s.vp.zoom = fitted.zoom + static_cast<double>(state.range(0));
    s.options.antialias = state.range(1) != 0;
    s.frame();  // the lines of this zoom are simplified once, before timing
    for (auto _ : state) {
        s.vp.panPixels(7, 3);
        s.frame();
    }
    state.counters["points"] = static_cast<double>(s.scene.pointCount());
    s.vp = fitted;
}
BENCHMARK(BM_PanFrame)->ArgsProduct({{0, 3, 6}, {0, 1}})->Unit(benchmark::kMillisecond);

// The first frame at a new zoom level: every line simplified for it, then painted.
void BM_FirstFrameAtNewZoom(benchmark::State& state) {
    ensureApp();
    const MapModel rides = tenRides();
    for (auto _ : state) {
        state.PauseTiming();
        Setup s;  // fresh caches
        s.scene.setModel(rides);
        state.ResumeTiming();
        s.frame();
    }
}
BENCHMARK(BM_FirstFrameAtNewZoom)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
namespace {
// Not a timing: the points kept for drawing at the fitted zoom (0) and three levels closer (3).
void BM_Kept(benchmark::State& state) {
    Setup& s = setup();
    size_t kept = 0;
    for (auto _ : state) {
        kept = 0;
        for (SceneItem& i : s.scene.layer().items) kept += i.cache.keptPoints(simplifyLevel(s.vp.zoom + state.range(0)));
    }
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_Kept)->Arg(0)->Arg(3);
}
