#include "import/import_file.h"

#include <cstring>
#include <ctime>
#include <new>
#include <vector>

#include "gdb/file_header.h"

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
    // The whole input, in a zero-filled buffer; an input beyond the bound is refused as too large
    // rather than being left to the allocator.
    std::vector<uint8_t> bytes;
    const int64_t size = input.size();
    if (size > kMaxImportBytes) return kImportTooLarge;
    try {
        bytes.assign(size > 0 ? static_cast<size_t>(size) : 0, 0);
    } catch (const std::bad_alloc&) {
        return 2;
    } catch (const std::length_error&) {
        return 2;
    }
    input.seek(0);
    bytes.resize(input.read(bytes.data(), bytes.size()));

    writeNewHeader(job.output, std::time(nullptr));
    ctx.run.outputVersion = kGdbVersion3;
    ctx.run.displayColor = 12;
    job.log = nullptr;

    const InputType type = ctx.run.inputType;
    static const uint8_t kSignature[6] = {'M', 's', 'R', 'c', 'f', 0};
    if (type != InputType::Gdb || (bytes.size() >= 6 && std::memcmp(bytes.data(), kSignature, 6) == 0))
        readerFor(type)(ctx, job, bytes.data(), bytes.size());

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
