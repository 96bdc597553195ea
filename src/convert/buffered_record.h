// SPDX-License-Identifier: GPL-3.0-or-later
// Records built in memory and handed to the output in one write: patching a record's length
// then never seeks in the output, which for a file would flush its buffer at every record.
#pragma once

#include "gdb/stream.h"

namespace trakor {

// Calls build(stream) with a memory stream, then writes what it wrote to out.
template <typename Build>
void writeBuffered(ByteStream& out, Build&& build) {
    MemoryStream record;
    build(static_cast<ByteStream&>(record));
    out.write(record.bytes().data(), record.bytes().size());
}

}  // namespace trakor
