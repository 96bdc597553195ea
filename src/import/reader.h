// The reader contract: every input format fills the point store one route or track at a time
// and hands it to emitImportedTrack.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "core/context.h"
#include "gdb/stream.h"

namespace trakor {

struct ImportJob {
    ByteStream& output;          // the GDB file being written
    FILE* log = nullptr;         // CSV log in batch mode, null otherwise
    std::string inputPath;       // full path of the input, for log lines
    std::string baseName;        // input file name without folder and extension
    int32_t option = 0;          // conversion option (Mode)
    // Test hook: when set, emitImportedTrack hands each finished route or track here
    // (after its own checks) instead of writing records.
    std::function<void(Context& ctx, const std::string& name)> onEmit;
};

// Reader results.
constexpr int kReadDone = 0;      // at least one route or track was emitted
constexpr int kReadNothing = 1;   // none found
constexpr int kReadInvalid = 2;   // the data are not valid for the reader

using ReaderFn = int (*)(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);

int readGdbForImport(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readGpx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readTcx(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);  // TCX and CRS
int readFit(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readKml(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readItn(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);
int readNmea(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length);

// The common back end: the point store holds one finished route or track.
void emitImportedTrack(Context& ctx, ImportJob& job, const std::string& name, int32_t option);

}  // namespace trakor
