// SPDX-License-Identifier: GPL-3.0-or-later
// Builds Symbols.gdb: one waypoint per waypoint symbol, named after it, laid out in a grid so
// MapSource shows every symbol with its name. The comment holds the symbol code, the number the
// preferences take for generated points.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/stream.h"
#include "core/gpx_names.h"

namespace {

using namespace trakor;

constexpr int kColumns = 16;
// 2^15 semicircles, about 305 m at the equator.
constexpr int32_t kSpacing = 32768;

// Reproducible builds set SOURCE_DATE_EPOCH; otherwise the file carries the time it was made.
std::time_t buildTime() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
        char* end = nullptr;
        long long v = std::strtoll(epoch, &end, 10);
        if (end != nullptr && *end == '\0' && v >= 0) return static_cast<std::time_t>(v);
    }
    return std::time(nullptr);
}

int writeSymbolTable(const std::string& path) {
    FileStream out;
    if (!out.open(path, "wb")) return 1;
    writeNewHeader(out, buildTime());
    // The grid starts at 0 N 0 E (open sea) and runs east along a row, rows southwards.
    for (int code = 0; code < kWaypointSymbolSlots; ++code) {
        std::string_view name = waypointSymbolName(code);
        if (name.empty()) continue;
        GdbWaypoint w;
        w.wptName = std::string(name);
        w.wptComment = std::to_string(code);
        w.wptLat = -(code / kColumns) * kSpacing;
        w.wptLon = (code % kColumns) * kSpacing;
        w.wptSymbol = code;
        writeWaypointRecord(out, w, kGdbVersion3);
    }
    writeEndRecord(out);
    return out.close() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.gdb\n", argv[0]);
        return 2;
    }
    if (writeSymbolTable(argv[1]) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
