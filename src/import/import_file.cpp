#include "import/import_file.h"

#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "core/run_messages.h"
#include "gdb/file_header.h"
#include "import/batch_log.h"
#include "import/import_messages.h"

namespace trakor {

ReaderFn readerFor(InputType type) {
    switch (type) {
        case InputType::Gdb: return readGdbForImport;
        case InputType::Gpx: return readGpx;
        case InputType::Tcx:
        case InputType::Crs: return readTcx;
        case InputType::Fit: return readFit;
        case InputType::Kml:
        case InputType::Kmz: return readKml;
        case InputType::Itn: return readItn;
        case InputType::Nmea: return readNmea;
    }
    return nullptr;  // not a type of the enumeration: nothing reads it
}

int importFile(Context& ctx, ImportJob& job, ByteStream& input) {
    // The whole input in one buffer (not zero-filled: every byte is read into it); an input
    // beyond the bound is refused as too large rather than being left to the allocator.
    const int64_t size = input.size();
    if (size > kMaxImportBytes) return kImportTooLarge;
    const size_t capacity = size > 0 ? static_cast<size_t>(size) : 0;
    // Mapped in place where the input allows it: no copy, and no fresh memory to clear. Where it
    // does not (a file system without mapping), read into memory that is not cleared first.
    size_t length = 0;
    const uint8_t* bytes = input.wholeBytes(length);
    std::unique_ptr<uint8_t[]> buffer;
    if (bytes == nullptr) {
        buffer.reset(new (std::nothrow) uint8_t[capacity > 0 ? capacity : 1]);
        if (!buffer) return 2;
        input.seek(0);
        length = capacity > 0 ? input.read(buffer.get(), capacity) : 0;
        bytes = buffer.get();
    }

    writeNewHeader(job.output, std::time(nullptr));
    ctx.run.outputVersion = kGdbVersion3;
    ctx.run.displayColor = 12;
    job.log = nullptr;

    const InputType type = ctx.run.inputType;
    static const uint8_t kSignature[6] = {'M', 's', 'R', 'c', 'f', 0};
    ctx.run.impossiblePoints = ctx.run.impossibleWaypoints = 0;
    const ReaderFn reader = readerFor(type);
    if (reader && (type != InputType::Gdb || (length >= 6 && std::memcmp(bytes, kSignature, 6) == 0)))
        reader(ctx, job, bytes, length);
    if (ctx.run.impossibleWaypoints > 0) {
        char text[kMaxImportName + 96];
        std::snprintf(text, sizeof text, importmsg::kImpossibleWaypoints, ctx.run.impossibleWaypoints,
                      job.baseName.c_str());
        if (ctx.run.batch && job.log != nullptr)
            std::fprintf(job.log, importmsg::kLogTrack, logPathField(job.inputPath).c_str(),
                         logFileField(job.inputPath).c_str(), job.baseName.c_str(), logStatusField(text).c_str());
        else if (!ctx.run.batch)
            tellLiteral(ctx, dmsg::kCaptionInfo, text, MsgStyle::Warning);
        ctx.run.impossibleWaypoints = 0;
    }

    writeEndRecord(job.output);
    // Another program shortened the input while it was read: what was read is not the file.
    if (input.bytesCutShort()) return kImportInputChanged;
    return 0;
}

int importFile(Context& ctx, const std::string& baseName, ByteStream& input, ByteStream& output) {
    ImportJob job{output};
    job.baseName = baseName;
    job.option = ctx.settings.Mode;
    return importFile(ctx, job, input);
}

}  // namespace trakor
