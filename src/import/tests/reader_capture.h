// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a reader with the back end's test hooks and keeps every route or track it hands on,
// with the via references and the names of the name pool.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "import/reader.h"
#include "import/tests/import_fixture.h"

namespace trakor::test {

struct EmittedTrack {
    std::string name;
    std::vector<int32_t> lat, lon, time, via;
    std::vector<double> alt;
    std::vector<int> altValid;
};

struct ReaderRun {
    Context ctx;
    MemoryStream out;
    ImportJob job{out, nullptr, {}, {}, 0, {}};
    std::vector<EmittedTrack> tracks;
    // Names held in the name pool at each emitted track, by point (empty for via 0).
    std::vector<std::vector<std::string>> poolNames;
    // Waypoints handed to the waypoint hook (their position is in slot 0 of the store).
    std::vector<CapturedWaypoint> waypoints;

    explicit ReaderRun(std::string baseName = "base") {
        // Keep every point: glitch removal off.
        ctx.settings.RemovalDistance = 0;
        ctx.settings.RemovalGlitches = 0;
        job.baseName = std::move(baseName);
        job.onEmit = [this](Context& c, const std::string& name) {
            EmittedTrack e;
            e.name = name;
            std::vector<std::string> names;
            for (int32_t i = 0; i < c.store.count; ++i) {
                e.lat.push_back(c.store.lat[i]);
                e.lon.push_back(c.store.lon[i]);
                e.time.push_back(c.store.time[i]);
                e.via.push_back(c.store.via[i]);
                e.alt.push_back(c.store.alt[i]);
                e.altValid.push_back(c.store.altValid[i]);
                const int32_t v = c.store.via[i];
                const size_t off = v < 0 ? static_cast<size_t>(-v) - 1 : 0;
                names.push_back(v < 0 && off < c.run.namePool.size() ? std::string(c.run.namePool.data() + off)
                                                                      : std::string());
            }
            tracks.push_back(e);
            poolNames.push_back(names);
        };
        job.onWaypoint = [this](Context& c, const std::string& name, int32_t symbol, const ImportedWaypointDetails& d) {
            waypoints.push_back({name, symbol, {c.store.lat[0], c.store.lon[0], c.store.alt[0], c.store.altValid[0], 0}, d});
        };
    }
    int read(ReaderFn fn, const std::vector<uint8_t>& bytes) { return fn(ctx, job, bytes.data(), bytes.size()); }
    int read(ReaderFn fn, const std::string& text) {
        return fn(ctx, job, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
};

// Damaged copies of a valid input: bytes changed, cut off, or repeated, from a fixed seed.
inline std::vector<std::vector<uint8_t>> damagedCopies(const std::vector<uint8_t>& valid, int n) {
    std::mt19937 rng(12345);
    std::vector<std::vector<uint8_t>> out;
    for (int i = 0; i < n && !valid.empty(); ++i) {
        std::vector<uint8_t> b = valid;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits && !b.empty(); ++e) {
            const size_t at = rng() % b.size();
            switch (rng() % 3) {
                case 0: b[at] = static_cast<uint8_t>(rng()); break;
                case 1: b.resize(at); break;
                default: b.insert(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at), b.end()); break;
            }
        }
        out.push_back(std::move(b));
    }
    return out;
}

}  // namespace trakor::test
