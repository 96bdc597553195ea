// SPDX-License-Identifier: GPL-3.0-or-later
// The read-back checks of results on arbitrary bytes: they answer without reading outside the
// data, and a GDB image they pass holds an end record the record walk reaches.
#include "course/xml_check.h"
#include "gdb/file_header.h"
#include "gdb/result_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    const ResultCheck gdb = checkGdbImage(data, size);
    if (gdb.ok) {
        MemoryStream in(data, size);
        GdbHeader header;
        if (readFileHeader(in, header) != 0) __builtin_trap();
        size_t pos = static_cast<size_t>(header.length);
        RecordView rec;
        bool end = false;
        while (!end && nextRecord(data, size, pos, rec)) end = rec.type == 'V';
        if (!end) __builtin_trap();
    } else if (gdb.record < 0 || gdb.reason.empty()) {
        __builtin_trap();
    }
    const XmlCheck xml = checkXmlText(data, size);
    if (!xml.ok && (xml.line < 1 || xml.reason.empty())) __builtin_trap();
    return 0;
}
