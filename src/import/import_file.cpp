#include "import/import_file.h"

#include <cstring>
#include <ctime>

#include "gdb/file_header.h"
#include "platform/large_buffer.h"

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
        default: return readNmea;
    }
}

int importFile(Context& ctx, ImportJob& job, ByteStream& input) {
    // The whole input in one buffer (not zero-filled: every byte is read into it); an input
    // beyond the bound is refused as too large rather than being left to the allocator.
    const int64_t size = input.size();
    if (size > kMaxImportBytes) return kImportTooLarge;
    const size_t capacity = size > 0 ? static_cast<size_t>(size) : 0;
    LargeBuffer buffer;
    if (!buffer.allocate(capacity)) return 2;
    input.seek(0);
    const size_t length = capacity > 0 ? input.read(buffer.data(), capacity) : 0;
    const uint8_t* bytes = buffer.data();

    writeNewHeader(job.output, std::time(nullptr));
    ctx.run.outputVersion = kGdbVersion3;
    ctx.run.displayColor = 12;
    job.log = nullptr;

    const InputType type = ctx.run.inputType;
    static const uint8_t kSignature[6] = {'M', 's', 'R', 'c', 'f', 0};
    if (type != InputType::Gdb || (length >= 6 && std::memcmp(bytes, kSignature, 6) == 0))
        readerFor(type)(ctx, job, bytes, length);

    writeEndRecord(job.output);
    return 0;
}

int importFile(Context& ctx, const std::string& baseName, ByteStream& input, ByteStream& output) {
    ImportJob job{output};
    job.baseName = baseName;
    job.option = ctx.settings.Mode;
    return importFile(ctx, job, input);
}

}  // namespace trakor
