// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/batch_run.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

#include "core/file_names.h"
#include "gdb/down_convert.h"
#include "gdb/file_header.h"
#include "import/batch_log.h"
#include "import/import_file.h"
#include "import/kmz_archive.h"
#include "import/reader.h"

namespace trakor {

namespace {

bool hasGdbSignature(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 6 && std::memcmp(bytes.data(), "MsRcf", 6) == 0;
}

// Results of convertOne besides the readers' own.
constexpr int kOutOfMemory = 3;
constexpr int kTooLarge = 4;
constexpr int kUnreadable = 5;  // the file cannot be opened or read: errno says why
constexpr int kChanged = 6;     // another program wrote to the file while it was read

// Whole file into memory: 0 read, 1 cannot be opened or read, 2 no memory, kTooLarge beyond the
// importers' bound, kChanged written to while read (only when `shortened` is asked for; a file
// that shrank is read as far as it goes instead).
int loadInput(const std::string& path, std::vector<uint8_t>& bytes, bool* shortened = nullptr) {
    bool tooLarge = false, changed = false;
    try {
        if (!path.empty() && readWholeFile(path, bytes, kMaxImportBytes, &tooLarge, shortened, &changed))
            return shortened != nullptr && changed && !*shortened ? kChanged : 0;
    } catch (const std::bad_alloc&) {
        return 2;
    }
    return tooLarge ? kTooLarge : 1;
}

// A GDB file of a later version is read from its down-converted copy; false when that fails.
bool downConverted(Context& ctx, std::vector<uint8_t>& bytes) {
    if (bytes.size() <= kVersionOffset || !isLaterVersion(bytes[kVersionOffset])) return true;
    MemoryStream in(bytes.data(), bytes.size());
    if (downConvert(ctx, in, bytes[kVersionOffset]) != 0) return false;
    bytes.clear();
    return loadInput(ctx.paths.downGdb, bytes) == 0;
}

// Reads one input into the output: a reader result, kOutOfMemory or kTooLarge.
int convertOne(Context& ctx, const std::string& path, FILE* log, ByteStream& output) {
    const int type = inputTypeOf(path);
    if (type < 0) return kReadInvalid;
    ctx.run.inputType = static_cast<InputType>(type);
    std::string readPath = path;
    if (ctx.run.inputType == InputType::Kmz) readPath = extractKmz(ctx, path);
    std::vector<uint8_t> bytes;
    bool shortened = false;
    const int loaded = loadInput(readPath, bytes, &shortened);
    if (loaded == 2) return kOutOfMemory;
    if (loaded == kTooLarge || loaded == kChanged) return loaded;
    // A KMZ archive that gave no KML file is invalid; another file the system could not read says why.
    if (loaded != 0) return ctx.run.inputType == InputType::Kmz ? kReadInvalid : kUnreadable;
    if (ctx.run.inputType == InputType::Gdb && (!hasGdbSignature(bytes) || !downConverted(ctx, bytes)))
        return kReadInvalid;
    ImportJob job{output, log, path, baseNameOf(path), ctx.settings.Mode};
    // Every point read reaches the output: a track longer than the store holds goes out in pieces.
    ctx.store.growable = true;
    const int result = readerFor(ctx.run.inputType)(ctx, job, bytes.data(), bytes.size());
    ctx.store.growable = false;
    if (shortened)
        ctx.run.cutNote = "the bytes another program cut off while it was read";
    else if (ctx.run.cutNote.empty())
        ctx.run.cutNote = documentEndNote(ctx.run.inputType, bytes.data(), bytes.size());
    return result;
}

// The log message of a file beyond the importers' bound, with the bound.
std::string tooLargeEntry() { return "File too large (more than " + std::to_string(kMaxImportBytes >> 20) + " MiB)"; }

}  // namespace

int convertBatch(Context& ctx, FILE* log, ByteStream& output, const std::vector<std::string>& inputs) {
    writeNewHeader(output, std::time(nullptr));
    ctx.run.outputVersion = 'm';
    ctx.run.displayColor = 0;
    ctx.run.batch = true;
    writeLogHeader(log);
    const int total = static_cast<int>(inputs.size());
    if (ctx.progress) ctx.progress(0, total);
    for (int n = 0; n < total; ++n) {
        ctx.run.cutNote.clear();
        ctx.run.damageNote.clear();
        const int result = convertOne(ctx, inputs[n], log, output);
        if (result == kOutOfMemory) return 2;
        if (!ctx.run.damageNote.empty()) writeLogFileEntry(log, inputs[n], ctx.run.damageNote.c_str());
        // A file cut off: what was read before the cut is in the output, and the log says what is missing.
        if (!ctx.run.cutNote.empty()) {
            writeLogFileEntry(log, inputs[n], ("Incomplete file: it lacks " + ctx.run.cutNote).c_str());
            ++ctx.run.cutInputs;
        }
        // Its bytes may mix old and new content: it counts among the files that failed.
        if (result == kChanged) {
            writeLogFileEntry(log, inputs[n], kLogChangedWhileRead);
            ++ctx.run.cutInputs;
        }
        if (result == kTooLarge) writeLogFileEntry(log, inputs[n], tooLargeEntry().c_str());
        if (result == kUnreadable)
            writeLogFileEntry(log, inputs[n], (std::string("Cannot read the file: ") + std::strerror(errno)).c_str());
        if (result == kReadInvalid) writeLogFileEntry(log, inputs[n], kLogInvalidFile);
        if (result == kReadNothing) writeLogFileEntry(log, inputs[n], kLogNoTracks);
        if (ctx.progress) ctx.progress(n + 1, total);
    }
    writeEndRecord(output);
    return 0;
}

}  // namespace trakor
