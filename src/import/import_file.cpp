// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/import_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string_view>

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

namespace {

bool isSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0; }

}  // namespace

namespace {
// "*hh" at the end of an NMEA sentence: its check sum, written last.
bool endsWithCheckSum(std::string_view line) {
    while (!line.empty() && isSpace(static_cast<uint8_t>(line.back()))) line.remove_suffix(1);
    return line.size() >= 3 && line[line.size() - 3] == '*' && std::isxdigit(static_cast<uint8_t>(line[line.size() - 2])) &&
           std::isxdigit(static_cast<uint8_t>(line.back()));
}

// A line-based input (NMEA, ITN) cut inside its last line: that line has no line break and is no
// whole sentence ("*hh" where the line before has one) or record (four '|'-ended fields).
std::string lastLineNote(InputType type, std::string_view doc) {
    if (doc.size() < 2 || doc.back() == '\n' || doc.back() == '\r') return {};
    const auto b0 = static_cast<uint8_t>(doc[0]), b1 = static_cast<uint8_t>(doc[1]);
    if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) return {};  // UTF-16, not looked at here
    const size_t lineBreak = doc.find_last_of('\n');
    const std::string_view last = doc.substr(lineBreak == std::string_view::npos ? 0 : lineBreak + 1);
    bool whole;
    if (type == InputType::Nmea) {
        if (lineBreak == std::string_view::npos || last.empty() || (last[0] != '$' && last[0] != '!')) return {};
        const std::string_view before = doc.substr(0, lineBreak);
        const size_t previousBreak = before.find_last_of('\n');
        const std::string_view previous = before.substr(previousBreak == std::string_view::npos ? 0 : previousBreak + 1);
        whole = endsWithCheckSum(last) || !endsWithCheckSum(previous);  // a log without check sums: no telling
    } else {
        whole = std::count(last.begin(), last.end(), '|') >= 4;
    }
    return whole ? std::string() : "the end of its last line";
}
}  // namespace

std::string documentEndNote(InputType type, const uint8_t* bytes, size_t length) {
    if (type != InputType::Nmea && type != InputType::Itn) return {};  // the XML readers tell their own
    return lastLineNote(type, std::string_view(reinterpret_cast<const char*>(bytes), length));
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
        // Fewer bytes than the file held at open: another program shortened it meanwhile.
        if (length < capacity) return kImportInputChanged;
    }

    writeNewHeader(job.output, std::time(nullptr));
    ctx.run.outputVersion = kGdbVersion3;
    ctx.run.displayColor = 12;
    job.log = nullptr;

    const InputType type = ctx.run.inputType;
    static const uint8_t kSignature[6] = {'M', 's', 'R', 'c', 'f', 0};
    ctx.run.impossiblePoints = ctx.run.impossibleWaypoints = 0;
    ctx.run.damageNote.clear();
    const ReaderFn reader = readerFor(type);
    // Every point read reaches the output: a track longer than the store holds goes out in pieces.
    ctx.store.growable = true;
    if (reader && (type != InputType::Gdb || (length >= 6 && std::memcmp(bytes, kSignature, 6) == 0)))
        reader(ctx, job, bytes, length);
    ctx.store.growable = false;
    // Notes on the whole input: a line of the log in a batch, a warning otherwise.
    const auto tellNote = [&](const std::string& text) {
        if (ctx.run.batch && job.log != nullptr)
            std::fprintf(job.log, importmsg::kLogTrack, logPathField(job.inputPath).c_str(),
                         logFileField(job.inputPath).c_str(), logField(job.baseName).c_str(), logField(text).c_str());
        else if (!ctx.run.batch)
            tellLiteral(ctx, dmsg::kCaptionInfo, text, MsgStyle::Warning);
    };
    if (ctx.run.impossibleWaypoints > 0) {
        tellNote(impossibleCoordinatesNote(ctx, ctx.run.impossibleWaypoints, true, job.baseName));
        ctx.run.impossibleWaypoints = 0;
    }
    if (!ctx.run.damageNote.empty()) tellNote(ctx.run.damageNote);
    if (ctx.run.cutNote.empty()) ctx.run.cutNote = documentEndNote(type, bytes, length);

    writeEndRecord(job.output);
    // Another program shortened or rewrote the input while it was read: what was read is not the file.
    if (input.bytesCutShort() || input.bytesChanged()) return kImportInputChanged;
    return 0;
}

int importFile(Context& ctx, const std::string& baseName, ByteStream& input, ByteStream& output) {
    ImportJob job{output};
    job.baseName = baseName;
    job.option = ctx.settings.Mode;
    return importFile(ctx, job, input);
}

}  // namespace trakor
