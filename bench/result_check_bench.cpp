// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of reading a result back before it is delivered: a GDB file of one long track, one of many
// waypoints, routes and tracks, and a TCX file of courses.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "course/xml_check.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/result_check.h"

namespace {

using namespace trakor;

std::vector<uint8_t> trackFile(size_t points) {
    MemoryStream out;
    writeNewHeader(out, 1700000000);
    GdbTrack t;
    t.trkName = "Ride";
    t.points.resize(points);
    for (size_t i = 0; i < points; ++i) {
        t.points[i].tptLat = static_cast<int32_t>(600000000 + 100 * i);
        t.points[i].alt = {true, 100.0 + static_cast<double>(i % 50)};
        t.points[i].tptTime = static_cast<int32_t>(1700000000 + i);
    }
    writeTrackRecord(out, t, kGdbVersion3);
    writeEndRecord(out);
    return out.bytes();
}

// Routes of 2000 points with a waypoint for each, as options 21 and 22 write them.
std::vector<uint8_t> routeFile(int routes) {
    MemoryStream out;
    writeNewHeader(out, 1700000000);
    for (int r = 0; r < routes; ++r) {
        GdbRoute rte;
        rte.rteName = "Route " + std::to_string(r);
        for (int i = 0; i < 2000; ++i) {
            GdbWaypoint w;
            w.wptName = ":" + std::to_string(r * 2000 + i);
            w.setClassAndMarker(8, kMarkerVia);
            writeWaypointRecord(out, w, kGdbVersion3);
            GdbRoutePoint p;
            p.rptName = w.wptName;
            if (i + 1 < 2000) {
                p.links.resize(2);
                p.hasBox = true;
            }
            rte.points.push_back(p);
        }
        writeRouteRecord(out, rte, kGdbVersion3);
    }
    writeEndRecord(out);
    return out.bytes();
}

void BM_CheckTrackFile(benchmark::State& state) {
    const auto file = trackFile(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(checkGdbImage(file.data(), file.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_CheckTrackFile)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CheckRouteFile(benchmark::State& state) {
    const auto file = routeFile(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(checkGdbImage(file.data(), file.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_CheckRouteFile)->Arg(49)->Unit(benchmark::kMillisecond);

void BM_CheckCourses(benchmark::State& state) {
    std::string tcx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TrainingCenterDatabase xmlns=\"x\">\n<Courses>\n";
    for (int i = 0; i < state.range(0); ++i)
        tcx += "<Trackpoint><Time>2021-05-01T10:00:00Z</Time><Position><LatitudeDegrees>52.1</LatitudeDegrees>"
               "<LongitudeDegrees>5.1</LongitudeDegrees></Position><AltitudeMeters>3.0</AltitudeMeters>"
               "<DistanceMeters>12.5</DistanceMeters></Trackpoint>\n";
    tcx += "</Courses>\n</TrainingCenterDatabase>\n";
    const auto* data = reinterpret_cast<const uint8_t*>(tcx.data());
    for (auto _ : state) benchmark::DoNotOptimize(checkXmlText(data, tcx.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * tcx.size()));
}
BENCHMARK(BM_CheckCourses)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
