// SPDX-License-Identifier: GPL-3.0-or-later
// The course writer on long tracks: preparing a course whose every point is a turn (the worst
// case for turn warnings), writing a course of 100000 points, and a whole work GDB file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/context.h"
#include "core/settings.h"
#include "course/course_writer.h"
#include "course/fit_course_writer.h"
#include "course/xml_check.h"
#include "course/tests/turn_warnings_reference.h"
#include "gdb/file_header.h"
#include "gdb/records.h"

namespace {

using trakor::Context;
using trakor::PointStore;

constexpr double kDegPerMetre = 1.0 / 111189.57696;

// A zigzag of legs 50 m long, 10 s apart, turning 60 degrees left and right in turn.
void makeZigzag(PointStore& s, int n) {
    s.count = 0;
    double north = 0, east = 0;
    for (int i = 0; i < n; ++i) {
        const double heading = (i % 2 == 0 ? 30.0 : -30.0) * 3.141592653589793 / 180;
        north += 50 * std::cos(heading);
        east += 50 * std::sin(heading);
        const int32_t k = s.count++;
        s.lat[k] = trakor::degreesToSemicircles(47 + north * kDegPerMetre);
        s.lon[k] = trakor::degreesToSemicircles(8 + east * kDegPerMetre / std::cos(47 * 3.141592653589793 / 180));
        s.alt[k] = 400;
        s.altValid[k] = 1;
        s.time[k] = 1700000000 + 10 * i;
        s.via[k] = 0;
        s.partMark[k] = 1;
    }
}

Context& zigzagContext(int n) {
    static Context ctx;
    ctx.settings = trakor::defaultSettings(true);
    ctx.settings.UseFileTimes = 1;
    ctx.settings.CoursePoints = 1;
    ctx.settings.TurnWarnings = 5;
    makeZigzag(ctx.store, n);
    return ctx;
}

void BM_PrepareZigzag(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Context& ctx = zigzagContext(n);
        state.ResumeTiming();
        benchmark::DoNotOptimize(trakor::prepareCourse(ctx, 0));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PrepareZigzag)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_PrepareZigzagPlainWarnings(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Context& ctx = zigzagContext(n);
        trakor::markCoursePoints(ctx);
        state.ResumeTiming();
        trakor::reference::applyTurnWarnings(ctx);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PrepareZigzagPlainWarnings)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_WriteCourse(benchmark::State& state) {
    Context& ctx = zigzagContext(100000);
    trakor::prepareCourse(ctx, 0);
    for (auto _ : state) {
        std::string out;
        trakor::writeCourse(ctx, out, "Zigzag");
        benchmark::DoNotOptimize(out.data());
        state.SetBytesProcessed(state.bytes_processed() + static_cast<int64_t>(out.size()));
    }
}
BENCHMARK(BM_WriteCourse)->Unit(benchmark::kMillisecond);

// The same course as a FIT course file; it should take no longer than the TCX course.
void BM_WriteFitCourse(benchmark::State& state) {
    Context& ctx = zigzagContext(100000);
    trakor::prepareCourse(ctx, 0);
    for (auto _ : state) {
        std::string out = trakor::encodeFitCourse(ctx, "Zigzag", nullptr, 1700000000);
        benchmark::DoNotOptimize(out.data());
        state.SetBytesProcessed(state.bytes_processed() + static_cast<int64_t>(out.size()));
    }
}
BENCHMARK(BM_WriteFitCourse)->Unit(benchmark::kMillisecond);

// The same course handed on in 64 KB pieces and checked piece by piece, as the work file gets it.
void BM_WriteCourseChecked(benchmark::State& state) {
    Context& ctx = zigzagContext(100000);
    trakor::prepareCourse(ctx, 0);
    for (auto _ : state) {
        trakor::XmlStreamCheck check;
        std::string out = trakor::courseDocumentHead();
        trakor::writeCourse(ctx, out, "Zigzag", [&check](std::string& text) {
            check.feed(text);
            text.clear();
        });
        check.feed(out + trakor::courseDocumentTail());
        if (!check.finish().ok) state.SkipWithError("course not well-formed");
        state.SetBytesProcessed(state.bytes_processed() + static_cast<int64_t>(check.size()));
    }
}
BENCHMARK(BM_WriteCourseChecked)->Unit(benchmark::kMillisecond);

// Ten tracks of 10000 points in a work GDB file.
void makeWorkFile(Context& ctx, const std::string& folder) {
    std::filesystem::create_directories(folder);
    ctx.settings = trakor::defaultSettings(true);
    ctx.settings.CoursePoints = 1;
    ctx.settings.TurnWarnings = 5;
    ctx.paths.workGdb = folder + "/work.gdb";
    ctx.paths.workTcx = folder + "/work.tcx";
    {
        makeZigzag(ctx.store, 10000);
        trakor::GdbTrack trk;
        for (int i = 0; i < ctx.store.count; ++i) {
            trakor::GdbTrackPoint p;
            p.tptLat = ctx.store.lat[i];
            p.tptLon = ctx.store.lon[i];
            p.tptTime = ctx.store.time[i];
            trk.points.push_back(p);
        }
        trakor::FileStream out;
        out.open(ctx.paths.workGdb, "wb");
        trakor::writeNewHeader(out, 1796651109);
        for (int t = 0; t < 10; ++t) {
            trk.trkName = "Zigzag " + std::to_string(t);
            trakor::writeTrackRecord(out, trk, 'm');
        }
        trakor::writeEndRecord(out);
    }
}

// The ten tracks through to the work TCX file.
void BM_WriteCourses(benchmark::State& state) {
    const std::string folder = (std::filesystem::temp_directory_path() / "trakor_course_bench").string();
    Context ctx;
    makeWorkFile(ctx, folder);
    for (auto _ : state) benchmark::DoNotOptimize(trakor::writeCourses(ctx, nullptr, 1700000000));
    state.SetItemsProcessed(state.iterations() * 100000);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteCourses)->Unit(benchmark::kMillisecond);

// The same run to a FIT file.
void BM_WriteFitCourses(benchmark::State& state) {
    const std::string folder = (std::filesystem::temp_directory_path() / "trakor_fit_course_bench").string();
    Context ctx;
    makeWorkFile(ctx, folder);
    for (auto _ : state)
        benchmark::DoNotOptimize(trakor::writeFitCourses(ctx, folder + "/out.fit", nullptr, 1700000000));
    state.SetItemsProcessed(state.iterations() * 100000);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteFitCourses)->Unit(benchmark::kMillisecond);

}  // namespace
