// SPDX-License-Identifier: GPL-3.0-or-later
// Import of one input file into a new GDB file.
#pragma once

#include "import/reader.h"

namespace trakor {

// Largest input read into memory, and the result of importFile for a larger one.
constexpr int64_t kMaxImportBytes = int64_t{1} << 30;
constexpr int kImportTooLarge = 3;
// The result when another program shortened or rewrote the input while it was read.
constexpr int kImportInputChanged = 4;

// Reads the whole input into memory, writes the header of a new GDB file to job.output, hands
// the bytes to the reader for ctx.run.inputType and writes the end record. job.option is the
// conversion option, job.log is null. Returns 0 when done, whatever the reader found, 2 when the
// memory for the file could not be obtained and kImportTooLarge (nothing written) for an input of
// more than kMaxImportBytes, kImportInputChanged when the input was cut short or changed while read.
int importFile(Context& ctx, ImportJob& job, ByteStream& input);

// The driver's form: the input's base name, the open input and the work GDB file.
int importFile(Context& ctx, const std::string& baseName, ByteStream& input, ByteStream& output);

// For an NMEA or ITN file cut inside its last line, what it lacks: "the end of its last line";
// empty otherwise. (The XML readers note a document that breaks off themselves.)
std::string documentEndNote(InputType type, const uint8_t* bytes, size_t length);

// The reader of an input type (KMZ: the reader of the extracted KML file); nullptr for a value
// outside the enumeration.
ReaderFn readerFor(InputType type);

}  // namespace trakor
